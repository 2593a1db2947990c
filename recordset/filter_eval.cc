#include "recordset/filter_eval.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "recordset/text_fold.h"

namespace glnamelist::recordset {
namespace {

// Below this many rows a contains pattern is scanned without building posting lists.
constexpr size_t kPostingsMinRows = 4096;

size_t SparseLimit(size_t rows) { return rows / 16 + 1; }

// The rows an index gives for one predicate: exactly its rows, or candidates to be checked.
struct IndexRows {
  RowSet rows;
  bool exact;
};

// A contains pattern: the rows holding its one code point, its one pair or its one ASCII
// triple exactly; for a longer pattern, the rows holding all of its triples (when it is
// ASCII) or pairs, to be checked.
IndexRows ContainsRows(const Table& table, const Predicate& p) {
  std::vector<int32_t> code_points;
  for (size_t pos = 0; pos < p.folded.size();) code_points.push_back(NextCodePoint(p.folded, pos));
  if (code_points.size() == 1) {
    const Postings& chars = table.PostingsOf(p.column, Postings::Keys::kChars);
    return {chars.Rows(CharKey(code_points[0])).Set(), true};
  }
  if (PhraseShaped(code_points)) {
    if (const Phrases* phrases = table.PhrasesUnlessBuilding(p.column)) {
      if (const RowSet* rows = phrases->Find(p.folded)) return {*rows, true};
    }
  }
  const bool ascii = std::all_of(code_points.begin(), code_points.end(), IsAscii);
  const size_t width = ascii && code_points.size() > 2 ? 3 : 2;
  const Postings& postings =
      table.PostingsOf(p.column, width == 3 ? Postings::Keys::kTriples : Postings::Keys::kPairs);
  std::vector<PostingList> lists;
  for (size_t i = width - 1; i < code_points.size(); ++i) {
    const int32_t* c = &code_points[i + 1 - width];
    lists.push_back(postings.Rows(width == 3 ? TripleKey(c[0], c[1], c[2]) : PairKey(c[0], c[1])));
  }
  std::sort(lists.begin(), lists.end(), [](auto a, auto b) { return a.size() < b.size(); });
  RowSet rows = lists[0].Set();
  for (size_t i = 1; i < lists.size() && rows.count() > 0; ++i) rows = rows.And(lists[i].Set());
  return {std::move(rows), lists.size() == 1};
}

// The rows whose folded text equals needle, or begins with it: a range of the text order.
RowSet TextRangeRows(const Table& table, size_t col, std::string_view needle, bool prefix) {
  const TextOrder& order = table.SortedByFoldedText(col);
  std::string scratch;
  auto folded = [&](size_t place) {
    const uint32_t r = order.At(place);
    if (r >= table.row_count()) ImageDamaged();
    return table.FoldedAt(col, r, scratch);
  };
  size_t lo = 0, hi = order.size();
  while (lo < hi) {  // the first place not below needle
    size_t mid = lo + (hi - lo) / 2;
    if (folded(mid) < needle) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  size_t end = order.size();
  for (size_t first = lo; first < end;) {  // the first place past the matches
    size_t mid = first + (end - first) / 2;
    std::string_view t = folded(mid);
    if (prefix ? t.starts_with(needle) : t == needle) {
      first = mid + 1;
    } else {
      end = mid;
    }
  }
  if (order.identity) return RowSet::Range(static_cast<uint32_t>(lo), static_cast<uint32_t>(end));
  std::vector<uint32_t> ids(order.rows.begin() + lo, order.rows.begin() + end);
  std::sort(ids.begin(), ids.end());
  return RowSet::FromIds(ids);
}

// The rows of a number test on a column of few values: a union of its values' rows.
RowSet SmallValueRows(const SmallValueSet& small, const Predicate& p) {
  RowSet rows;
  for (size_t i = 0; i < small.values.size(); ++i) {
    double v = static_cast<double>(small.values[i]);
    if (OpHolds(p.op, v < p.number ? -1 : v > p.number ? 1 : 0)) rows = rows.Or(small.rows[i]);
  }
  return rows;
}

std::optional<IndexRows> IndexOf(const Table& table, const Predicate& p) {
  bool text_equal = p.kind == PredicateKind::kTextOrder && p.op == CompareOp::kEqual;
  bool like = p.kind == PredicateKind::kTextLike;
  if (text_equal || (like && p.like == LikeKind::kExact)) {
    return IndexRows{TextRangeRows(table, p.column, p.folded, false), true};
  }
  if (like && p.like == LikeKind::kPrefix) {
    return IndexRows{TextRangeRows(table, p.column, p.folded, true), true};
  }
  // While another thread builds the posting lists, the column is scanned instead.
  if (like && p.like == LikeKind::kContains && !p.folded.empty() &&
      table.row_count() >= kPostingsMinRows &&
      table.PostingsUnlessBuilding(p.column, Postings::Keys::kChars)) {
    return ContainsRows(table, p);
  }
  if (p.kind == PredicateKind::kNumber) {
    if (const SmallValueSet* small = table.SmallValues(p.column)) {
      return IndexRows{SmallValueRows(*small, p), true};
    }
  }
  return std::nullopt;
}

template <class Test>
void FillBits(Bitmap& bits, size_t rows, Test test) {
  std::vector<uint64_t>& words = bits.words();
  for (size_t w = 0; w < words.size(); ++w) {
    size_t base = w * 64;
    size_t end = std::min<size_t>(64, rows - base);
    uint64_t word = 0;
    for (size_t j = 0; j < end; ++j) {
      word |= static_cast<uint64_t>(test(base + j)) << j;
    }
    words[w] = word;
  }
}

template <class Value>
void ScanNumbers(Value v, CompareOp op, double x, size_t rows, Bitmap& bits) {
  switch (op) {
    case CompareOp::kLess:
      return FillBits(bits, rows, [&](size_t i) { return v(i) < x; });
    case CompareOp::kGreater:
      return FillBits(bits, rows, [&](size_t i) { return v(i) > x; });
    case CompareOp::kLessEqual:
      return FillBits(bits, rows, [&](size_t i) { return v(i) <= x; });
    case CompareOp::kGreaterEqual:
      return FillBits(bits, rows, [&](size_t i) { return v(i) >= x; });
    case CompareOp::kNotEqual:
      return FillBits(bits, rows, [&](size_t i) { return v(i) != x && v(i) == v(i); });
    case CompareOp::kEqual:
    case CompareOp::kLike:
      return FillBits(bits, rows, [&](size_t i) { return v(i) == x; });
  }
}

// Finds the row holding byte `at`, moving forward from row (rows never move backwards):
// galloping, since the next hit is usually a few rows on.
uint32_t RowOfByte(const Array<uint32_t>& offsets, uint32_t row, size_t at) {
  if (at < offsets[row + 1]) return row;
  size_t lo = row + 1;  // offsets[lo] <= at
  size_t step = 1;
  size_t last = offsets.size() - 1;
  while (lo + step < last && offsets[lo + step] <= at) {
    lo += step;
    step *= 2;
  }
  size_t hi = std::min(lo + step, last);  // offsets[hi] > at, or hi is the end
  auto it = std::upper_bound(offsets.begin() + static_cast<std::ptrdiff_t>(lo),
                             offsets.begin() + static_cast<std::ptrdiff_t>(hi), at);
  return static_cast<uint32_t>(it - offsets.begin() - 1);
}

// Sets the rows whose text (folded already) contains needle (not empty), in one pass over the
// bytes: sixteen positions at a time are tested for the needle's first and last bytes, and
// only those candidates are compared in full.
void ScanContains(const TextData& text, std::string_view needle, Bitmap& bits) {
  const char* base = text.bytes.data();
  const size_t size = text.bytes.size();
  const size_t len = needle.size();
  if (len > size) return;
  const Array<uint32_t>& offsets = text.offsets;
  uint32_t row = 0;
  uint32_t last_set = UINT32_MAX;
  auto candidate = [&](size_t at) {
    if (std::memcmp(base + at, needle.data(), len) != 0) return;
    row = RowOfByte(offsets, row, at);
    if (row != last_set && at + len <= offsets[row + 1]) {
      bits.Set(row);
      last_set = row;
    }
  };
  const size_t last_start = size - len;  // the last position a match can start at
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i first = _mm_set1_epi8(needle.front());
  const __m128i last = _mm_set1_epi8(needle.back());
  for (; i + 16 <= last_start + 1; i += 16) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i + len - 1));
    auto mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
    while (mask != 0) {
      candidate(i + static_cast<size_t>(__builtin_ctz(mask)));
      mask &= mask - 1;
    }
  }
#endif
  for (; i <= last_start; ++i) {
    if (base[i] == needle.front()) candidate(i);
  }
}

