#include "recordset/text_fold.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace glnamelist::recordset {

bool IsValidUtf8(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    if (NextCodePoint(text, pos) < 0) return false;
  }
  return true;
}

bool IsAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

int32_t NextCodePoint(std::string_view text, size_t& pos) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  unsigned char lead = s[pos];
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  int32_t i = static_cast<int32_t>(pos);
  int32_t length = static_cast<int32_t>(text.size());
  UChar32 c;
  U8_NEXT(s, i, length, c);
  if (c < 0) {
    pos += 1;
    return -static_cast<int32_t>(lead);
  }
  pos = static_cast<size_t>(i);
  return c;
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
    UChar32 f = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    if (f == c) {
      out.append(text.substr(start, pos - start));
      continue;
    }
    uint8_t buf[4];
    int32_t n = 0;
    U8_APPEND_UNSAFE(buf, n, f);
    out.append(reinterpret_cast<const char*>(buf), static_cast<size_t>(n));
  }
}

std::string Folded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendFolded(text, out);
  return out;
}

}  // namespace glnamelist::recordset
