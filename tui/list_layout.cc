#include "tui/list_layout.h"

#include <algorithm>

#include "tui/text.h"

namespace glnamelist::tui {
namespace {

// Copied rows are measured up to this many; a longer list is measured by its first rows.
constexpr long kMeasuredRows = 2000;

}  // namespace

Rect ListFrame(const listkit::ListRows& rows, Rect owner, int screen_rows, int screen_cols) {
  // The brackets of the box belong to it: x - 1 and x + width.
  Rect at = owner.height > 0 ? Rect{owner.y, std::max(owner.x - 1, 0), 1, owner.width + 2}
                             : Rect{0, 0, 1, kMinListWidth};
  int below = screen_rows - (at.y + 1);
  int above = at.y;
  int want = static_cast<int>(std::min(std::max(rows.Rows(), 1L), long{std::max(below, above)}));
  int content = screen_cols - at.x;
  if (!rows.OnRequest() && rows.Rows() <= kMeasuredRows) {
    int sum = 1 + kGlyphColumns + 1;
    for (int col : rows.ShownColumns()) {
      int widest = 0;
      for (long r = 1; r <= rows.Rows(); ++r) {
        widest =
            std::max(widest, WidthUpTo(rows.Peek(r).cells[static_cast<size_t>(col)], screen_cols));
      }
      sum += widest + kColumnGap;
    }
    content = sum + 2;
  }
  int width = std::min(screen_cols, std::max({at.width, kMinListWidth, content}));

  Rect f;
  if (below >= want + 2 || below >= above) {
    f.y = at.y + 1;
    f.height = std::min(want + 2, below);
  } else {
    f.height = std::min(want + 2, above);
    f.y = at.y - f.height;
  }
  if (f.height < 3 || width < 8) return Rect{};
  f.width = width;
  f.x = std::clamp(at.x, 0, screen_cols - width);
  return f;
}

ListColumns LayOutColumns(const listkit::ListRows& rows, long first, long last, int inner_width,
                          bool code_listing) {
  ListColumns out;
  out.cells = rows.ShownColumns();
  out.short_code = rows.OnRequest() && !out.cells.empty() && out.cells[0] == 0;
  if (out.short_code && !listkit::ShowsShortCode(rows, first, last, code_listing)) {
    out.cells.erase(out.cells.begin());
    out.short_code = false;
  }
  out.widths.assign(out.cells.size(), 0);
  long measure_from = rows.OnRequest() ? first : 1;
  long measure_to = rows.OnRequest() ? last : std::min(rows.Rows(), kMeasuredRows);
  int used = 0;
  for (size_t i = 0; i + 1 < out.cells.size(); ++i) {
    for (long r = measure_from; r <= measure_to; ++r) {
      out.widths[i] =
          std::max(out.widths[i],
                   WidthUpTo(rows.Peek(r).cells[static_cast<size_t>(out.cells[i])], inner_width));
    }
    used += out.widths[i] + kColumnGap;
  }
  // Cut the leading cells only when the last one would otherwise have no room.
  int room = inner_width - (1 + kGlyphColumns + 1);
  if (used + inner_width / 3 > room) {
    for (size_t i = 0; i + 1 < out.cells.size(); ++i) {
      out.widths[i] = std::min(out.widths[i], inner_width / 3);
    }
  }
  return out;
}

}  // namespace glnamelist::tui