void ClearNulls(const ColumnStore& col, Bitmap& bits) {
  for (size_t r = 0; r < col.nulls.size(); ++r) {
    if (col.nulls[r]) bits.Clear(static_cast<uint32_t>(r));
  }
}

// The rows satisfying p, found by a pass over its column.
RowSet ScanPredicate(const Table& table, const Predicate& p) {
  size_t rows = table.row_count();
  Bitmap bits(rows);
  const ColumnStore& col = table.column(p.column);
  if (p.kind == PredicateKind::kNumber) {
    if (col.type == ColumnType::kDouble) {
      ScanNumbers([&](size_t i) { return col.doubles[i]; }, p.op, p.number, rows, bits);
    } else {
      ScanNumbers([&](size_t i) { return static_cast<double>(col.ints[i]); }, p.op, p.number, rows,
                  bits);
    }
  } else if (p.kind == PredicateKind::kTextLike && p.like == LikeKind::kContains &&
             !p.folded.empty() && table.FoldsToItself(p.column)) {
    ScanContains(col.text, p.folded, bits);
  } else {
    FillBits(bits, rows, [&](size_t r) { return RowMatches(table, p, static_cast<uint32_t>(r)); });
  }
  ClearNulls(col, bits);
  return RowSet::FromBitmap(bits);
}

