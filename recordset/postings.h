// Posting lists of a text column: for each key a row's text yields, the rows that yield it.
// Three kinds of keys are used: each code point of a text (CharKey), each pair of
// neighbouring code points (PairKey), and each run of three neighbouring ASCII characters
// (TripleKey), so that a contains pattern of one or two characters, or of three ASCII ones,
// is answered from one list and a longer one from the intersection of a few. Triples are
// left to ASCII: a Latin word's letters are common, while two CJK characters side by side
// are rare already.
//
// Built once per column, every kind at once: a pass over the folded texts counts each key's
// rows, a second one writes them down. A list of many rows is kept as a frozen compressed
// bitmap, read where it lies; a short one (most keys of pairs and triples are rare) as the
// gaps between its rows, 7 bits a byte, made a bitmap when it is read. The lists lie one
// after the other in one block of bytes, so that the same block can be written to a file and
// used from there. Keys of ASCII characters and ASCII pairs are slots of their own; other
// keys are found in a sorted array.
#ifndef GLNAMELIST_RECORDSET_POSTINGS_H_
#define GLNAMELIST_RECORDSET_POSTINGS_H_

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "recordset/array.h"
#include "recordset/column_store.h"
#include "recordset/row_set.h"

namespace glnamelist::recordset {

// Keys below this are direct slots: a code point below 128, or a pair of them.
inline constexpr uint64_t kDirectKeys = 128 * 128;
// Where a frozen list starts in its block, and the block itself in memory.
inline constexpr size_t kFrozenAlign = 32;
// Lists of at least this many rows are frozen bitmaps; shorter ones are gaps.
inline constexpr uint32_t kFrozenRows = 1024;

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

// The rows of one key.
class PostingList {
 public:
  PostingList() = default;
  // bytes..bytes + size: the list as its block holds it, of count rows.
  PostingList(const char* bytes, size_t size, uint32_t count)
      : bytes_(bytes), size_(size), count_(count) {}

  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  // The rows (a frozen list is read where it lies, valid while the table lives). Error
  // errc::kDataService for a list whose bytes are not a list.
  RowSet Set() const;

 private:
  const char* bytes_ = nullptr;
  size_t size_ = 0;
  uint32_t count_ = 0;
};

class Postings {
 public:
  enum class Keys { kChars, kPairs, kTriples };
  static constexpr size_t kKinds = 3;

  // The lists as they are kept: slot s's list is bytes[starts[s], starts[s + 1]) holding
  // counts[s] rows; a frozen one (kFrozenRows rows or more) is its size (uint64) followed,
  // kFrozenAlign bytes from its start, by the frozen bitmap. Slots below kDirectKeys are the
  // direct keys, slot kDirectKeys + i the key hashed_keys[i] (ascending).
  struct Parts {
    Array<uint64_t> hashed_keys;
    Array<uint64_t> starts;  // one more than the slots
    Array<uint32_t> counts;
    Array<char> bytes;
  };

  // The lists of each kind of key (indexed by Keys) of the texts, folded first when fold is
  // set, made in one pair of passes over them.
  static std::array<std::unique_ptr<Postings>, kKinds> Build(const TextData& text, bool fold);
  explicit Postings(Parts parts) : parts_(std::move(parts)) {}

  PostingList Rows(uint64_t key) const;
  const Parts& parts() const { return parts_; }

 private:
  Parts parts_;
};

// The aligned block of bytes an Array<char> of frozen sets lives in.
Array<char> AlignedBytes(size_t size, char** data);

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_POSTINGS_H_
