#include "recordset/postings.h"

#include <algorithm>

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

Postings::Postings(const TextData& folded, Keys keys) : keys_(keys) {
  const size_t rows = folded.offsets.size() - 1;
  std::vector<uint32_t> counts(kDirectKeys, 0);
  std::vector<uint32_t> last_row(kDirectKeys, UINT32_MAX);
  // First pass: how many rows yield each key.
  for (uint32_t r = 0; r < rows; ++r) {
    ForEachSlot<true>(folded.At(r), [&](uint32_t s) {
      if (s >= counts.size()) {
        counts.resize(s + 1, 0);
        last_row.resize(s + 1, UINT32_MAX);
      }
      if (last_row[s] != r) last_row[s] = r, ++counts[s];
    });
  }
  starts_.assign(counts.size() + 1, 0);
  for (size_t s = 0; s < counts.size(); ++s) starts_[s + 1] = starts_[s] + counts[s];
  rows_.resize(starts_.back());
  // Second pass: fill the lists; rows come in ascending order.
  std::vector<uint32_t> fill(starts_.begin(), starts_.end() - 1);
  std::fill(last_row.begin(), last_row.end(), UINT32_MAX);
  for (uint32_t r = 0; r < rows; ++r) {
    ForEachSlot<false>(folded.At(r), [&](uint32_t s) {
      if (last_row[s] != r) last_row[s] = r, rows_[fill[s]++] = r;
    });
  }
}

uint32_t Postings::SlotOf(uint64_t key) const {
  if (key < kDirectKeys) return static_cast<uint32_t>(key);
  auto it = hashed_slots_.find(key);
  return it == hashed_slots_.end() ? UINT32_MAX : it->second;
}

std::span<const uint32_t> Postings::Rows(uint64_t key) const {
  uint32_t s = SlotOf(key);
  if (s == UINT32_MAX) return {};
  return std::span<const uint32_t>(rows_.data() + starts_[s], starts_[s + 1] - starts_[s]);
}

}  // namespace glnamelist::recordset
