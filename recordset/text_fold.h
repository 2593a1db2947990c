// UTF-8 helpers of the record-set engine: validation and simple case folding.
//
// Folding maps every code point through Unicode simple case folding, so that "ABC", "abc"
// and their full-width or Greek counterparts compare equal after folding. Bytes that are
// not valid UTF-8 are copied unchanged.
#ifndef GLNAMELIST_RECORDSET_TEXT_FOLD_H_
#define GLNAMELIST_RECORDSET_TEXT_FOLD_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace glnamelist::recordset {

// Appends the folded form of text to out.
void AppendFolded(std::string_view text, std::string& out);
std::string Folded(std::string_view text);
// Whether folding leaves text as it is.
bool FoldsToItself(std::string_view text);

// Decodes the code point starting at text[pos] and advances pos past it. An invalid byte
// yields its own value as a negative number and advances by one.
int32_t NextCodePoint(std::string_view text, size_t& pos);

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_TEXT_FOLD_H_
