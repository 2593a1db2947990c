// A filter clause bound to a table column, with its value converted once to the column's
// terms, and the test of one row against it.
#ifndef GLNAMELIST_RECORDSET_PREDICATE_H_
#define GLNAMELIST_RECORDSET_PREDICATE_H_

#include <string>
#include <vector>

#include "recordset/filter_parser.h"
#include "recordset/like_pattern.h"
#include "recordset/table_data.h"

namespace glnamelist::recordset {

enum class PredicateKind {
  kNumber,      // a number column compared with a number
  kTextOrder,   // a text column compared (< > <= >= <> =) with a text, without regard to case
  kTextNumber,  // a text column compared with a number: rows whose text is a number
  kTextLike,    // a text column matched by a LIKE pattern
  kValueLike,   // a number column matched by a LIKE pattern on its text form
};

struct Predicate {
  PredicateKind kind;
  size_t column;
  CompareOp op;
  double number = 0;  // kNumber, kTextNumber
  LikeKind like = LikeKind::kExact;
  std::string folded;  // kTextOrder, kTextLike, kValueLike: the folded value or literal
};

using CompiledFilter = std::vector<std::vector<Predicate>>;

// Binds parsed clauses to the table. Error 3001 for a value that cannot be compared with
// its column (a non-numeric text against a number column) or a malformed LIKE pattern.
CompiledFilter CompileFilter(const Table& table, const OrOfAndGroups& groups);

// Whether row satisfies p. A null field satisfies nothing.
bool RowMatches(const Table& table, const Predicate& p, uint32_t row);

// Applies op to a three-way comparison result (negative, zero, positive).
inline bool OpHolds(CompareOp op, int order) {
  switch (op) {
    case CompareOp::kLess:
      return order < 0;
    case CompareOp::kGreater:
      return order > 0;
    case CompareOp::kLessEqual:
      return order <= 0;
    case CompareOp::kGreaterEqual:
      return order >= 0;
    case CompareOp::kNotEqual:
      return order != 0;
    case CompareOp::kEqual:
    case CompareOp::kLike:
      return order == 0;
  }
  return false;
}

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_PREDICATE_H_
