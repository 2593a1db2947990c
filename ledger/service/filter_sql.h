// A filter of the record-set engine as a condition of a query on the ledger file, written
// only where SQLite gives exactly the engine's answer: so that a list can be answered by the
// ledger's indexes while the whole set is being read, and never differently.
//
// What is written: integer fields compared with whole numbers; text fields matched by LIKE
// (whole, prefix, contains) or compared by = and <>, whose text has only characters that
// fold to nothing else and that nothing else folds to (digits, punctuation, CJK ideographs
// and kana, ...), or ASCII letters other than k and s, which SQLite's LIKE matches without
// regard to case as the engine does (K and S have other letters folding to them: the Kelvin
// sign, the long s). Anything else (ordering of texts, dates, a text against a number field,
// other letters) has no condition, and the caller asks the engine.
#ifndef GLNAMELIST_LEDGER_SERVICE_FILTER_SQL_H_
#define GLNAMELIST_LEDGER_SERVICE_FILTER_SQL_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "recordset/filter_parser.h"

namespace glnamelist::ledger {

// A field of a record set and the column of the table it is read from.
struct SqlField {
  std::string_view field;
  std::string_view column;
  bool text;  // a text column (else an integer one)
};

struct SqlCondition {
  std::string sql;                                         // empty: every row
  std::vector<std::variant<int64_t, std::string>> values;  // bound to ?1, ?2, ... in order
};

// The condition of a parsed filter whose clauses name fields by their index in fields;
// nothing when some clause cannot be written exactly.
std::optional<SqlCondition> ConditionOf(const recordset::OrOfAndGroups& groups,
                                        std::span<const SqlField> fields);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SERVICE_FILTER_SQL_H_
