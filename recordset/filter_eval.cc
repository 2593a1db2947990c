#include "recordset/filter_eval.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <span>

#include "recordset/text_fold.h"

namespace glnamelist::recordset {
namespace {

// Below this many rows a contains pattern is scanned without building posting lists.
constexpr size_t kPostingsMinRows = 4096;

// A set of candidate rows that an index yields for one predicate: ids in memory, or a
// posting list read as it is used.
struct IndexPath {
  std::span<const uint32_t> rows;
  bool exact;      // the rows are exactly the predicate's rows
  bool ascending;  // the rows are in ascending id order
  std::shared_ptr<const std::vector<uint32_t>> owned = nullptr;  // rows made for this path
  PostingList postings = {};                                     // when rows is not used

  size_t size() const { return rows.empty() ? postings.size() : rows.size(); }
  template <class F>
  void ForEach(F f) const {
    if (rows.empty()) return postings.ForEach(f);
    for (uint32_t r : rows) f(r);
  }
};

// The path of a posting list; exact when the list holds just the predicate's rows.
IndexPath PostingsPath(PostingList list, bool exact) {
  return IndexPath{{}, exact, true, nullptr, list};
}

size_t SparseLimit(size_t rows) { return rows / 16 + 1; }

// Up to how many candidates a path is cheaper than a scan. Exact ids in order are taken as
// they are when no other predicate is to be checked; otherwise each candidate is checked
// against the others (or sorted first), which passes over bitmaps beat once they are many.
size_t CandidateLimit(const IndexPath& path, size_t rows, bool alone) {
  if (path.ascending && path.exact) return alone ? rows / 4 + 1 : rows / 32 + 1;
  return SparseLimit(rows);
}

// A contains pattern: the rows holding its one code point, its one pair or its one ASCII
// triple exactly; for a longer pattern, the rows holding its two rarest triples (when it is
// ASCII) or pairs, to be checked.
IndexPath ContainsPath(const Table& table, const Predicate& p) {
  std::vector<int32_t> code_points;
  for (size_t pos = 0; pos < p.folded.size();) code_points.push_back(NextCodePoint(p.folded, pos));
  if (code_points.size() == 1) {
    const Postings& chars = table.PostingsOf(p.column, Postings::Keys::kChars);
    return PostingsPath(chars.Rows(CharKey(code_points[0])), true);
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
  if (lists.size() == 1 || lists[0].empty()) return PostingsPath(lists[0], true);
  // Intersecting pays only when the second list is not much longer than the first.
  if (lists[1].size() > 8 * lists[0].size()) return PostingsPath(lists[0], false);
  std::vector<uint32_t> first = lists[0].Ids(), second = lists[1].Ids();
  auto both = std::make_shared<std::vector<uint32_t>>();
  std::set_intersection(first.begin(), first.end(), second.begin(), second.end(),
                        std::back_inserter(*both));
  if (both->empty()) return PostingsPath({}, true);
  return IndexPath{*both, false, true, both};
}

std::span<const uint32_t> TextRange(const Table& table, size_t col, std::string_view needle,
                                    bool prefix) {
  const std::vector<uint32_t>& sorted = table.SortedByFoldedText(col);
  const TextData& folded = table.FoldedText(col);
  auto lo = std::lower_bound(sorted.begin(), sorted.end(), needle,
                             [&](uint32_t r, std::string_view n) { return folded.At(r) < n; });
  auto hi = std::partition_point(lo, sorted.end(), [&](uint32_t r) {
    std::string_view t = folded.At(r);
    return prefix ? t.starts_with(needle) : t == needle;
  });
  return std::span<const uint32_t>(sorted.data() + (lo - sorted.begin()),
                                   static_cast<size_t>(hi - lo));
}

std::optional<IndexPath> FindIndexPath(const Table& table, const Predicate& p) {
  bool text_equal = p.kind == PredicateKind::kTextOrder && p.op == CompareOp::kEqual;
  bool like = p.kind == PredicateKind::kTextLike;
  if (text_equal || (like && p.like == LikeKind::kExact)) {
    return IndexPath{TextRange(table, p.column, p.folded, false), true, false};
  }
  if (like && p.like == LikeKind::kPrefix) {
    return IndexPath{TextRange(table, p.column, p.folded, true), true, false};
  }
  if (like && p.like == LikeKind::kContains && !p.folded.empty() &&
      table.row_count() >= kPostingsMinRows) {
    return ContainsPath(table, p);
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

template <class T>
void ScanNumbers(const T* values, CompareOp op, double x, size_t rows, Bitmap& bits) {
  auto v = [&](size_t i) { return static_cast<double>(values[i]); };
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
uint32_t RowOfByte(const std::vector<uint32_t>& offsets, uint32_t row, size_t at) {
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

// Sets the rows whose folded text contains needle (not empty), in one pass over the bytes:
// sixteen positions at a time are tested for the needle's first and last bytes, and only
// those candidates are compared in full.
void ScanContains(const TextData& folded, std::string_view needle, Bitmap& bits) {
  const char* base = folded.bytes.data();
  const size_t size = folded.bytes.size();
  const size_t len = needle.size();
  if (len > size) return;
  const std::vector<uint32_t>& offsets = folded.offsets;
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

// The rows satisfying p, as a bitmap; path is p's index path, if any.
Bitmap ScanPredicate(const Table& table, const Predicate& p, const std::optional<IndexPath>& path) {
  size_t rows = table.row_count();
  Bitmap bits(rows);
  const ColumnStore& col = table.column(p.column);
  if (path && path->exact) {
    path->ForEach([&](uint32_t r) { bits.Set(r); });
    return bits;
  }
  if (p.kind == PredicateKind::kNumber) {
    if (const SmallValueSet* small = table.SmallValues(p.column)) {
      // A union of the rows of the values that satisfy the test; nulls are in none of them.
      for (size_t i = 0; i < small->values.size(); ++i) {
        double v = static_cast<double>(small->values[i]);
        if (OpHolds(p.op, v < p.number ? -1 : v > p.number ? 1 : 0)) bits.Or(small->rows[i]);
      }
      return bits;
    }
    if (col.type == ColumnType::kDouble) {
      ScanNumbers(col.doubles.data(), p.op, p.number, rows, bits);
    } else {
      ScanNumbers(col.ints.data(), p.op, p.number, rows, bits);
    }
  } else if (p.kind == PredicateKind::kTextLike && p.like == LikeKind::kContains &&
             !p.folded.empty()) {
    ScanContains(table.FoldedText(p.column), p.folded, bits);
  } else {
    FillBits(bits, rows, [&](size_t r) { return RowMatches(table, p, static_cast<uint32_t>(r)); });
  }
  ClearNulls(col, bits);
  return bits;
}

RowSet EvaluateFromCandidates(const Table& table, const std::vector<Predicate>& group,
                              size_t driver, const IndexPath& path) {
  std::vector<uint32_t> candidates;
  candidates.reserve(path.size());
  path.ForEach([&](uint32_t r) { candidates.push_back(r); });
  if (!path.ascending) std::sort(candidates.begin(), candidates.end());
  std::vector<uint32_t> ids;
  ids.reserve(candidates.size());
  // Checking a candidate mostly waits for its text to come from memory: the texts of later
  // candidates are fetched ahead, their offsets further ahead still.
  const TextData* text = nullptr;
  if (!path.exact && group[driver].kind == PredicateKind::kTextLike) {
    text = &table.FoldedText(group[driver].column);
  }
  constexpr size_t kAhead = 16;
  for (size_t k = 0; k < candidates.size(); ++k) {
    if (text && k + 2 * kAhead < candidates.size()) {
      __builtin_prefetch(&text->offsets[candidates[k + 2 * kAhead]]);
      __builtin_prefetch(text->bytes.data() + text->offsets[candidates[k + kAhead]]);
    }
    uint32_t r = candidates[k];
    bool ok = true;
    for (size_t i = 0; i < group.size() && ok; ++i) {
      if (i == driver && path.exact) continue;
      ok = RowMatches(table, group[i], r);
    }
    if (ok) ids.push_back(r);
  }
  return RowSet::FromIds(std::move(ids));
}

// Picks the predicate that starts the scan: one with an exact index, else a number test,
// else the first. paths[i] is the index path of group[i], if any.
size_t ScanDriver(const std::vector<Predicate>& group,
                  const std::vector<std::optional<IndexPath>>& paths) {
  for (size_t i = 0; i < group.size(); ++i) {
    if (paths[i] && paths[i]->exact) return i;
  }
  for (size_t i = 0; i < group.size(); ++i) {
    if (group[i].kind == PredicateKind::kNumber) return i;
  }
  return 0;
}

RowSet EvaluateGroup(const Table& table, const std::vector<Predicate>& group) {
  size_t rows = table.row_count();
  // Each predicate's path is worked out once: a long contains pattern intersects lists.
  std::vector<std::optional<IndexPath>> paths;
  std::optional<IndexPath> best;
  size_t best_index = 0;
  for (const Predicate& p : group) {
    const std::optional<IndexPath>& path = paths.emplace_back(FindIndexPath(table, p));
    if (path && (!best || path->size() < best->size())) {
      best = path;
      best_index = paths.size() - 1;
    }
  }
  if (best && best->size() <= CandidateLimit(*best, rows, group.size() == 1)) {
    return EvaluateFromCandidates(table, group, best_index, *best);
  }
  size_t driver = ScanDriver(group, paths);
  Bitmap bits = ScanPredicate(table, group[driver], paths[driver]);
  for (size_t i = 0; i < group.size(); ++i) {
    if (i == driver) continue;
    // A test of a column of few values is a union of its values' bitmaps: cheaper than
    // checking the rows one by one, however few.
    const bool few_values =
        group[i].kind == PredicateKind::kNumber && table.SmallValues(group[i].column) != nullptr;
    if (few_values || bits.Count() > SparseLimit(rows)) {
      bits.And(ScanPredicate(table, group[i], paths[i]));
    } else {
      bits.ForEach([&](uint32_t r) {
        if (!RowMatches(table, group[i], r)) bits.Clear(r);
      });
    }
  }
  return RowSet::FromBitmap(std::move(bits));
}

}  // namespace

RowSet EvaluateFilter(const Table& table, const CompiledFilter& filter) {
  size_t rows = table.row_count();
  std::vector<RowSet> parts;
  parts.reserve(filter.size());
  size_t total = 0;
  bool any_dense = false;
  for (const std::vector<Predicate>& group : filter) {
    parts.push_back(EvaluateGroup(table, group));
    total += parts.back().count;
    any_dense = any_dense || parts.back().dense;
  }
  if (parts.size() == 1) return std::move(parts.front());
  // A few small parts are merged as lists; anything bigger is joined in a bitmap.
  if (!any_dense && parts.size() <= 8 && total <= SparseLimit(rows)) {
    std::vector<uint32_t> merged;
    for (const RowSet& part : parts) {
      std::vector<uint32_t> next;
      next.reserve(merged.size() + part.ids.size());
      std::set_union(merged.begin(), merged.end(), part.ids.begin(), part.ids.end(),
                     std::back_inserter(next));
      merged = std::move(next);
    }
    return RowSet::FromIds(std::move(merged));
  }
  Bitmap bits(rows);
  for (const RowSet& part : parts) {
    if (part.dense) {
      bits.Or(part.bits);
    } else {
      for (uint32_t r : part.ids) bits.Set(r);
    }
  }
  return RowSet::FromBitmap(std::move(bits));
}

}  // namespace glnamelist::recordset
