#include "recordset/text_fold.h"

#include <unicode/uchar.h>

#include "contracts/text.h"

namespace glnamelist::recordset {
namespace {

// Folding, with the CJK ideographs (which have no case) answered without a look-up.
int32_t FoldCase(int32_t c) {
  if (c >= 0x3400 && c < 0xA000) return c;
  return u_foldCase(c, U_FOLD_CASE_DEFAULT);
}

}  // namespace

int32_t NextCodePoint(std::string_view text, size_t& pos) {
  auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  text::Decoded d = text::DecodeAt(text, pos);
  pos += d.length;
  return d.valid ? static_cast<int32_t>(d.code) : -static_cast<int32_t>(lead);
}

void AppendFolded(std::string_view text, std::string& out) {
  size_t pos = 0;
  while (pos < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[pos]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b));
      ++pos;
      continue;
    }
    size_t start = pos;
    int32_t c = NextCodePoint(text, pos);
    if (c < 0) {
      out.push_back(static_cast<char>(b));
      continue;
    }
    UChar32 f = FoldCase(c);
    if (f == c) {
      out.append(text.substr(start, pos - start));
      continue;
    }
    text::AppendUtf8(out, static_cast<char32_t>(f));
  }
}

bool FoldsToItself(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    auto b = static_cast<unsigned char>(text[pos]);
    if (b < 0x80) {
      if (b >= 'A' && b <= 'Z') return false;
      ++pos;
      continue;
    }
    int32_t c = NextCodePoint(text, pos);
    if (c >= 0 && FoldCase(c) != c) return false;
  }
  return true;
}

std::string Folded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendFolded(text, out);
  return out;
}

}  // namespace glnamelist::recordset
