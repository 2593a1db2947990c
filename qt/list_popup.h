// The window of a Qt list: a frameless popup under its line edit (above it when the rows
// do not fit below and there is more room above), on the screen whatever the box's place,
// never active and never taking the keyboard focus, so that the line edit keeps it. It is
// as tall as its rows, up to a page, and shows a table of them (a picture, then the cells)
// with the typed text marked, and a line saying where the selection is. A click on a row
// chooses it; the wheel scrolls.
//
// The table is accessible: named after the line edit ("科目列表"), described by its count
// of rows ("共 5 行"), which is announced each time a list opens, and its current row, the
// selection, announced as it moves (Qt's accessibility events of item views).
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
  // Where the popup may go on line's screen: below line, or above it when a popup height
  // tall does not fit below and there is more room above.
  QRect RoomFor(QLineEdit* line, int height) const;
  void Place(const QRect& room, QLineEdit* line, int width, int height);
  // Names the table after line and announces its count of rows.
  void Describe(QLineEdit* line, long rows);
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
