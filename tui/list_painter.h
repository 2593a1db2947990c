// Paints a terminal list on a Screen: the frame (titled as a search result when it shows
// one), the shown rows with their picture glyphs and the typed text marked, the selected
// row highlighted, and the position line.
#ifndef GLNAMELIST_TUI_LIST_PAINTER_H_
#define GLNAMELIST_TUI_LIST_PAINTER_H_

#include <functional>
#include <string>
#include <string_view>

#include "listkit/list_rows.h"
#include "tui/list_layout.h"
#include "tui/screen.h"

namespace glnamelist::tui {

// What one painting of a list shows.
struct ListView {
  Rect frame;      // frame included
  long first = 1;  // the rows shown, first..last (last < first: none)
  long last = 0;
  long selection = 0;  // 1-based; 0 when there are no rows
  bool found = false;  // the rows are a search result
  std::string_view marked;
  ListColumns columns;
};

// The glyph (at most kGlyphColumns columns) that stands for the picture stored under key.
using PictureGlyphs = std::function<std::string(const std::string& key)>;

// Paints the rows as they are (Peek): rows on request must have been handed over first.
void PaintList(Screen& screen, const listkit::ListRows& rows, const ListView& view,
               const PictureGlyphs& glyph);

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_TUI_LIST_PAINTER_H_
