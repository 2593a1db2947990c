// LIKE patterns: "*" and "%" are wildcards, allowed at the end or at both ends only;
// "[x]" is the literal character x. Anything else is refused with Error 3001.
#ifndef GLNAMELIST_RECORDSET_LIKE_PATTERN_H_
#define GLNAMELIST_RECORDSET_LIKE_PATTERN_H_

#include <string>
#include <string_view>

namespace glnamelist::recordset {

enum class LikeKind {
  kExact,     // no wildcard: the whole text
  kPrefix,    // wildcard at the end: the text begins with the literal
  kContains,  // wildcards at both ends: the text contains the literal
};

struct LikePattern {
  LikeKind kind;
  std::string literal;  // wildcards and brackets removed, not yet folded
};

LikePattern ParseLikePattern(std::string_view pattern);

// Whether folded_text matches a pattern whose literal is already folded.
bool MatchesLike(LikeKind kind, std::string_view folded_literal, std::string_view folded_text);

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_LIKE_PATTERN_H_
