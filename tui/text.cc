#include "tui/text.h"

#include <algorithm>
#include <array>
#include <utility>

#include "contracts/text.h"

namespace glnamelist::tui {
namespace {

struct Range {
  char32_t first;
  char32_t last;
};

// Wide (two-column) ranges of East Asian text.
constexpr std::array<Range, 14> kWide = {{
    {0x1100, 0x115F},
    {0x2E80, 0x303E},
    {0x3041, 0x33FF},
    {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},
    {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF},
    {0xFE10, 0xFE19},
    {0xFE30, 0xFE6F},
    {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},
    {0x1F300, 0x1F64F},
    {0x20000, 0x3FFFD},
}};

// Zero-width ranges: combining marks and joiners.
constexpr std::array<Range, 6> kZero = {{
    {0x0300, 0x036F},
    {0x200B, 0x200F},
    {0x20D0, 0x20FF},
    {0xFE00, 0xFE0F},
    {0xFE20, 0xFE2F},
    {0xFEFF, 0xFEFF},
}};

template <size_t N>
bool InRanges(const std::array<Range, N>& ranges, char32_t c) {
  return std::any_of(ranges.begin(), ranges.end(),
                     [c](const Range& r) { return c >= r.first && c <= r.last; });
}

}  // namespace

std::vector<Glyph> DecodeUtf8(std::string_view text) {
  std::vector<Glyph> out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    text::Decoded d = text::DecodeAt(text, i);
    out.push_back({d.code, i, d.length});
    i += d.length;
  }
  return out;
}

int CharWidth(char32_t c) {
  if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return 0;
  if (InRanges(kZero, c)) return 0;
  if (InRanges(kWide, c)) return 2;
  return 1;
}

int TextWidth(std::string_view text) {
  int w = 0;
  for (size_t pos = 0; pos < text.size();) {
    text::Decoded d = text::DecodeAt(text, pos);
    w += CharWidth(d.code);
    pos += d.length;
  }
  return w;
}

namespace {

// Where the longest leading part of text that fits into width columns ends, and its columns.
// Past the bytes width columns can show, the text counts as too wide.
std::pair<size_t, int> FittingPart(std::string_view text, int width) {
  const size_t limit = static_cast<size_t>(std::max(width, 0) + 1) * kBytesPerColumn;
  int used = 0;
  size_t pos = 0;
  while (pos < text.size() && pos < limit) {
    text::Decoded d = text::DecodeAt(text, pos);
    int w = CharWidth(d.code);
    if (used + w > width) break;
    used += w;
    pos += d.length;
  }
  return {pos, used};
}

bool Fits(std::string_view text, int width) {
  return FittingPart(text, width).first == text.size();
}

}  // namespace

int WidthUpTo(std::string_view text, int cap) {
  auto [end, used] = FittingPart(text, cap);
  return end == text.size() ? used : cap;
}

std::string ClipToWidth(std::string_view text, int width) {
  return std::string(text.substr(0, FittingPart(text, width).first));
}

std::string FitToWidth(std::string_view text, int width) {
  if (Fits(text, width)) return std::string(text);
  if (width <= 0) return std::string();
  return ClipToWidth(text, width - 1) + "…";
}

std::string FitPrintable(std::string_view text, int width) {
  size_t end = std::min(text.size(), static_cast<size_t>(std::max(width, 0) + 1) * kBytesPerColumn);
  while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
    --end;  // not inside a character
  }
  std::string shown = Printable(text.substr(0, end));
  if (end < text.size()) shown += "…";  // more than the columns show: cut either way
  return FitToWidth(shown, width);
}

std::vector<std::string> WrapToWidth(std::string_view text, int width) {
  // A line breaks after a blank or next to a wide character where it can, so that a
  // number or a word stays whole; a word longer than the line is cut.
  std::vector<std::string> lines;
  std::vector<Glyph> glyphs = DecodeUtf8(text);
  size_t start = 0;
  while (start < glyphs.size() || lines.empty()) {
    int used = 0;
    size_t end = start;
    size_t last_break = start;
    while (end < glyphs.size() && used + CharWidth(glyphs[end].code) <= width) {
      used += CharWidth(glyphs[end].code);
      ++end;
      bool wide_here = CharWidth(glyphs[end - 1].code) == 2;
      bool wide_next = end < glyphs.size() && CharWidth(glyphs[end].code) == 2;
      if (glyphs[end - 1].code == ' ' || wide_here || wide_next) last_break = end;
    }
    if (end == start && end < glyphs.size()) ++end;  // wider than the line: alone on it
    if (end < glyphs.size() && last_break > start) end = last_break;
    size_t from = start < glyphs.size() ? glyphs[start].offset : text.size();
    size_t to = end < glyphs.size() ? glyphs[end].offset : text.size();
    lines.emplace_back(text.substr(from, to - from));
    start = end;
  }
  return lines;
}

std::string PadToWidth(std::string_view text, int width) {
  std::string s = ClipToWidth(text, width);
  int w = TextWidth(s);
  if (w < width) s.append(static_cast<size_t>(width - w), ' ');
  return s;
}

std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const Glyph& g : DecodeUtf8(text)) {
    if (g.code < 0x20 || g.code == 0x7F || (g.code >= 0x80 && g.code < 0xA0)) {
      out += ' ';
    } else if (g.code == text::kReplacementChar && g.length == 1) {
      text::AppendUtf8(out, text::kReplacementChar);  // a malformed byte
    } else {
      out.append(text.substr(g.offset, g.length));
    }
  }
  return out;
}

}  // namespace glnamelist::tui
