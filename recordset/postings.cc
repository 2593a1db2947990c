#include "recordset/postings.h"

#include <roaring/roaring.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "contracts/error.h"
#include "recordset/page_array.h"
#include "recordset/text_fold.h"

namespace glnamelist::recordset {
namespace {

size_t Aligned(size_t n) { return (n + kFrozenAlign - 1) / kFrozenAlign * kFrozenAlign; }

struct AlignedFree {
  void operator()(char* p) const { operator delete[](p, std::align_val_t(kFrozenAlign)); }
};

int GapBytes(uint32_t gap) {
  int bytes = 1;
  for (; gap >= 0x80; gap >>= 7) ++bytes;
  return bytes;
}

void PutGap(uint32_t gap, uint8_t* out, uint64_t& at) {
  for (; gap >= 0x80; gap >>= 7) out[at++] = static_cast<uint8_t>(gap | 0x80);
  out[at++] = static_cast<uint8_t>(gap);
}

[[noreturn]] void Damaged() { throw Error(errc::kDataService, "A stored row set is damaged"); }

// The rows of a list of count gaps at bytes..end; Damaged when they do not fit.
std::vector<uint32_t> GapRows(const uint8_t* bytes, const uint8_t* end, uint32_t count) {
  std::vector<uint32_t> rows(count);
  uint32_t row = 0;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t gap = 0;
    for (int shift = 0;; shift += 7) {
      if (bytes == end || shift > 28) Damaged();
      gap |= static_cast<uint32_t>(*bytes & 0x7F) << shift;
      if ((*bytes++ & 0x80) == 0) break;
    }
    rows[i] = row = i == 0 ? gap : row + gap;
  }
  return rows;
}

// The slots of the keys past the direct ones, numbered as they come: open addressing.
class KeySlots {
 public:
  // The slot of key, which gets slot `next` when it has none yet.
  uint32_t SlotOf(uint64_t key, uint32_t next) {
    if (2 * (used_ + 1) > entries_.size()) Grow();
    const size_t mask = entries_.size() - 1;
    for (size_t at = Hash(key) & mask;; at = (at + 1) & mask) {
      Entry& e = entries_[at];
      if (e.slot == kFree) {
        e = {key, next};
        ++used_;
        return next;
      }
      if (e.key == key) return e.slot;
    }
  }
  // The keys with their slots, ascending by key.
  std::vector<std::pair<uint64_t, uint32_t>> Sorted() const {
    std::vector<std::pair<uint64_t, uint32_t>> out;
    out.reserve(used_);
    for (const Entry& e : entries_) {
      if (e.slot != kFree) out.emplace_back(e.key, e.slot);
    }
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  static constexpr uint32_t kFree = UINT32_MAX;
  struct Entry {
    uint64_t key = 0;
    uint32_t slot = kFree;
  };
  static size_t Hash(uint64_t key) { return (key * 0x9E3779B97F4A7C15ull) >> 20; }
  void Grow() {
    std::vector<Entry> old = std::move(entries_);
    entries_.assign(std::max<size_t>(1024, old.size() * 2), Entry{});
    used_ = 0;
    for (const Entry& e : old) {
      if (e.slot != kFree) SlotOf(e.key, e.slot);
    }
  }

  std::vector<Entry> entries_;
  size_t used_ = 0;
};

// The lists of one kind of key being made. In a first pass each slot's rows are counted, with
// the bytes of their gaps; in a second the gaps are written, each slot's at its place. The
// rows of a slot come in ascending order.
class ListsOfKind {
 public:
  // Row r yields key (again, maybe: a key counts once per row).
  void Count(uint64_t key, uint32_t r) {
    Slot& s = slots_[SlotOf(key)];
    if (s.last_row == r) return;
    s.bytes += static_cast<uint64_t>(GapBytes(s.count == 0 ? r : r - s.last_row));
    ++s.count;
    s.last_row = r;
  }
  // Between the passes: each slot's place in the order of keys.
  void Place();
  void Write(uint64_t key, uint32_t r) {
    Slot& s = slots_[SlotOf(key)];
    if (s.last_row == r) return;
    PutGap(s.last_row == kNoRow ? r : r - s.last_row, gaps_.data(), s.bytes);
    s.last_row = r;
  }
  // The lists, a frozen bitmap for each long one, one after the other.
  Postings::Parts Finish();

 private:
  static constexpr uint32_t kNoRow = UINT32_MAX;
  struct Slot {
    uint32_t count = 0;
    uint32_t last_row = kNoRow;
    uint64_t bytes = 0;  // the bytes of its gaps; after Place, where its next gap goes
  };

  uint32_t SlotOf(uint64_t key) {
    if (key < kDirectKeys) return static_cast<uint32_t>(key);
    uint32_t s = hashed_.SlotOf(key, static_cast<uint32_t>(slots_.size()));
    if (s == slots_.size()) slots_.emplace_back();
    return s;
  }

