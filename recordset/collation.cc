#include "recordset/collation.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>

#include "contracts/error.h"

namespace glnamelist::recordset {
namespace {

struct CollatorCloser {
  void operator()(UCollator* c) const { ucol_close(c); }
};

UCollator* ZhCollator() {
  static std::unique_ptr<UCollator, CollatorCloser> collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    UCollator* c = ucol_open("zh", &status);
    if (U_FAILURE(status)) throw Error(errc::kDataService, "The text collator is unavailable");
    return std::unique_ptr<UCollator, CollatorCloser>(c);
  }();
  return collator.get();
}

// Sort keys of every non-null row, back to back.
struct SortKeys {
  std::string bytes;
  std::vector<uint32_t> offsets{0};
  std::string_view At(size_t i) const {
    return std::string_view(bytes).substr(offsets[i], offsets[i + 1] - offsets[i]);
  }
};

void AppendSortKey(UCollator* collator, std::string_view text, std::u16string& utf16,
                   SortKeys& keys) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = 0;
  utf16.resize(text.size() + 1);
  u_strFromUTF8WithSub(utf16.data(), static_cast<int32_t>(utf16.size()), &length, text.data(),
                       static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) length = 0;
  size_t start = keys.bytes.size();
  int32_t room = static_cast<int32_t>(text.size()) * 4 + 16;
  for (;;) {
    keys.bytes.resize(start + static_cast<size_t>(room));
    int32_t need = ucol_getSortKey(collator, utf16.data(), length,
                                   reinterpret_cast<uint8_t*>(keys.bytes.data() + start), room);
    if (need <= room) {
      // The key ends with a zero byte, which is not needed for ordering.
      keys.bytes.resize(start + static_cast<size_t>(need > 0 ? need - 1 : 0));
      break;
    }
    room = need;
  }
  keys.offsets.push_back(static_cast<uint32_t>(keys.bytes.size()));
}

template <class Less, class Equal>
std::vector<uint32_t> RankBy(const ColumnStore& column, size_t rows, Less less, Equal equal) {
  std::vector<uint32_t> ids;
  ids.reserve(rows);
  for (uint32_t r = 0; r < rows; ++r) {
    if (!column.IsNull(r)) ids.push_back(r);
  }
  // Ledgers load their tables in code order: a column already in order needs no sort.
  if (!std::is_sorted(ids.begin(), ids.end(), less)) std::sort(ids.begin(), ids.end(), less);
  std::vector<uint32_t> ranks(rows, 0);
  uint32_t rank = 0;
  for (size_t i = 0; i < ids.size(); ++i) {
    if (i == 0 || !equal(ids[i - 1], ids[i])) ++rank;
    ranks[ids[i]] = rank;
  }
  return ranks;
}

// True when every text of the column is made of digits and "." only, as codes are. The
// collator orders such texts as their bytes are ordered, so they need no sort keys.
bool AllCodeLike(const ColumnStore& column) {
  return std::all_of(column.text.bytes.begin(), column.text.bytes.end(),
                     [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

std::vector<uint32_t> RankTexts(const ColumnStore& column, size_t rows) {
  if (AllCodeLike(column)) {
    return RankBy(
        column, rows, [&](uint32_t a, uint32_t b) { return column.text.At(a) < column.text.At(b); },
        [&](uint32_t a, uint32_t b) { return column.text.At(a) == column.text.At(b); });
  }
  UCollator* collator = ZhCollator();
  // keys are indexed by row; a null row gets an empty key that is never looked at.
  SortKeys keys;
  keys.bytes.reserve(column.text.bytes.size() * 3);
  keys.offsets.reserve(rows + 1);
  std::u16string utf16;
  for (size_t r = 0; r < rows; ++r) {
    if (column.IsNull(r)) {
      keys.offsets.push_back(static_cast<uint32_t>(keys.bytes.size()));
    } else {
      AppendSortKey(collator, column.text.At(r), utf16, keys);
    }
  }
  return RankBy(
      column, rows, [&](uint32_t a, uint32_t b) { return keys.At(a) < keys.At(b); },
      [&](uint32_t a, uint32_t b) { return keys.At(a) == keys.At(b); });
}

}  // namespace

std::vector<uint32_t> RankColumn(const ColumnStore& column, size_t rows) {
  switch (column.type) {
    case ColumnType::kText:
      return RankTexts(column, rows);
    case ColumnType::kDouble: {
      // NaN ranks above every number, so that the order stays a strict weak order.
      const auto& v = column.doubles;
      return RankBy(
          column, rows,
          [&](uint32_t a, uint32_t b) {
            return std::isnan(v[b]) ? !std::isnan(v[a]) : v[a] < v[b];
          },
          [&](uint32_t a, uint32_t b) {
            return v[a] == v[b] || (std::isnan(v[a]) && std::isnan(v[b]));
          });
    }
    case ColumnType::kInteger:
    case ColumnType::kBool:
      break;
  }
  const auto& v = column.ints;
  return RankBy(
      column, rows, [&](uint32_t a, uint32_t b) { return v[a] < v[b]; },
      [&](uint32_t a, uint32_t b) { return v[a] == v[b]; });
}

namespace {

bool CodeLike(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

template <class T>
int ThreeWay(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

int CompareRanked(const ColumnStore& a, size_t ra, const ColumnStore& b, size_t rb) {
  const bool a_null = a.IsNull(ra), b_null = b.IsNull(rb);
  if (a_null || b_null) return ThreeWay(!a_null, !b_null);
  switch (a.type) {
    case ColumnType::kText: {
      std::string_view x = a.text.At(ra), y = b.text.At(rb);
      if (x == y) return 0;
      // Codes are ranked by their bytes, as the collator would order them.
      if (CodeLike(x) && CodeLike(y)) return x < y ? -1 : 1;
      UErrorCode status = U_ZERO_ERROR;
      UCollationResult order =
          ucol_strcollUTF8(ZhCollator(), x.data(), static_cast<int32_t>(x.size()), y.data(),
                           static_cast<int32_t>(y.size()), &status);
      return order == UCOL_LESS ? -1 : order == UCOL_GREATER ? 1 : 0;
    }
    case ColumnType::kDouble: {
      const double x = a.doubles[ra], y = b.doubles[rb];
      if (std::isnan(x) || std::isnan(y)) return ThreeWay(std::isnan(x), std::isnan(y));
      return ThreeWay(x, y);
    }
    case ColumnType::kInteger:
    case ColumnType::kBool:
      break;
  }
  return ThreeWay(a.ints[ra], b.ints[rb]);
}

bool InRankOrder(const ColumnStore& column, size_t rows) {
  if (column.type != ColumnType::kText) return false;
  if (AllCodeLike(column)) {
    for (size_t r = 1; r < rows; ++r) {
      if (column.IsNull(r - 1)) continue;
      if (column.IsNull(r) || column.text.At(r) < column.text.At(r - 1)) return false;
    }
    return true;
  }
  UCollator* collator = ZhCollator();
  for (size_t r = 1; r < rows; ++r) {
    if (column.IsNull(r - 1)) continue;
    if (column.IsNull(r)) return false;
    std::string_view a = column.text.At(r - 1), b = column.text.At(r);
    UErrorCode status = U_ZERO_ERROR;
    if (a != b && ucol_strcollUTF8(collator, a.data(), static_cast<int32_t>(a.size()), b.data(),
                                   static_cast<int32_t>(b.size()), &status) == UCOL_GREATER) {
      return false;
    }
  }
  return true;
}

}  // namespace glnamelist::recordset
