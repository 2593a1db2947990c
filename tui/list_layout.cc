#include "tui/list_layout.h"

#include <algorithm>

#include "tui/text.h"

namespace glnamelist::tui {
namespace {

// Copied rows are measured up to this many; a longer list is measured by its first rows.
constexpr long kMeasuredRows = 2000;

}  // namespace

Rect ListFrame(const TerminalListData& rows, Rect owner, int screen_rows, int screen_cols) {
  if (owner.height <= 0) owner = Rect{0, 0, 1, kMinListWidth};

  int want_rows = static_cast<int>(std::clamp(rows.Rows(), 1L, long{kMaxShownRows}));
  int content = kOnRequestWidth;
  if (!rows.OnRequest() && rows.Rows() <= kMeasuredRows) {
    int sum = 1 + kGlyphColumns + 1;
    for (int col : rows.ShownColumns()) {
      int widest = 0;
      for (long r = 1; r <= rows.Rows(); ++r) {
        widest = std::max(widest, TextWidth(rows.Peek(r).cells[static_cast<size_t>(col)]));
      }
      sum += widest + kColumnGap;
    }
    content = sum + 2;
  }
  int width = std::min(screen_cols, std::max({owner.width, kMinListWidth, content}));

  int below = screen_rows - (owner.y + 1);
  int above = owner.y;
  Rect f;
  if (below >= want_rows + 2 || below >= above) {
    f.y = owner.y + 1;
    f.height = std::min(want_rows + 2, below);
  } else {
    f.height = std::min(want_rows + 2, above);
    f.y = owner.y - f.height;
  }
  if (f.height < 3 || width < 8) return Rect{};
  f.width = width;
  f.x = std::clamp(owner.x, 0, screen_cols - width);
  return f;
}

ListColumns LayOutColumns(const TerminalListData& rows, long first, long last, int inner_width) {
  ListColumns out;
  out.cells = rows.ShownColumns();
  // The short code says nothing new where every shown row has its full code there too
  // (a listing without a parent entry, a search result).
  bool short_is_full = rows.OnRequest() && last >= first;
  for (long r = first; r <= last && short_is_full; ++r) {
    short_is_full = rows.Peek(r).cells[0] == rows.Peek(r).cells[1];
  }
  if (short_is_full) out.cells.erase(out.cells.begin());
  out.widths.assign(out.cells.size(), 0);
  long measure_from = rows.OnRequest() ? first : 1;
  long measure_to = rows.OnRequest() ? last : std::min(rows.Rows(), kMeasuredRows);
  for (size_t i = 0; i + 1 < out.cells.size(); ++i) {
    for (long r = measure_from; r <= measure_to; ++r) {
      out.widths[i] =
          std::max(out.widths[i], TextWidth(rows.Peek(r).cells[static_cast<size_t>(out.cells[i])]));
    }
    out.widths[i] = std::min(out.widths[i], inner_width / 3);
  }
  return out;
}

}  // namespace glnamelist::tui
