// Where a terminal list goes and how its columns share the width.
//
// The list drops down under its owner text box (above it when there is more room there),
// as tall as its rows allow and at most kMaxShownRows rows, inside the screen. Rows that
// are all at hand are measured; rows on request, not yet handed over, cannot be, so such a
// list takes kOnRequestWidth columns.
#ifndef GLNAMELIST_TUI_LIST_LAYOUT_H_
#define GLNAMELIST_TUI_LIST_LAYOUT_H_

#include <vector>

#include "tui/list_data.h"
#include "tui/screen.h"

namespace glnamelist::tui {

inline constexpr int kMaxShownRows = 12;
inline constexpr int kMinListWidth = 40;
inline constexpr int kOnRequestWidth = 76;
// A row starts with the selection marker, the picture glyph in kGlyphColumns columns and a
// blank; its cells are kColumnGap columns apart.
inline constexpr int kGlyphColumns = 2;
inline constexpr int kColumnGap = 2;

// Where the list of rows goes, frame included, for the text box at owner (a box of height
// 0 stands for none: the list goes to the top left) on a screen of screen_rows x
// screen_cols; height 0 when the screen has no room for it.
Rect ListFrame(const TerminalListData& rows, Rect owner, int screen_rows, int screen_cols);

// The cells that the shown rows first..last show, in order, and the width of each; the
// last cell takes what is left of the row, so its width is 0 here.
struct ListColumns {
  std::vector<int> cells;
  std::vector<int> widths;
};
// inner_width: the columns inside the frame. No cell but the last takes more than a third.
ListColumns LayOutColumns(const TerminalListData& rows, long first, long last, int inner_width);

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_TUI_LIST_LAYOUT_H_
