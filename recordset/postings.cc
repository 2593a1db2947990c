#include "recordset/postings.h"

#include <algorithm>

#include "contracts/error.h"
#include "recordset/text_fold.h"

namespace glnamelist::recordset {

template <bool kCreate, class Emit>
void Postings::ForEachSlot(std::string_view text, Emit emit) {
  auto slot = [&](uint64_t key) -> uint32_t {
    if (key < kDirectKeys) return static_cast<uint32_t>(key);
    if constexpr (kCreate) {
      uint32_t next = static_cast<uint32_t>(kDirectKeys + hashed_slots_.size());
      return hashed_slots_.try_emplace(key, next).first->second;
    } else {
      return hashed_slots_.find(key)->second;
    }
  };
  int32_t previous = 0, before = 0;
  for (size_t pos = 0, n = 0; pos < text.size(); ++n) {
    int32_t cp = NextCodePoint(text, pos);
    if (keys_ == Keys::kChars) {
      emit(slot(CharKey(cp)));
    } else if (keys_ == Keys::kPairs) {
      if (n > 0) emit(slot(PairKey(previous, cp)));
    } else if (n > 1 && IsAscii(before) && IsAscii(previous) && IsAscii(cp)) {
      emit(slot(TripleKey(before, previous, cp)));
    }
    before = previous;
    previous = cp;
  }
}

namespace {

int GapBytes(uint32_t gap) {
  int bytes = 1;
  for (; gap >= 0x80; gap >>= 7) ++bytes;
  return bytes;
}

}  // namespace

std::vector<uint32_t> PostingList::Ids() const {
  std::vector<uint32_t> ids;
  ids.reserve(count_);
  ForEach([&](uint32_t r) { ids.push_back(r); });
  return ids;
}

Postings::Postings(const TextData& folded, Keys keys) : keys_(keys) {
  const size_t rows = folded.offsets.size() - 1;
  std::vector<uint64_t> sizes(kDirectKeys, 0);  // bytes of each slot's list
  std::vector<uint32_t> last_row(kDirectKeys, UINT32_MAX);
  counts_.assign(kDirectKeys, 0);
  auto gap = [&](uint32_t s, uint32_t r) {
    return last_row[s] == UINT32_MAX ? r : r - last_row[s];
  };
  // First pass: how many rows yield each key, and the bytes of their gaps.
  for (uint32_t r = 0; r < rows; ++r) {
    ForEachSlot<true>(folded.At(r), [&](uint32_t s) {
      if (s >= counts_.size()) {
        counts_.resize(s + 1, 0);
        sizes.resize(s + 1, 0);
        last_row.resize(s + 1, UINT32_MAX);
      }
      if (last_row[s] == r) return;
      sizes[s] += GapBytes(gap(s, r));
      ++counts_[s];
      last_row[s] = r;
    });
  }
  starts_.assign(counts_.size() + 1, 0);
  uint64_t total = 0;
  for (size_t s = 0; s < counts_.size(); ++s)
    starts_[s + 1] = static_cast<uint32_t>(total += sizes[s]);
  if (total > UINT32_MAX) throw Error(7, "Out of memory");
  bytes_.resize(total);
  // Second pass: write the gaps; rows come in ascending order.
  std::vector<uint32_t> fill(starts_.begin(), starts_.end() - 1);
  std::fill(last_row.begin(), last_row.end(), UINT32_MAX);
  for (uint32_t r = 0; r < rows; ++r) {
    ForEachSlot<false>(folded.At(r), [&](uint32_t s) {
      if (last_row[s] == r) return;
      uint32_t g = gap(s, r);
      for (; g >= 0x80; g >>= 7) bytes_[fill[s]++] = static_cast<uint8_t>(g | 0x80);
      bytes_[fill[s]++] = static_cast<uint8_t>(g);
      last_row[s] = r;
    });
  }
}

uint32_t Postings::SlotOf(uint64_t key) const {
  if (key < kDirectKeys) return static_cast<uint32_t>(key);
  auto it = hashed_slots_.find(key);
  return it == hashed_slots_.end() ? UINT32_MAX : it->second;
}

PostingList Postings::Rows(uint64_t key) const {
  uint32_t s = SlotOf(key);
  if (s == UINT32_MAX) return {};
  return PostingList(bytes_.data() + starts_[s], counts_[s]);
}

}  // namespace glnamelist::recordset