// The rows of candidates that satisfy p, checked one by one.
RowSet CheckRows(const Table& table, const Predicate& p, const RowSet& candidates) {
  std::vector<uint32_t> ids;
  // Checking a row mostly waits for its text to come from memory: the texts of later rows
  // are fetched ahead.
  const TextData* text =
      p.kind == PredicateKind::kTextLike ? &table.column(p.column).text : nullptr;
  RowSet::Reader reader(candidates);
  uint32_t buffer[64];
  while (size_t n = reader.Read(buffer, 64)) {
    if (text) {
      for (size_t k = 0; k < n; ++k)
        __builtin_prefetch(text->bytes.data() + text->offsets[buffer[k]]);
    }
    for (size_t k = 0; k < n; ++k) {
      if (RowMatches(table, p, buffer[k])) ids.push_back(buffer[k]);
    }
  }
  return RowSet::FromIds(ids);
}

// An AND-group: the exact index sets intersected, smallest first; then the candidates of
// the other index sets; the predicates left are checked on the rows found so far when they
// are few, and scanned for otherwise.
RowSet EvaluateGroup(const Table& table, const std::vector<Predicate>& group) {
  const size_t rows = table.row_count();
  std::vector<std::optional<IndexRows>> index;
  for (const Predicate& p : group) index.push_back(IndexOf(table, p));
  std::vector<size_t> order(group.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  auto rank = [&](size_t i) {
    // Exact sets first, then candidates, then the rest; smaller sets before larger ones.
    if (!index[i]) return std::pair<int, size_t>(2, 0);
    return std::pair<int, size_t>(index[i]->exact ? 0 : 1, index[i]->rows.count());
  };
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return rank(a) < rank(b); });
  std::optional<RowSet> found;
  std::vector<size_t> to_check;
  for (size_t i : order) {
    if (index[i]) {
      found = found ? found->And(index[i]->rows) : index[i]->rows;
      if (!index[i]->exact) to_check.push_back(i);
    } else {
      to_check.push_back(i);
    }
  }
  for (size_t i : to_check) {
    if (found && found->count() == 0) break;
    if (found && (index[i] || found->count() <= SparseLimit(rows))) {
      found = CheckRows(table, group[i], *found);
    } else {
      RowSet scanned = ScanPredicate(table, group[i]);
      found = found ? found->And(scanned) : scanned;
    }
  }
  return found ? *found : RowSet::Range(0, static_cast<uint32_t>(rows));
}

}  // namespace

RowSet EvaluateFilter(const Table& table, const CompiledFilter& filter) {
  if (const TablePatch* patch = table.patch()) {
    // A version's rows: its base's that it holds, then its own after them.
    const auto base_rows = static_cast<uint32_t>(patch->base->row_count());
    std::vector<uint32_t> added = EvaluateFilter(*patch->added, filter).Ids();
    for (uint32_t& r : added) r += base_rows;
    RowSet rows = EvaluateFilter(*patch->base, filter);
    if (rows.Intersects(patch->dead)) rows = rows.AndNot(patch->dead);
    return added.empty() ? rows : rows.Or(RowSet::FromIds(added));
  }
  std::optional<RowSet> rows;
  for (const std::vector<Predicate>& group : filter) {
    RowSet part = EvaluateGroup(table, group);
    rows = rows ? rows->Or(part) : std::move(part);
  }
  // Rows from structures read from an image are the table's only while the image fits it.
  if (rows && rows->count() > 0 && rows->Max() >= table.row_count()) ImageDamaged();
  return rows ? *rows : RowSet();
}

}  // namespace glnamelist::recordset
