// The rows of a list as a Qt table model: column 0 holds the row's picture, the others the
// cells the list shows (listkit::ListRows::ShownColumns). With rows on request a row is asked
// for (DataRequest) the first time Qt asks data() for it, so only the rows Qt paints or
// measures are ever built.
#ifndef GLNAMELIST_QT_ROWS_MODEL_H_
#define GLNAMELIST_QT_ROWS_MODEL_H_

#include <QAbstractTableModel>
#include <QIcon>
#include <exception>
#include <functional>
#include <map>
#include <string_view>
#include <vector>

#include "listkit/list_rows.h"

namespace glnamelist::qt {

// text as a popup or a label shows it: no more than its first kShownBytes bytes are converted,
// whatever its length, with "…" when it was cut.
inline constexpr size_t kShownBytes = 1024;
QString ShownText(std::string_view text);

class RowsModel : public QAbstractTableModel {
 public:
  // report gets the errors of DataRequest handlers (data() cannot pass them on).
  RowsModel(listkit::ListRows& rows, std::function<void(const std::exception&)> report);

  // Takes the rows and columns as they are now.
  void Reset();
  const listkit::ListRows& Rows() const { return rows_; }
  // The list column shown in model column `column` (>= 1).
  int CellOf(int column) const { return cells_[static_cast<size_t>(column - 1)]; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  // DecorationRole of column 0: the picture; DisplayRole of the others: the cell (ShownText),
  // blank for a short code that repeats the full code; AccessibleTextRole of any column: the row's
  // texts, as a screen reader reads the row.
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  QString CellText(const listkit::ListRows::Row& row, int cell) const;
  QString SpokenRow(const listkit::ListRows::Row& row) const;
  // The picture at its size, and at twice it for screens of twice the density.
  const QIcon& IconOf(const PicturePtr& picture) const;

  listkit::ListRows& rows_;
  std::function<void(const std::exception&)> report_;
  long count_ = 0;
  std::vector<int> cells_;
  mutable std::map<PicturePtr, QIcon> icons_;
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_QT_ROWS_MODEL_H_
