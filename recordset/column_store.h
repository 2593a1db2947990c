// The stored values of one column of a table: typed arrays, no per-row objects. Integers
// take the width their values need; texts are stored back to back.
#ifndef GLNAMELIST_RECORDSET_COLUMN_STORE_H_
#define GLNAMELIST_RECORDSET_COLUMN_STORE_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/variant.h"
#include "recordset/array.h"
#include "recordset/page_array.h"
#include "recordset/table_builder.h"

namespace glnamelist::recordset {

// Texts stored back to back: row r is bytes[offsets[r], offsets[r + 1]).
struct TextData {
  Array<char> bytes;
  Array<uint32_t> offsets;  // one more than the rows

  std::string_view At(size_t r) const {
    return std::string_view(bytes.data() + offsets[r], offsets[r + 1] - offsets[r]);
  }
  std::string_view All() const { return std::string_view(bytes.data(), bytes.size()); }
};

// Texts being appended, to become a TextData.
class TextBuilder {
 public:
  void Reserve(size_t rows, size_t bytes);
  // Appends one text; Error 7 when the column would pass 4 GiB.
  void Append(std::string_view text);
  // Keeps the first `rows` texts only.
  void Truncate(size_t rows);
  TextData Finish();

 private:
  PageArray<char> bytes_;
  PageArray<uint32_t> offsets_;
};

// Integers stored as their distance from a line base + step * row (step 0 or 1), in 0, 1, 2,
// 4 or 8 bytes a row: ids counting up with the rows take no bytes, flags one.
class IntData {
 public:
  IntData() = default;
  IntData(int64_t base, int64_t step, int width, Array<uint8_t> deltas, size_t size)
      : base_(base), step_(step), width_(width), deltas_(std::move(deltas)), size_(size) {}
  template <class Int>
  static IntData Of(std::span<const Int> values);

  size_t size() const { return size_; }
  int64_t operator[](size_t r) const;

  int64_t base() const { return base_; }
  int64_t step() const { return step_; }
  int width() const { return width_; }
  const Array<uint8_t>& deltas() const { return deltas_; }

 private:
  int64_t base_ = 0;
  int64_t step_ = 0;
  int width_ = 0;
  Array<uint8_t> deltas_;
  size_t size_ = 0;
};

// Integers being appended, to become an IntData: held in the fewest bytes a row (1, 4 or 8)
// their values so far need, widened when one needs more, so that a column of flags or of
// small ids fills a fraction of what its values would at full width while it is built.
class IntBuilder {
 public:
  void reserve(size_t rows);
  void push_back(int64_t value) {
    if (width_ == 1 && value == static_cast<int8_t>(value)) {
      narrow_.push_back(static_cast<int8_t>(value));
    } else if (width_ <= 4 && value == static_cast<int32_t>(value)) {
      if (width_ == 1) Widen(4);
      middle_.push_back(static_cast<int32_t>(value));
    } else {
      if (width_ < 8) Widen(8);
      wide_.push_back(value);
    }
  }
  // Keeps the first `rows` values only.
  void truncate(size_t rows);
  size_t size() const;
  IntData Finish();

 private:
  void Widen(int width);

  int width_ = 1;
  PageArray<int8_t> narrow_;
  PageArray<int32_t> middle_;
  PageArray<int64_t> wide_;
};

struct ColumnStore {
  std::string name;
  ColumnType type = ColumnType::kText;
  IntData ints;           // kInteger, and kBool as 0 or 1
  Array<double> doubles;  // kDouble
  TextData text;          // kText
  Array<uint8_t> nulls;   // 1 marks a null row; empty while no row is null

  bool IsNull(size_t r) const { return !nulls.empty() && nulls[r] != 0; }
  // The value of row r as a Variant: Int64, Bool, Double, Text or Null.
  Variant Value(size_t r) const;
  // The value of a non-null row r in the text form a comparison with a pattern uses.
  std::string ValueText(size_t r) const;
};

// A column being filled row by row, to become a ColumnStore.
struct ColumnBuilder {
  std::string name;
  ColumnType type = ColumnType::kText;
  IntBuilder ints;
  PageArray<double> doubles;
  TextBuilder text;
  PageArray<uint8_t> nulls;  // empty while no row is null

  void Reserve(size_t rows);
  // Appends a null to a column that already holds `rows` rows.
  void AppendNull(size_t rows);
  // Appends a value converted to the column's type (Error 13 when it does not convert).
  void AppendValue(const Variant& value, size_t rows);
  // Appends a value of the column's own kind: an integer to an integer or Boolean column
  // (a Boolean stores whether it is not 0), a text to a text column.
  void AppendInt(int64_t value);
  void AppendText(std::string_view value);
  // Appends row r of a column of the same type.
  void AppendFrom(const ColumnStore& source, size_t r, size_t rows);
  // Keeps the first `rows` rows only.
  void Truncate(size_t rows);
  ColumnStore Finish();
};

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_COLUMN_STORE_H_
