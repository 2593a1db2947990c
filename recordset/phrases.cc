#include "recordset/phrases.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>

#include "recordset/text_fold.h"

namespace glnamelist::recordset {
namespace {

uint64_t HashBytes(std::string_view s) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : s) h = (h ^ c) * 0x100000001b3ull;
  return h ^ (h >> 31);
}

// How many rows hold each phrase (by the hash of its bytes), a row counting once.
class RowCounts {
 public:
  void Add(uint64_t key, uint32_t row) {
    if (2 * (used_ + 1) > entries_.size()) Grow();
    const size_t mask = entries_.size() - 1;
    for (size_t at = (key * 0x9E3779B97F4A7C15ull) >> 17 & mask;; at = (at + 1) & mask) {
      Entry& e = entries_[at];
      if (e.count == 0) {
        e = {key, 1, row};
        ++used_;
        return;
      }
      if (e.key == key) {
        if (e.last_row != row) ++e.count, e.last_row = row;
        return;
      }
    }
  }
  // The keys held by at least min_rows rows.
  std::unordered_set<uint64_t> AtLeast(size_t min_rows) const {
    std::unordered_set<uint64_t> out;
    for (const Entry& e : entries_) {
      if (e.count >= min_rows) out.insert(e.key);
    }
    return out;
  }

 private:
  struct Entry {
    uint64_t key = 0;
    uint32_t count = 0;
    uint32_t last_row = 0;
  };
  void Grow() {
    std::vector<Entry> old = std::move(entries_);
    entries_.assign(std::max<size_t>(4096, old.size() * 2), Entry{});
    used_ = 0;
    const size_t mask = entries_.size() - 1;
    for (const Entry& e : old) {
      if (e.count == 0) continue;
      size_t at = (e.key * 0x9E3779B97F4A7C15ull) >> 17 & mask;
      while (entries_[at].count != 0) at = (at + 1) & mask;
      entries_[at] = e;
      ++used_;
    }
  }

  std::vector<Entry> entries_;
  size_t used_ = 0;
};

// The texts' code points, a row at a time, each place numbered across all rows.
class Places {
 public:
  // Folded texts are folded once, for every level to read.
  Places(const TextData& text, bool fold) : text_(text), fold_(fold) {
    const size_t rows = text_.offsets.size() - 1;
    firsts_.reserve(rows + 1);
    if (fold_) folded_ends_.reserve(rows);
    uint64_t total = 0;
    for (uint32_t r = 0; r < rows; ++r) {
      firsts_.push_back(total);
      std::string_view t = text_.At(r);
      if (fold_) {
        AppendFolded(t, folded_);
        folded_ends_.push_back(folded_.size());
        t = Text(r);
      }
      for (size_t pos = 0; pos < t.size(); ++total) NextCodePoint(t, pos);
    }
    firsts_.push_back(total);
  }
  uint64_t total() const { return firsts_.back(); }
  uint32_t rows() const { return static_cast<uint32_t>(firsts_.size() - 1); }

  // each(row, text, starts, cps, first) for each of rows: starts[i] is where code point i
  // begins in text (starts[n] its end), first the number of the row's first place.
  template <class Each>
  void ForRows(const std::vector<uint32_t>& rows, Each each) {
    for (uint32_t r : rows) {
      std::string_view t = Text(r);
      starts_.clear();
      cps_.clear();
      for (size_t pos = 0; pos < t.size();) {
        starts_.push_back(pos);
        cps_.push_back(NextCodePoint(t, pos));
      }
      starts_.push_back(t.size());
      each(r, t, starts_, cps_, firsts_[r]);
    }
  }

 private:
  std::string_view Text(uint32_t r) const {
    if (!fold_) return text_.At(r);
    const size_t start = r == 0 ? 0 : folded_ends_[r - 1];
    return std::string_view(folded_).substr(start, folded_ends_[r] - start);
  }

  const TextData& text_;
  bool fold_;
  std::string folded_;               // every text folded, one after the other
  std::vector<size_t> folded_ends_;  // where each ends in folded_
  std::vector<uint64_t> firsts_;
  std::vector<size_t> starts_;
  std::vector<int32_t> cps_;
};

class Marks {
 public:
  explicit Marks(size_t n) : words_((n + 64) / 64) {}
  void Set(size_t i) { words_[i >> 6] |= uint64_t{1} << (i & 63); }
  bool Test(size_t i) const { return (words_[i >> 6] >> (i & 63)) & 1; }

 private:
  std::vector<uint64_t> words_;
};

// The rows of one frequent phrase being written down; text is the phrase's own (the first
// place that hashed to it), so that another text of the same hash is never taken for it.
struct Found {
  std::string text;
  std::vector<uint32_t> rows;
};

}  // namespace

size_t Phrases::MinRows(size_t rows) { return std::max<size_t>(16, rows / 128); }

bool PhraseShaped(const std::vector<int32_t>& code_points) {
  const size_t n = code_points.size();
  if (n < 3 || n > Phrases::kMaxLength) return false;
  return n > 3 || !std::all_of(code_points.begin(), code_points.end(), IsAscii);
}

