// Posting lists of a text column: for each key a row's text yields, the ascending ids of the
// rows that yield it. Three kinds of keys are used: each code point of a text (CharKey),
// each pair of neighbouring code points (PairKey), and each run of three neighbouring ASCII
// characters (TripleKey), so that a contains pattern of one or two characters, or of three
// ASCII ones, is answered from one list and a longer one from the intersection of a few.
// Triples are left to ASCII: a Latin word's letters are common, while two CJK characters
// side by side are rare already.
//
// Built once per column in two passes over the folded texts; the lists are packed into one
// array of bytes, each id as its gap from the one before in 7-bit groups (the first as
// itself), so that a common key's list takes about a byte per row. Keys of ASCII
// characters and ASCII pairs are looked up directly, others by hash.
#ifndef GLNAMELIST_RECORDSET_POSTINGS_H_
#define GLNAMELIST_RECORDSET_POSTINGS_H_

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "recordset/column_store.h"

namespace glnamelist::recordset {

// Keys below this are direct slots: a code point below 128, or a pair of them.
inline constexpr uint64_t kDirectKeys = 128 * 128;

inline uint64_t CharKey(int32_t code_point) { return static_cast<uint32_t>(code_point); }
inline uint64_t PairKey(int32_t a, int32_t b) {
  if (a >= 0 && a < 128 && b >= 0 && b < 128) return static_cast<uint64_t>(a * 128 + b);
  return ((uint64_t{static_cast<uint32_t>(a)} + 1) << 32) | static_cast<uint32_t>(b);
}

inline bool IsAscii(int32_t code_point) { return code_point >= 0 && code_point < 128; }
// Of three ASCII code points.
inline uint64_t TripleKey(int32_t a, int32_t b, int32_t c) {
  return kDirectKeys + (uint64_t{static_cast<uint32_t>(a)} << 14 |
                        uint64_t{static_cast<uint32_t>(b)} << 7 | static_cast<uint32_t>(c));
}

// The ascending row ids of one key, read from their packed gaps.
class PostingList {
 public:
  PostingList() = default;
  PostingList(const uint8_t* bytes, uint32_t count) : bytes_(bytes), count_(count) {}

  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  template <class F>
  void ForEach(F f) const {
    const uint8_t* p = bytes_;
    uint32_t row = 0;
    for (uint32_t i = 0; i < count_; ++i) {
      uint32_t gap = *p & 0x7F;
      for (int shift = 7; *p++ & 0x80; shift += 7) gap |= uint32_t{*p & 0x7Fu} << shift;
      row += gap;
      f(row);
    }
  }
  std::vector<uint32_t> Ids() const;

 private:
  const uint8_t* bytes_ = nullptr;
  uint32_t count_ = 0;
};

class Postings {
 public:
  enum class Keys { kChars, kPairs, kTriples };
  static constexpr size_t kKinds = 3;
  Postings(const TextData& folded, Keys keys);

  PostingList Rows(uint64_t key) const;

 private:
  // Calls emit(slot) for each key of row r (repeats allowed); creates slots when asked.
  template <bool kCreate, class Emit>
  void ForEachSlot(std::string_view text, Emit emit);
  uint32_t SlotOf(uint64_t key) const;

  Keys keys_;
  std::unordered_map<uint64_t, uint32_t> hashed_slots_;  // keys >= kDirectKeys
  std::vector<uint32_t> starts_;  // list of slot s: bytes_[starts_[s], starts_[s+1])
  std::vector<uint32_t> counts_;  // its length
  std::vector<uint8_t> bytes_;
};

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_POSTINGS_H_
