#include "recordset/column_store.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace glnamelist::recordset {

void TextBuilder::Reserve(size_t rows, size_t bytes) {
  offsets_.reserve(rows + 1);
  bytes_.reserve(bytes);
}

void TextBuilder::Append(std::string_view text) {
  if (bytes_.size() + text.size() > std::numeric_limits<uint32_t>::max()) {
    throw Error(7, "Out of memory");
  }
  if (offsets_.size() == 0) offsets_.push_back(0);
  bytes_.append(text.data(), text.size());
  offsets_.push_back(static_cast<uint32_t>(bytes_.size()));
}

void TextBuilder::Truncate(size_t rows) {
  if (offsets_.size() == 0) return;
  offsets_.truncate(rows + 1);
  bytes_.truncate(offsets_[rows]);
}

TextData TextBuilder::Finish() {
  if (offsets_.size() == 0) offsets_.push_back(0);
  return TextData{bytes_.Finish(), offsets_.Finish()};
}

namespace {

int WidthOf(uint64_t range) {
  if (range == 0) return 0;
  if (range <= 0xFF) return 1;
  if (range <= 0xFFFF) return 2;
  if (range <= 0xFFFFFFFFu) return 4;
  return 8;
}

}  // namespace

template <class Int>
IntData IntData::Of(std::span<const Int> values) {
  // Of the lines with step 0 and step 1, the one whose distances need fewer bytes.
  int64_t best_base = 0, best_step = 0;
  int best_width = 9;
  for (int64_t step : {0, 1}) {
    int64_t low = 0, high = 0;
    bool fits = true;
    for (size_t r = 0; r < values.size() && fits; ++r) {
      int64_t d = 0;
      fits = !__builtin_sub_overflow(values[r], step * static_cast<int64_t>(r), &d);
      if (r == 0 || d < low) low = d;
      if (r == 0 || d > high) high = d;
    }
    if (!fits) continue;
    int width = WidthOf(static_cast<uint64_t>(high) - static_cast<uint64_t>(low));
    if (width < best_width) {
      best_width = width;
      best_base = low;
      best_step = step;
    }
  }
  PageArray<uint8_t> deltas;
  deltas.resize_for_overwrite(values.size() * static_cast<size_t>(best_width));
  for (size_t r = 0; r < values.size() && best_width > 0; ++r) {
    uint64_t d = static_cast<uint64_t>(values[r]) - static_cast<uint64_t>(best_base) -
                 static_cast<uint64_t>(best_step) * r;
    std::memcpy(deltas.data() + r * static_cast<size_t>(best_width), &d,
                static_cast<size_t>(best_width));  // little-endian: the low bytes
  }
  return IntData(best_base, best_step, best_width, deltas.Finish(), values.size());
}

void IntBuilder::reserve(size_t rows) {
  if (width_ == 1) narrow_.reserve(rows);
  if (width_ == 4) middle_.reserve(rows);
  if (width_ == 8) wide_.reserve(rows);
}

size_t IntBuilder::size() const {
  return width_ == 1 ? narrow_.size() : width_ == 4 ? middle_.size() : wide_.size();
}

void IntBuilder::truncate(size_t rows) {
  narrow_.truncate(rows);
  middle_.truncate(rows);
  wide_.truncate(rows);
}

void IntBuilder::Widen(int width) {
  const size_t rows = size();
  if (width == 4) {
    middle_.resize_for_overwrite(rows);
    std::copy(narrow_.data(), narrow_.data() + rows, middle_.data());
  } else {
    wide_.resize_for_overwrite(rows);
    if (width_ == 1) {
      std::copy(narrow_.data(), narrow_.data() + rows, wide_.data());
    } else {
      std::copy(middle_.data(), middle_.data() + rows, wide_.data());
    }
  }
  narrow_ = PageArray<int8_t>();
  if (width == 8) middle_ = PageArray<int32_t>();
  width_ = width;
}

IntData IntBuilder::Finish() {
  const size_t rows = size();
  IntData data = width_ == 1   ? IntData::Of(std::span<const int8_t>(narrow_.data(), rows))
                 : width_ == 4 ? IntData::Of(std::span<const int32_t>(middle_.data(), rows))
                               : IntData::Of(std::span<const int64_t>(wide_.data(), rows));
  *this = IntBuilder();
  return data;
}

int64_t IntData::operator[](size_t r) const {
  uint64_t v = static_cast<uint64_t>(base_) + static_cast<uint64_t>(step_) * r;
  const uint8_t* at = deltas_.data() + r * static_cast<size_t>(width_);
  switch (width_) {
    case 1:
      v += *at;
      break;
    case 2: {
      uint16_t d;
      std::memcpy(&d, at, sizeof d);
      v += d;
      break;
    }
    case 4: {
      uint32_t d;
      std::memcpy(&d, at, sizeof d);
      v += d;
      break;
    }
    case 8: {
      uint64_t d;
      std::memcpy(&d, at, sizeof d);
      v += d;
      break;
    }
    default:
      break;
  }
  return static_cast<int64_t>(v);
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

std::string ColumnStore::ValueText(size_t r) const { return Value(r).ToText(); }

void ColumnBuilder::Reserve(size_t rows) {
  switch (type) {
    case ColumnType::kInteger:
    case ColumnType::kBool:
      ints.reserve(rows);
      break;
    case ColumnType::kDouble:
      doubles.reserve(rows);
      break;
    case ColumnType::kText:
      text.Reserve(rows, 0);
      break;
  }
}

void ColumnBuilder::AppendNull(size_t rows) {
  if (nulls.size() == 0 && rows > 0) {
    nulls.resize_for_overwrite(rows);
    std::memset(nulls.data(), 0, rows);
  }
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

void ColumnBuilder::AppendValue(const Variant& value, size_t rows) {
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
  if (nulls.size() > 0) nulls.push_back(0);
}

void ColumnBuilder::AppendInt(int64_t value) {
  if (type != ColumnType::kInteger && type != ColumnType::kBool) {
    throw Error(errc::kTypeMismatch, "Type mismatch");
  }
  ints.push_back(type == ColumnType::kBool ? value != 0 : value);
  if (nulls.size() > 0) nulls.push_back(0);
}

void ColumnBuilder::AppendText(std::string_view value) {
  if (type != ColumnType::kText) throw Error(errc::kTypeMismatch, "Type mismatch");
  text.Append(value);
  if (nulls.size() > 0) nulls.push_back(0);
}

void ColumnBuilder::Truncate(size_t rows) {
  ints.truncate(rows);
  doubles.truncate(rows);
  if (type == ColumnType::kText) text.Truncate(rows);
  nulls.truncate(rows);
}

void ColumnBuilder::AppendFrom(const ColumnStore& source, size_t r, size_t rows) {
  if (source.IsNull(r)) return AppendNull(rows);
  switch (type) {
    case ColumnType::kInteger:
    case ColumnType::kBool:
      ints.push_back(source.ints[r]);
      break;
    case ColumnType::kDouble:
      doubles.push_back(source.doubles[r]);
      break;
    case ColumnType::kText:
      text.Append(source.text.At(r));
      break;
  }
  if (nulls.size() > 0) nulls.push_back(0);
}

ColumnStore ColumnBuilder::Finish() {
  ColumnStore store;
  store.name = std::move(name);
  store.type = type;
  if (type == ColumnType::kInteger || type == ColumnType::kBool) {
    store.ints = ints.Finish();
  }
  store.doubles = doubles.Finish();
  store.text = text.Finish();
  store.nulls = nulls.Finish();
  *this = ColumnBuilder();
  return store;
}

}  // namespace glnamelist::recordset
