// The lines of a voucher in a QTableView, with its totals under it: each amount column as
// wide as the largest amount a line takes, the explanation column given what the window has
// left, a cell's text always on one line, cut with "…" when it is longer than its cell; the
// debit and credit totals each under its column, the difference beside them while the
// sides differ.
#ifndef GLNAMELIST_APPS_VOUCHER_QT_VOUCHER_TABLE_H_
#define GLNAMELIST_APPS_VOUCHER_QT_VOUCHER_TABLE_H_

#include <QEvent>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <QWidget>
#include <array>
#include <functional>

#include "apps/voucher/voucher.h"

namespace glnamelist::qt {

class VoucherTable : public QWidget {
 public:
  // The totals under the table, in the order they stand: the caption (合计), the
  // difference, the debit's, the credit's.
  enum Total { kCaption, kDifference, kDebitTotal, kCreditTotal, kTotals };

  explicit VoucherTable(QWidget* parent = nullptr);

  QTableView* View() const { return view_; }
  QStandardItemModel* Model() const { return model_; }
  const QLabel& TotalLabel(Total total) const { return *totals_[total]; }
  // The line under the totals: the total in capitals and the preparer.
  const QLabel& CapitalsLabel() const { return *capitals_; }

  // Shows the lines of voucher and its totals; a line that marked says kept the last save
  // from happening has "!" before its number. under: what the line under the totals says.
  // The columns of a line's figures (汇率, 原币, 数量, 单价) are shown while opened says a
  // line opens them.
  void Show(const voucher::Voucher& voucher, const std::function<bool(int line)>& marked = {},
            const std::string& under = "",
            const std::function<bool(int line, voucher::Column column)>& opened = {});

  // As wide as every column at the width it asks for, with room for the vertical scroll
  // bar; as tall as a dozen lines and the totals.
  QSize sizeHint() const override;

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Gives each column its title and the width it asks for.
  void SizeColumns();
  // Puts each total under its columns, as the table shows them now.
  void PlaceTotals();

  QTableView* view_ = nullptr;
  QStandardItemModel* model_ = nullptr;
  QWidget* totals_row_ = nullptr;
  std::array<QLabel*, kTotals> totals_{};
  QLabel* capitals_ = nullptr;
  std::array<int, voucher::kColumns> widths_{};  // the width each column asks for
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_APPS_VOUCHER_QT_VOUCHER_TABLE_H_
