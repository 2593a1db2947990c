// Terminal text measuring: UTF-8 decoding, display widths of characters as a terminal
// shows them (Chinese characters take two columns), clipping to a width.
#ifndef GLNAMELIST_TUI_TEXT_H_
#define GLNAMELIST_TUI_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace glnamelist::tui {

// One decoded character and where its bytes lie in the text.
struct Glyph {
  char32_t code;
  size_t offset;  // first byte
  size_t length;  // number of bytes
};

// The characters of text. A malformed byte becomes U+FFFD covering that one byte, so every
// byte belongs to exactly one glyph.
std::vector<Glyph> DecodeUtf8(std::string_view text);

// Columns the character takes on a terminal: 0 for control and combining characters, 2 for
// wide East Asian characters, 1 otherwise.
int CharWidth(char32_t code);

// Columns the whole text takes.
int TextWidth(std::string_view text);
// The columns text takes, but at most cap: only what fits into cap columns is decoded.
int WidthUpTo(std::string_view text, int cap);

// What a text of any length can show in width columns is found in its first bytes (at most
// kBytesPerColumn a column, for characters with marks on them): the functions below decode
// no more of a text than that, however long it is.
inline constexpr size_t kBytesPerColumn = 16;

// The longest leading part of text that fits into width columns (never half a character).
std::string ClipToWidth(std::string_view text, int width);

// text as it is when it fits into width columns; otherwise cut to leave room for a closing
// "…", which shows that something was cut.
std::string FitToWidth(std::string_view text, int width);

// FitToWidth of Printable(text), made printable only as far as width columns can show.
std::string FitPrintable(std::string_view text, int width);

// text broken into lines of at most width columns (at least one character each).
std::vector<std::string> WrapToWidth(std::string_view text, int width);

// text clipped to width and padded with spaces to exactly width columns.
std::string PadToWidth(std::string_view text, int width);

// Printable text: control characters (including line breaks and tabs) become spaces.
std::string Printable(std::string_view text);

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_TUI_TEXT_H_
