// The stored values of one column of a table: typed arrays, no per-row objects.
#ifndef GLNAMELIST_RECORDSET_COLUMN_STORE_H_
#define GLNAMELIST_RECORDSET_COLUMN_STORE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/variant.h"
#include "recordset/table.h"

namespace glnamelist::recordset {

// Texts stored back to back: row r is bytes[offsets[r], offsets[r + 1]).
struct TextData {
  std::string bytes;
  std::vector<uint32_t> offsets{0};

  std::string_view At(size_t r) const {
    return std::string_view(bytes).substr(offsets[r], offsets[r + 1] - offsets[r]);
  }
  // Appends one text; Error 7 when the column would pass 4 GiB.
  void Append(std::string_view text);
};

struct ColumnStore {
  std::string name;
  ColumnType type = ColumnType::kText;
  std::vector<int64_t> ints;    // kInteger, and kBool as 0 or 1
  std::vector<double> doubles;  // kDouble
  TextData text;                // kText
  std::vector<uint8_t> nulls;   // 1 marks a null row; empty while no row is null

  bool IsNull(size_t r) const { return !nulls.empty() && nulls[r] != 0; }
  // The value of row r as a Variant: Int64, Bool, Double, Text or Null.
  Variant Value(size_t r) const;
  // The value of a non-null row r in the text form a comparison with a pattern uses.
  std::string ValueText(size_t r) const;
  // Appends a null to a column that already holds `rows` rows.
  void AppendNull(size_t rows);
  // Appends a value converted to the column's type (Error 13 when it does not convert).
  void AppendValue(const Variant& value, size_t rows);
};

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_COLUMN_STORE_H_
