// Where the parts of the voucher-entry form go on a screen of a given size, and how a box
// shows a text longer than itself.
#ifndef GLNAMELIST_APPS_VOUCHER_TUI_FORM_LAYOUT_H_
#define GLNAMELIST_APPS_VOUCHER_TUI_FORM_LAYOUT_H_

#include <cstddef>
#include <string>

#include "tui/screen.h"

namespace glnamelist::tui {

inline constexpr int kMinFormCols = 60;
inline constexpr int kLabelWidth = 12;
inline constexpr int kMaxBoxWidth = 40;

struct FormLayout {
  bool fits = false;  // false: the screen is too small for the form
  int title_row = 0;
  int first_field_row = 2;
  int spacing = 1;  // rows from one box to the next
  int label_x = 1;
  int box_x = 0;
  int box_width = 0;
  int help_row = 0;  // two help lines from here
  int status_row = 0;

  // The text area of box i (one row; brackets drawn just outside it).
  Rect Box(size_t i) const;
};

// The smallest number of rows that holds a form of fields boxes.
int MinFormRows(size_t fields);
FormLayout LayOutForm(int rows, int cols, size_t fields);
// The line shown instead of the form on a screen too small for it.
std::string TooSmallMessage(int rows, int cols, size_t fields);

// Where the parts of the voucher go: the header, the grid of lines (a column of line
// numbers, then the voucher's columns), the totals, the help lines and the status line.
inline constexpr int kMinGridRows = 14;
struct GridLayout {
  bool fits = false;
  int title_row = 0;
  int header_row = 1;
  int titles_row = 3;  // the column titles; the lines below them
  int first_line_row = 4;
  int visible_lines = 0;
  int totals_row = 0;
  int capitals_row = 0;  // the total in capitals and the preparer
  // The name of the entry in the current cell; in a figure's cell (or a line with figures
  // and a cell without a list) the line's figures instead.
  int name_row = 0;
  int help_row = 0;  // two help lines from here
  int status_row = 0;
  int number_x = 1;  // the line numbers, three columns wide
  // The columns of the grid: the voucher's first ones (摘要 ... 贷方); a line's figures show
  // on the name row.
  static constexpr int kGridColumns = 7;
  int x[kGridColumns] = {};      // where each of the voucher's columns starts
  int width[kGridColumns] = {};  // and how wide it is

  // The text area of a cell on screen row row.
  Rect Cell(int row, int column) const { return Rect{row, x[column], 1, width[column]}; }
  // The text area of the nth figure's box of the figures on the name row (汇率, 原币, 数量,
  // 单价), after its title.
  static constexpr int kFigureTitleWidth = 5;
  Rect Figure(int nth) const {
    return Rect{name_row, number_x + 4 + nth * 18 + kFigureTitleWidth, 1, 12};
  }
  // The text area of the header's box of a field (voucher::HeaderField), on the header row
  // after its title: the date, the word, the attachments.
  Rect Header(int field) const {
    static constexpr int kX[3] = {7, 29, 58};
    static constexpr int kWidth[3] = {11, 4, 5};
    return Rect{header_row, kX[field], 1, kWidth[field]};
  }
};
// The amount columns are amount_width wide (at least kAmountWidth, at most kMaxAmountWidth:
// the largest amount with its sign), so that no digit is ever cut; the text columns take
// what is left, wider than 80 columns giving 摘要 and 科目 more.
inline constexpr int kAmountWidth = 12;
inline constexpr int kMaxAmountWidth = 21;
GridLayout LayOutGrid(int rows, int cols, int amount_width = kAmountWidth);
std::string GridTooSmallMessage(int rows, int cols);

// The part of text a box width columns wide shows with the caret (a count of characters)
// in view, and the caret's column inside the box.
struct BoxView {
  std::string text;
  int caret_x = 0;
};
BoxView ViewOfBox(const std::string& text, long caret, int width);

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_APPS_VOUCHER_TUI_FORM_LAYOUT_H_
