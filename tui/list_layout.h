// Where a terminal list goes and how its columns share the width.
//
// The list drops down under its owner text box (above it when there is more room there),
// as tall as its rows and the screen allow. Its frame starts on the box's opening bracket
// and is at least as wide as the box with both brackets, so that nothing of the boxes it
// covers shows beside it. Rows that are all at hand are measured; rows on request, not yet
// handed over, cannot be, so such a list takes the screen's width from its box rightwards.
#ifndef GLNAMELIST_TUI_LIST_LAYOUT_H_
#define GLNAMELIST_TUI_LIST_LAYOUT_H_

#include <vector>

#include "listkit/list_rows.h"
#include "tui/screen.h"

namespace glnamelist::tui {

inline constexpr int kMinListWidth = 40;
// A row starts with the selection marker, the picture glyph in kGlyphColumns columns and a
// blank; its cells are kColumnGap columns apart.
inline constexpr int kGlyphColumns = 2;
inline constexpr int kColumnGap = 2;

// Where the list of rows goes, frame included, for the text box at owner (a box of height
// 0 stands for none: the list goes to the top left) on a screen of screen_rows x
// screen_cols; height 0 when the screen has no room for it.
Rect ListFrame(const listkit::ListRows& rows, Rect owner, int screen_rows, int screen_cols);

// The cells that the shown rows first..last show, in order, and the width of each; the
// last cell takes what is left of the row, so its width is 0 here. Column 0 (the code
// relative to the parent) is shown only in a code listing of rows on request, and not when
// it holds the full code on every shown row; a row whose column 0 repeats its full code
// leaves it blank (is_code_repeat).
struct ListColumns {
  std::vector<int> cells;
  std::vector<int> widths;
  bool short_code = false;  // cells[0] is column 0
};
// inner_width: the columns inside the frame. A cell is as wide as its widest shown text;
// when the row has no room for the last cell, no cell but the last takes more than a third.
ListColumns LayOutColumns(const listkit::ListRows& rows, long first, long last, int inner_width,
                          bool code_listing);

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_TUI_LIST_LAYOUT_H_
