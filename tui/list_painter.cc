#include "tui/list_painter.h"

#include <algorithm>

#include "listkit/list_control_base.h"
#include "listkit/marks.h"
#include "tui/text.h"

namespace glnamelist::tui {
namespace {

// text with a blank on either side, as the frame shows a title. Appended in steps: the
// optimiser warns of overlapping copies in a chain of string additions.
std::string Spaced(std::string_view text) {
  std::string out(1, ' ');
  out += text;
  out += ' ';
  return out;
}

void PaintRow(Screen& screen, int y, int x, int width, const listkit::ListRows::Row& cells,
              bool selected, const ListView& view, const PictureGlyphs& glyph_of) {
  Style base = selected ? Style::kSelected : Style::kNormal;
  Style match = selected ? Style::kSelectedMatch : Style::kMatch;
  screen.Put(y, x, std::string(static_cast<size_t>(width), ' '), base);

  int end = x + width;
  int at = x;
  // A marker in front of the selected row, for terminals that show no reverse video.
  screen.Put(y, at, selected ? ">" : " ", base);
  ++at;
  std::string glyph;
  if (cells.picture) glyph = ClipToWidth(glyph_of(cells.picture->Key()), kGlyphColumns);
  screen.Put(y, at, PadToWidth(glyph, kGlyphColumns), base);
  at += kGlyphColumns + 1;

  const std::vector<int>& columns = view.columns.cells;
  for (size_t i = 0; i < columns.size() && at < end; ++i) {
    bool last = i + 1 == columns.size();
    int cell_width = last ? end - at : std::min(view.columns.widths[i], end - at);
    // A short code that repeats the full code beside it is drawn once.
    bool repeat = i == 0 && view.columns.short_code && listkit::ListRows::RepeatsFullCode(cells);
    std::string text = repeat
                           ? std::string()
                           : FitPrintable(cells.cells[static_cast<size_t>(columns[i])], cell_width);
    screen.Put(y, at, text, base);
    for (auto [b, e] : listkit::FindAll(text, view.marked)) {
      screen.Put(y, at + TextWidth(std::string_view(text).substr(0, b)), text.substr(b, e - b),
                 match);
    }
    at += cell_width + kColumnGap;
  }
}

}  // namespace

void PaintList(Screen& screen, const listkit::ListRows& rows, const ListView& view,
               const PictureGlyphs& glyph) {
  const Rect& f = view.frame;
  int inner = f.width - 2;
  FillRect(screen, f, Style::kNormal);
  DrawFrame(screen, f, Style::kFrame);
  if (view.found)
    screen.Put(f.y, f.x + 2, ClipToWidth(Spaced(listkit::kFoundTitle), inner - 2), Style::kTitle);
  for (long r = view.first; r <= view.last; ++r) {
    PaintRow(screen, f.y + 1 + static_cast<int>(r - view.first), f.x + 1, inner, rows.Peek(r),
             r == view.selection, view, glyph);
  }
  if (rows.Rows() == 0) {
    screen.Put(f.y + 1, f.x + 2, ClipToWidth(listkit::kNoRowsText, inner - 1), Style::kNormal);
  }

  std::string position =
      ClipToWidth(Spaced(listkit::PositionText(view.selection, rows.Rows())), inner);
  screen.Put(f.y + f.height - 1, f.x + f.width - 1 - TextWidth(position), position, Style::kTitle);
}

}  // namespace glnamelist::tui
