// The window of a Qt list: a frameless popup under its line edit (above it when there is
// more room there), never active and never taking the keyboard focus, so that the line
// edit keeps it. It shows a table of the rows (a picture, then the cells) with the typed
// text marked, and a line saying where the selection is. A click on a row chooses it; the
// wheel scrolls.
#ifndef GLNAMELIST_QT_LIST_POPUP_H_
#define GLNAMELIST_QT_LIST_POPUP_H_

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <exception>
#include <functional>
#include <string>

#include "listkit/list_rows.h"
#include "qt/mark_delegate.h"
#include "qt/rows_model.h"

namespace glnamelist::qt {

class ListPopup : public QFrame {
 public:
  // The most rows shown at a time.
  static constexpr long kMaxShownRows = 12;

  // report gets errors raised while rows are asked for; choose(row) is called, from the
  // event loop, for a row clicked.
  ListPopup(listkit::ListRows& rows, std::function<void(const std::exception&)> report,
            std::function<void(long row)> choose);

  // Shows rows as they are now under line (at the top left of the screen for none), in font,
  // marking marked, with the selection (1-based, 0 for none) in view. The columns are as
  // wide as the rows shown first need, the popup at least as wide as line.
  void ShowUnder(QLineEdit* line, const QFont& font, bool found, const std::string& marked,
                 long selection);
  // Moves the selection (1-based) and keeps it in view.
  void Select(long selection);
  // The rows shown at a time.
  long PageRows() const { return page_; }
  QTableView* View() const { return view_; }

 private:
  // Sizes the columns by the rows Qt paints first; returns the width they take.
  int FitColumns(bool found);
  void Place(QLineEdit* line, int width, int height);
  // Where the selection is, and whether the rows are a search result.
  QString PositionLine(long selection) const;

  RowsModel model_;
  MarkDelegate* delegate_;
  QTableView* view_;
  QLabel* position_;
  bool found_ = false;
  long page_ = 1;
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_QT_LIST_POPUP_H_
