#include "platform/utf8.h"

namespace glnamelist::platform::utf8 {
namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length a lead byte announces; 0 for a byte that cannot start a character.
size_t AnnouncedLength(unsigned char c) {
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) return 2;
  if (c >= 0xE0 && c <= 0xEF) return 3;
  if (c >= 0xF0 && c <= 0xF4) return 4;
  return 0;
}

}  // namespace

size_t CharLength(std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  size_t n = AnnouncedLength(static_cast<unsigned char>(text[pos]));
  if (n <= 1 || pos + n > text.size()) return 1;
  for (size_t i = 1; i < n; ++i) {
    if (!IsContinuation(static_cast<unsigned char>(text[pos + i]))) return 1;
  }
  return n;
}

size_t PrefixLength(std::string_view text, size_t maxBytes) {
  if (maxBytes >= text.size()) return text.size();
  size_t pos = 0;
  while (pos < maxBytes) {
    size_t n = CharLength(text, pos);
    if (pos + n > maxBytes) break;
    pos += n;
  }
  return pos;
}

size_t OffsetOfChar(std::string_view text, size_t index) {
  size_t pos = 0;
  for (size_t i = 0; i < index && pos < text.size(); ++i) pos += CharLength(text, pos);
  return pos;
}

size_t CharCount(std::string_view text) {
  size_t count = 0;
  for (size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) ++count;
  return count;
}

std::string Encode(uint32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp >= 0xD800 && cp <= 0xDFFF) {
    return out;
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp <= 0x10FFFF) {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

}  // namespace glnamelist::platform::utf8
