#include "recordset/column_store.h"

#include <limits>

namespace glnamelist::recordset {

void TextData::Append(std::string_view text) {
  if (bytes.size() + text.size() > std::numeric_limits<uint32_t>::max()) {
    throw Error(7, "Out of memory");
  }
  bytes.append(text);
  offsets.push_back(static_cast<uint32_t>(bytes.size()));
}

Variant ColumnStore::Value(size_t r) const {
  if (IsNull(r)) return Variant(Null{});
  switch (type) {
    case ColumnType::kInteger:
      return Variant(static_cast<long long>(ints[r]));
    case ColumnType::kBool:
      return Variant(ints[r] != 0);
    case ColumnType::kDouble:
      return Variant(doubles[r]);
    case ColumnType::kText:
      return Variant(text.At(r));
  }
  return Variant(Null{});
}

std::string ColumnStore::ValueText(size_t r) const {
  if (type == ColumnType::kText) return std::string(text.At(r));
  return Value(r).ToText();
}

void ColumnStore::AppendNull(size_t rows) {
  if (nulls.empty()) nulls.assign(rows, 0);
  nulls.push_back(1);
  switch (type) {
    case ColumnType::kInteger:
    case ColumnType::kBool:
      ints.push_back(0);
      break;
    case ColumnType::kDouble:
      doubles.push_back(0);
      break;
    case ColumnType::kText:
      text.Append({});
      break;
  }
}

void ColumnStore::AppendValue(const Variant& value, size_t rows) {
  if (value.IsNull() || value.IsEmpty()) {
    AppendNull(rows);
    return;
  }
  // Convert first, so that a failed conversion leaves the column as it was.
  switch (type) {
    case ColumnType::kInteger:
      ints.push_back(value.ToLong());
      break;
    case ColumnType::kBool:
      ints.push_back(value.ToBool() ? 1 : 0);
      break;
    case ColumnType::kDouble:
      doubles.push_back(value.ToDouble());
      break;
    case ColumnType::kText:
      text.Append(value.ToText());
      break;
  }
  if (!nulls.empty()) nulls.push_back(0);
}

}  // namespace glnamelist::recordset
