#include "recordset/like_pattern.h"

#include <cstring>
#include <vector>

#include "recordset/filter_parser.h"
#include "recordset/text_fold.h"

namespace glnamelist::recordset {
namespace {

bool IsWildcard(char c) { return c == '*' || c == '%'; }

}  // namespace

LikePattern ParseLikePattern(std::string_view pattern) {
  // Positions (in the literal) of the unescaped wildcards seen, as a leading flag and a
  // trailing flag; a wildcard anywhere else is refused.
  std::string literal;
  bool leading = false;
  bool trailing = false;
  size_t pos = 0;
  while (pos < pattern.size()) {
    char c = pattern[pos];
    if (IsWildcard(c)) {
      if (trailing) RefuseArgument();  // something followed an earlier wildcard
      if (pos == 0 && pattern.size() > 1) {
        leading = true;
      } else {
        trailing = true;
      }
      ++pos;
      continue;
    }
    if (trailing) RefuseArgument();  // a wildcard in the middle
    if (c == '[') {
      size_t start = pos + 1;
      if (start >= pattern.size()) RefuseArgument();
      size_t after = start;
      NextCodePoint(pattern, after);
      if (after >= pattern.size() || pattern[after] != ']') RefuseArgument();
      literal.append(pattern.substr(start, after - start));
      pos = after + 1;
      continue;
    }
    size_t start = pos;
    NextCodePoint(pattern, pos);
    literal.append(pattern.substr(start, pos - start));
  }
  if (leading && !trailing) RefuseArgument();
  LikeKind kind = leading ? LikeKind::kContains : trailing ? LikeKind::kPrefix : LikeKind::kExact;
  return LikePattern{kind, std::move(literal)};
}

namespace {

// Whether text holds needle (not empty). Names are short: a plain loop over the text beats
// the set-up of a vectorised search.
bool ShortTextContains(std::string_view text, std::string_view needle) {
  if (needle.size() > text.size()) return false;
  const char* t = text.data();
  const char* rest = needle.data() + 1;
  const size_t rest_size = needle.size() - 1;
  const char first = needle.front();
  for (const char* end = t + (text.size() - needle.size()); t <= end; ++t) {
    if (*t == first && std::memcmp(t + 1, rest, rest_size) == 0) return true;
  }
  return false;
}

}  // namespace

bool MatchesLike(LikeKind kind, std::string_view folded_literal, std::string_view folded_text) {
  switch (kind) {
    case LikeKind::kExact:
      return folded_text == folded_literal;
    case LikeKind::kPrefix:
      return folded_text.starts_with(folded_literal);
    case LikeKind::kContains:
      return folded_literal.empty() || ShortTextContains(folded_text, folded_literal);
  }
  return false;
}

}  // namespace glnamelist::recordset
