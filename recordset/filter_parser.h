// Parsing filter expressions.
//
//   expression := group { OR group }
//   group      := term { AND term }
//   term       := clause | "(" expression ")"
//   clause     := field operator value
//   field      := name | "[" any text but "]" "]"
//   operator   := < | > | <= | >= | <> | = | LIKE
//   value      := 'text' (a quote inside doubled) | #text# | number
//
// Keywords are matched without regard to case; white space is free between tokens. The
// result is an OR of AND-groups: a parenthesised OR may not be joined to anything by AND.
// Refused texts raise Error 3001; a field the table lacks raises Error 3265.
#ifndef GLNAMELIST_RECORDSET_FILTER_PARSER_H_
#define GLNAMELIST_RECORDSET_FILTER_PARSER_H_

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace glnamelist::recordset {

enum class CompareOp { kLess, kGreater, kLessEqual, kGreaterEqual, kNotEqual, kEqual, kLike };

enum class ValueKind { kText, kDate, kNumber };

struct Clause {
  size_t column;
  CompareOp op;
  ValueKind kind;
  std::string text;   // the value as written, quotes undone (kText, kDate) or the digits
  double number = 0;  // kNumber
};

using AndGroup = std::vector<Clause>;
using OrOfAndGroups = std::vector<AndGroup>;

// Maps a field name to its column index; returns -1 for an unknown name.
using ColumnLookup = std::function<int(std::string_view)>;

OrOfAndGroups ParseFilter(std::string_view text, const ColumnLookup& lookup);

// Raises Error 3001 (the refused-argument error every parser of this folder uses).
[[noreturn]] void RefuseArgument();
// Raises Error 3265 (unknown field).
[[noreturn]] void UnknownField();

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_FILTER_PARSER_H_
