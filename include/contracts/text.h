// Text helpers on UTF-8 for every layer: decoding one character, counting and cutting at
// character boundaries, encoding a code point, and trimming.
//
// Text is UTF-8 in std::string. A well-formed character is one to four bytes as UTF-8
// allows (no overlong forms, no surrogates, nothing past U+10FFFF). Every other byte is a
// malformed character of its own: it decodes as U+FFFD and covers exactly that byte, so
// that a walk over a text visits every byte once and never stops early.
#ifndef GLNAMELIST_CONTRACTS_TEXT_H_
#define GLNAMELIST_CONTRACTS_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace glnamelist::text {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// One character of a text: its code point and the bytes it takes.
struct Decoded {
  char32_t code;  // U+FFFD for a malformed byte
  size_t length;  // 1 to 4; 1 for a malformed byte
  bool valid;     // false for a malformed byte
};

// The bytes a character that starts with lead takes: 1 for ASCII and for a byte that
// starts no character.
inline size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 1;
}

// The character that starts at text[pos]; pos must be inside the text.
inline Decoded DecodeAt(std::string_view text, size_t pos) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(pos);
  if (lead < 0x80) return {lead, 1, true};
  size_t need = SequenceLength(lead) - 1;
  if (need == 0) return {kReplacementChar, 1, false};
  static constexpr unsigned char kLeadBits[] = {0, 0x1F, 0x0F, 0x07};
  char32_t code = lead & kLeadBits[need];
  if (text.size() - pos <= need) return {kReplacementChar, 1, false};
  for (size_t k = 1; k <= need; ++k) {
    unsigned char c = byte(pos + k);
    if ((c & 0xC0) != 0x80) return {kReplacementChar, 1, false};
    code = (code << 6) | (c & 0x3F);
  }
  static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (code < kLeast[need] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    return {kReplacementChar, 1, false};
  }
  return {code, need + 1, true};
}

// True when every character of text is well formed.
inline bool IsValidUtf8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    Decoded d = DecodeAt(text, pos);
    if (!d.valid) return false;
    pos += d.length;
  }
  return true;
}

// The number of characters in text.
inline size_t CharCount(std::string_view text) {
  size_t count = 0;
  for (size_t pos = 0; pos < text.size(); pos += DecodeAt(text, pos).length) ++count;
  return count;
}

// The byte offset of character number index (0-based), or the text's size past its end.
inline size_t OffsetOfChar(std::string_view text, size_t index) {
  size_t pos = 0;
  for (; index > 0 && pos < text.size(); --index) pos += DecodeAt(text, pos).length;
  return pos;
}

// The length of the longest prefix of text of at most max_bytes bytes that does not end
// inside a character.
inline size_t PrefixLength(std::string_view text, size_t max_bytes) {
  if (max_bytes >= text.size()) return text.size();
  size_t pos = 0;
  while (pos < max_bytes) {
    size_t n = DecodeAt(text, pos).length;
    if (pos + n > max_bytes) break;
    pos += n;
  }
  return pos;
}

// Appends the UTF-8 form of code to out; a surrogate or a value past U+10FFFF appends
// nothing.
inline void AppendUtf8(std::string& out, char32_t code) {
  auto put = [&](uint32_t b) { out += static_cast<char>(b); };
  if (code < 0x80) {
    put(code);
  } else if (code < 0x800) {
    put(0xC0 | (code >> 6));
    put(0x80 | (code & 0x3F));
  } else if (code >= 0xD800 && code <= 0xDFFF) {
    return;
  } else if (code < 0x10000) {
    put(0xE0 | (code >> 12));
    put(0x80 | ((code >> 6) & 0x3F));
    put(0x80 | (code & 0x3F));
  } else if (code <= 0x10FFFF) {
    put(0xF0 | (code >> 18));
    put(0x80 | ((code >> 12) & 0x3F));
    put(0x80 | ((code >> 6) & 0x3F));
    put(0x80 | (code & 0x3F));
  }
}

inline std::string EncodeUtf8(char32_t code) {
  std::string out;
  AppendUtf8(out, code);
  return out;
}

// text without the leading and trailing characters that occur in blanks.
inline std::string_view Trim(std::string_view text, std::string_view blanks = " ") {
  size_t begin = text.find_first_not_of(blanks);
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

}  // namespace glnamelist::text

#endif  // GLNAMELIST_CONTRACTS_TEXT_H_
