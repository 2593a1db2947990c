#include "tui/text.h"

#include <algorithm>
#include <array>

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

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

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
  for (const Glyph& g : DecodeUtf8(text)) w += CharWidth(g.code);
  return w;
}

std::string ClipToWidth(std::string_view text, int width) {
  int used = 0;
  size_t end = 0;
  for (const Glyph& g : DecodeUtf8(text)) {
    int w = CharWidth(g.code);
    if (used + w > width) break;
    used += w;
    end = g.offset + g.length;
  }
  return std::string(text.substr(0, end));
}

std::string PadToWidth(std::string_view text, int width) {
  std::string s = ClipToWidth(text, width);
  int w = TextWidth(s);
  if (w < width) s.append(static_cast<size_t>(width - w), ' ');
  return s;
}

std::vector<std::pair<size_t, size_t>> FindAll(std::string_view text, std::string_view needle) {
  std::vector<std::pair<size_t, size_t>> hits;
  if (needle.empty() || needle.size() > text.size()) return hits;
  size_t i = 0;
  while (i + needle.size() <= text.size()) {
    bool match = true;
    for (size_t k = 0; k < needle.size(); ++k) {
      if (FoldAscii(text[i + k]) != FoldAscii(needle[k])) {
        match = false;
        break;
      }
    }
    if (match) {
      hits.emplace_back(i, i + needle.size());
      i += needle.size();
    } else {
      ++i;
    }
  }
  return hits;
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