std::unique_ptr<Phrases> Phrases::Build(const TextData& text, bool fold, const Postings& pairs,
                                        size_t min_rows) {
  auto out = std::make_unique<Phrases>();
  const Postings::Parts& parts = pairs.parts();
  std::unordered_set<uint64_t> frequent_pairs;
  for (size_t s = 0; s < parts.counts.size(); ++s) {
    if (parts.counts[s] < min_rows) continue;
    frequent_pairs.insert(s < kDirectKeys ? s : parts.hashed_keys[s - kDirectKeys]);
  }
  if (frequent_pairs.empty()) return out;
  Places places(text, fold);
  // Level 2: where a frequent pair starts. Each level then reads only the rows where the
  // level before found something.
  Marks marks(places.total());
  std::vector<uint32_t> active;
  {
    std::vector<uint32_t> all(places.rows());
    for (uint32_t r = 0; r < all.size(); ++r) all[r] = r;
    places.ForRows(all, [&](uint32_t r, std::string_view, auto&, auto& cps, uint64_t first) {
      for (size_t i = 0; i + 1 < cps.size(); ++i) {
        if (!frequent_pairs.count(PairKey(cps[i], cps[i + 1]))) continue;
        marks.Set(first + i);
        if (active.empty() || active.back() != r) active.push_back(r);
      }
    });
  }
  std::unordered_map<uint64_t, Found> found;
  for (size_t len = 3; len <= kMaxLength && !active.empty(); ++len) {
    // The places where a phrase of len may be frequent, and the bytes there.
    auto each_place = [&](auto f) {
      places.ForRows(active,
                     [&](uint32_t r, std::string_view t, auto& starts, auto& cps, uint64_t first) {
                       for (size_t i = 0; i + len <= cps.size(); ++i) {
                         if (!marks.Test(first + i) || !marks.Test(first + i + 1)) continue;
                         f(r, t.substr(starts[i], starts[i + len] - starts[i]), cps, i, first);
                       }
                     });
    };
    RowCounts counts;
    each_place([&](uint32_t r, std::string_view bytes, auto&, size_t, uint64_t) {
      counts.Add(HashBytes(bytes), r);
    });
    const std::unordered_set<uint64_t> frequent = counts.AtLeast(min_rows);
    if (frequent.empty()) break;
    Marks next(places.total());
    std::vector<uint32_t> next_active;
    each_place([&](uint32_t r, std::string_view bytes, auto& cps, size_t i, uint64_t first) {
      const uint64_t h = HashBytes(bytes);
      if (!frequent.count(h)) return;
      next.Set(first + i);
      if (next_active.empty() || next_active.back() != r) next_active.push_back(r);
      if (len == 3 && IsAscii(cps[i]) && IsAscii(cps[i + 1]) && IsAscii(cps[i + 2])) return;
      Found& f = found[h];
      if (f.text.empty()) f.text = bytes;
      if (f.text != bytes) return;
      if (f.rows.empty() || f.rows.back() != r) f.rows.push_back(r);
    });
    marks = std::move(next);
    active = std::move(next_active);
  }
  for (auto& [h, f] : found) {
    out->phrases_.emplace_back(std::move(f.text), RowSet::FromIds(f.rows));
    f.rows = {};
  }
  std::sort(out->phrases_.begin(), out->phrases_.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  out->ShareEqualSets();
  return out;
}

// A phrase is in every row that holds a longer phrase containing it; when it is in no other
// row (their counts agree: 有限公 wherever 有限公司 is), the two share one set. The longest
// phrases come first, so that a chain of them ends up sharing the longest one's set.
void Phrases::ShareEqualSets() {
  std::unordered_map<std::string_view, size_t> at;
  std::vector<std::pair<size_t, size_t>> by_length;  // (code points, index)
  for (size_t i = 0; i < phrases_.size(); ++i) {
    const std::string& t = phrases_[i].first;
    at.emplace(t, i);
    size_t n = 0;
    for (size_t pos = 0; pos < t.size(); ++n) NextCodePoint(t, pos);
    by_length.emplace_back(n, i);
  }
  std::sort(by_length.rbegin(), by_length.rend());
  for (const auto& [n, i] : by_length) {
    const std::string_view t = phrases_[i].first;
    size_t second = 0, last = 0;
    NextCodePoint(t, second);
    for (size_t pos = 0; pos < t.size();) last = pos, NextCodePoint(t, pos);
    for (std::string_view part : {t.substr(second), t.substr(0, last)}) {
      auto it = at.find(part);
      if (it != at.end() && phrases_[it->second].second.count() == phrases_[i].second.count()) {
        phrases_[it->second].second = phrases_[i].second;
      }
    }
  }
}

const RowSet* Phrases::Find(std::string_view folded) const {
  auto it = std::lower_bound(phrases_.begin(), phrases_.end(), folded,
                             [](const auto& p, std::string_view t) { return p.first < t; });
  return it != phrases_.end() && it->first == folded ? &it->second : nullptr;
}

}  // namespace glnamelist::recordset
