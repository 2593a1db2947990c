#include "tui/screen.h"

#include <algorithm>

#include "tui/text.h"

namespace glnamelist::tui {

void FillRect(Screen& screen, const Rect& r, Style style) {
  if (r.width <= 0) return;
  std::string blank(static_cast<size_t>(r.width), ' ');
  for (int y = r.y; y < r.y + r.height; ++y) screen.Put(y, r.x, blank, style);
}

void DrawFrame(Screen& screen, const Rect& r, Style style) {
  if (r.width < 2 || r.height < 2) return;
  std::string horizontal;
  for (int i = 0; i < r.width - 2; ++i) horizontal += "─";
  screen.Put(r.y, r.x, "┌" + horizontal + "┐", style);
  for (int y = r.y + 1; y < r.y + r.height - 1; ++y) {
    screen.Put(y, r.x, "│", style);
    screen.Put(y, r.x + r.width - 1, "│", style);
  }
  screen.Put(r.y + r.height - 1, r.x, "└" + horizontal + "┘", style);
}

CellScreen::CellScreen(int rows, int cols)
    : rows_(std::max(rows, 0)),
      cols_(std::max(cols, 0)),
      cells_(static_cast<size_t>(rows_) * static_cast<size_t>(cols_)) {}

void CellScreen::Clear() { std::fill(cells_.begin(), cells_.end(), Cell{}); }

// Blanks one cell, and the other half of a wide character it belongs to.
void CellScreen::Blank(int y, int x) {
  Cell& c = At(y, x);
  if (c.text.empty() && x > 0) {
    At(y, x - 1).text.assign(1, ' ');
  } else if (x + 1 < cols_ && At(y, x + 1).text.empty()) {
    At(y, x + 1).text.assign(1, ' ');
  }
  c.text.assign(1, ' ');
}

int CellScreen::Put(int y, int x, std::string_view text, Style style) {
  if (y < 0 || y >= rows_) return 0;
  std::string shown = Printable(text);
  int written = 0;
  for (const Glyph& g : DecodeUtf8(shown)) {
    int w = CharWidth(g.code);
    if (w == 0) continue;
    if (x + w > cols_) break;
    if (x >= 0) {
      for (int k = 0; k < w; ++k) Blank(y, x + k);
      At(y, x).text = shown.substr(g.offset, g.length);
      At(y, x).style = style;
      if (w == 2) {
        At(y, x + 1).text.clear();
        At(y, x + 1).style = style;
      }
      written += w;
    }
    x += w;
  }
  return written;
}

std::string CellScreen::Line(int y) const {
  std::string s;
  if (y < 0 || y >= rows_) return s;
  for (int x = 0; x < cols_; ++x) s += At(y, x).text;
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string CellScreen::Text() const {
  std::string s;
  for (int y = 0; y < rows_; ++y) s += Line(y) + "\n";
  return s;
}

Style CellScreen::StyleAt(int y, int x) const {
  if (y < 0 || y >= rows_ || x < 0 || x >= cols_) return Style::kNormal;
  return At(y, x).style;
}

const std::string& CellScreen::CharAt(int y, int x) const {
  static const std::string kBlank = " ";
  if (y < 0 || y >= rows_ || x < 0 || x >= cols_) return kBlank;
  return At(y, x).text;
}

}  // namespace glnamelist::tui