  KeySlots hashed_;
  std::vector<Slot> slots_ = std::vector<Slot>(kDirectKeys);
  std::vector<uint32_t> order_;
  std::vector<uint64_t> hashed_keys_;
  PageArray<uint8_t> gaps_;
};

void ListsOfKind::Place() {
  order_.resize(kDirectKeys);
  for (uint32_t s = 0; s < kDirectKeys; ++s) order_[s] = s;
  for (const auto& [key, s] : hashed_.Sorted()) {
    hashed_keys_.push_back(key);
    order_.push_back(s);
  }
  uint64_t total = 0;
  for (uint32_t s : order_) {
    Slot& slot = slots_[s];
    total += std::exchange(slot.bytes, total);
    slot.last_row = kNoRow;
  }
  gaps_.resize_for_overwrite(total);
}

Postings::Parts ListsOfKind::Finish() {
  hashed_ = {};
  std::vector<uint64_t> starts;
  std::vector<uint32_t> counts;
  PageArray<char> out;
  const uint8_t* at = gaps_.data();
  for (uint32_t s : order_) {
    const Slot& slot = slots_[s];
    const uint8_t* end = gaps_.data() + slot.bytes;  // where its gaps were written up to
    if (slot.count >= kFrozenRows) {
      std::vector<uint32_t> rows = GapRows(at, end, slot.count);
      roaring_bitmap_t* set = roaring_bitmap_of_ptr(rows.size(), rows.data());
      if (!set) throw Error(7, "Out of memory");
      roaring_bitmap_run_optimize(set);
      const uint64_t size = roaring_bitmap_frozen_size_in_bytes(set);
      const size_t end_before = out.size(), start = Aligned(end_before);
      out.resize_for_overwrite(start + kFrozenAlign + size);
      std::memset(out.data() + end_before, 0, start + kFrozenAlign - end_before);
      std::memcpy(out.data() + start, &size, sizeof size);
      roaring_bitmap_frozen_serialize(set, out.data() + start + kFrozenAlign);
      roaring_bitmap_free(set);
      starts.push_back(start);
    } else {
      starts.push_back(out.size());
      out.append(reinterpret_cast<const char*>(at), static_cast<size_t>(end - at));
    }
    counts.push_back(slot.count);
    at = end;
  }
  starts.push_back(out.size());
  gaps_ = {};
  char* data = nullptr;
  Array<char> bytes = AlignedBytes(out.size(), &data);
  if (out.size() > 0) std::memcpy(data, out.data(), out.size());
  return Postings::Parts{Array<uint64_t>(std::move(hashed_keys_)),
                         Array<uint64_t>(std::move(starts)), Array<uint32_t>(std::move(counts)),
                         std::move(bytes)};
}

// Calls each(kind, key, r) for every key of every kind of every row r of text, folded first
// when fold is set.
template <class Each>
void ForEachKey(const TextData& text, bool fold, Each each) {
  const size_t rows = text.offsets.size() - 1;
  std::string folded;
  for (uint32_t r = 0; r < rows; ++r) {
    std::string_view t = text.At(r);
    if (fold) {
      folded.clear();
      AppendFolded(t, folded);
      t = folded;
    }
    int32_t previous = 0, before = 0;
    for (size_t pos = 0, n = 0; pos < t.size(); ++n) {
      int32_t cp = NextCodePoint(t, pos);
      each(0, CharKey(cp), r);
      if (n > 0) each(1, PairKey(previous, cp), r);
      if (n > 1 && IsAscii(before) && IsAscii(previous) && IsAscii(cp)) {
        each(2, TripleKey(before, previous, cp), r);
      }
      before = previous;
      previous = cp;
    }
  }
}

}  // namespace

Array<char> AlignedBytes(size_t size, char** data) {
  std::shared_ptr<char> block(
      static_cast<char*>(operator new[](std::max<size_t>(size, 1), std::align_val_t(kFrozenAlign))),
      AlignedFree());
  *data = block.get();
  return Array<char>(block.get(), size, block);
}

RowSet PostingList::Set() const {
  if (empty()) return RowSet();
  if (count_ < kFrozenRows) {
    const auto* at = reinterpret_cast<const uint8_t*>(bytes_);
    return RowSet::FromIds(GapRows(at, at + size_, count_));
  }
  uint64_t frozen = 0;
  if (size_ < kFrozenAlign) Damaged();
  std::memcpy(&frozen, bytes_, sizeof frozen);
  if (frozen > size_ - kFrozenAlign) Damaged();
  return RowSet::View(bytes_ + kFrozenAlign, frozen);
}

std::array<std::unique_ptr<Postings>, Postings::kKinds> Postings::Build(const TextData& text,
                                                                        bool fold) {
  std::array<ListsOfKind, kKinds> lists;
  ForEachKey(text, fold, [&](int kind, uint64_t key, uint32_t r) { lists[kind].Count(key, r); });
  for (ListsOfKind& l : lists) l.Place();
  ForEachKey(text, fold, [&](int kind, uint64_t key, uint32_t r) { lists[kind].Write(key, r); });
  std::array<std::unique_ptr<Postings>, kKinds> out;
  for (size_t k = 0; k < kKinds; ++k) out[k] = std::make_unique<Postings>(lists[k].Finish());
  return out;
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
  const uint64_t start = parts_.starts[s], end = parts_.starts[s + 1];
  if (start > end || end > parts_.bytes.size() ||
      (parts_.counts[s] >= kFrozenRows && start % kFrozenAlign != 0)) {
    Damaged();
  }
  return PostingList(parts_.bytes.data() + start, end - start, parts_.counts[s]);
}

}  // namespace glnamelist::recordset
