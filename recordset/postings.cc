#include "recordset/postings.h"

#include <roaring/roaring.h>

#include <algorithm>
#include <new>
#include <unordered_map>

#include "contracts/error.h"
#include "recordset/text_fold.h"

namespace glnamelist::recordset {
namespace {

// Calls emit(key) for each key of text (repeats allowed).
template <class Emit>
void ForEachKey(Postings::Keys keys, std::string_view text, Emit emit) {
  int32_t previous = 0, before = 0;
  for (size_t pos = 0, n = 0; pos < text.size(); ++n) {
    int32_t cp = NextCodePoint(text, pos);
    if (keys == Postings::Keys::kChars) {
      emit(CharKey(cp));
    } else if (keys == Postings::Keys::kPairs) {
      if (n > 0) emit(PairKey(previous, cp));
    } else if (n > 1 && IsAscii(before) && IsAscii(previous) && IsAscii(cp)) {
      emit(TripleKey(before, previous, cp));
    }
    before = previous;
    previous = cp;
  }
}

size_t Aligned(size_t n) { return (n + kFrozenAlign - 1) / kFrozenAlign * kFrozenAlign; }

struct AlignedFree {
  void operator()(char* p) const { operator delete[](p, std::align_val_t(kFrozenAlign)); }
};

}  // namespace

Array<char> AlignedBytes(size_t size, char** data) {
  std::shared_ptr<char> block(
      static_cast<char*>(operator new[](std::max<size_t>(size, 1), std::align_val_t(kFrozenAlign))),
      AlignedFree());
  *data = block.get();
  return Array<char>(block.get(), size, block);
}

Postings::Postings(const TextData& folded, Keys keys) {
  const size_t rows = folded.offsets.size() - 1;
  // One bitmap per slot while the rows are read; hashed keys get slots as they come.
  std::unordered_map<uint64_t, uint32_t> hashed;
  std::vector<roaring_bitmap_t*> sets(kDirectKeys, nullptr);
  std::vector<uint32_t> last_row(kDirectKeys, UINT32_MAX);
  for (uint32_t r = 0; r < rows; ++r) {
    ForEachKey(keys, folded.At(r), [&](uint64_t key) {
      uint32_t s = static_cast<uint32_t>(key);
      if (key >= kDirectKeys) {
        s = hashed.try_emplace(key, static_cast<uint32_t>(sets.size())).first->second;
        if (s == sets.size()) {
          sets.push_back(nullptr);
          last_row.push_back(UINT32_MAX);
        }
      }
      if (last_row[s] == r) return;
      last_row[s] = r;
      if (!sets[s]) sets[s] = roaring_bitmap_create();
      roaring_bitmap_add(sets[s], r);
    });
  }
  // Slots in their final order: the direct ones, then the hashed keys ascending.
  std::vector<std::pair<uint64_t, uint32_t>> by_key(hashed.begin(), hashed.end());
  std::sort(by_key.begin(), by_key.end());
  std::vector<uint32_t> order(kDirectKeys);
  for (uint32_t s = 0; s < kDirectKeys; ++s) order[s] = s;
  std::vector<uint64_t> hashed_keys;
  for (const auto& [key, s] : by_key) {
    hashed_keys.push_back(key);
    order.push_back(s);
  }
  std::vector<uint64_t> starts, sizes;
  std::vector<uint32_t> counts;
  size_t total = 0;
  for (uint32_t s : order) {
    roaring_bitmap_t* set = sets[s];
    if (set) roaring_bitmap_run_optimize(set);
    const size_t size = set ? roaring_bitmap_frozen_size_in_bytes(set) : 0;
    starts.push_back(total);
    sizes.push_back(size);
    counts.push_back(set ? static_cast<uint32_t>(roaring_bitmap_get_cardinality(set)) : 0);
    total += Aligned(size);
  }
  char* data = nullptr;
  Array<char> bytes = AlignedBytes(total, &data);
  for (size_t i = 0; i < order.size(); ++i) {
    if (roaring_bitmap_t* set = sets[order[i]]) {
      roaring_bitmap_frozen_serialize(set, data + starts[i]);
      roaring_bitmap_free(set);
    }
  }
  parts_ = Parts{Array<uint64_t>(std::move(hashed_keys)), Array<uint64_t>(std::move(starts)),
                 Array<uint64_t>(std::move(sizes)), Array<uint32_t>(std::move(counts)),
                 std::move(bytes)};
}

PostingList Postings::Rows(uint64_t key) const {
  size_t s = key;
  if (key >= kDirectKeys) {
    const Array<uint64_t>& keys = parts_.hashed_keys;
    const uint64_t* it = std::lower_bound(keys.begin(), keys.end(), key);
    if (it == keys.end() || *it != key) return {};
    s = kDirectKeys + static_cast<size_t>(it - keys.begin());
  }
  if (s >= parts_.counts.size()) return {};
  return PostingList(parts_.bytes.data() + parts_.starts[s], parts_.sizes[s], parts_.counts[s]);
}

}  // namespace glnamelist::recordset
