// UTF-8 helpers of the platform: cutting text at character boundaries.
#ifndef GLNAMELIST_PLATFORM_UTF8_H_
#define GLNAMELIST_PLATFORM_UTF8_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace glnamelist::platform::utf8 {

// The length of the longest prefix of text of at most maxBytes bytes that does not end
// inside a character. A byte that cannot start or continue a character counts as one
// character of its own.
size_t PrefixLength(std::string_view text, size_t maxBytes);

// The number of bytes of the character starting at text[pos] (1 for an invalid byte).
size_t CharLength(std::string_view text, size_t pos);

// The byte offset of character number index (clamped to the end of the text).
size_t OffsetOfChar(std::string_view text, size_t index);
// The number of characters in text.
size_t CharCount(std::string_view text);

// The UTF-8 encoding of a code point; empty for a surrogate or a value beyond U+10FFFF.
std::string Encode(uint32_t codePoint);

}  // namespace glnamelist::platform::utf8

#endif  // GLNAMELIST_PLATFORM_UTF8_H_
