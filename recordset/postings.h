// Posting lists of a text column: for each key a row's text yields, the rows that yield it,
// as a compressed bitmap. Three kinds of keys are used: each code point of a text (CharKey),
// each pair of neighbouring code points (PairKey), and each run of three neighbouring ASCII
// characters (TripleKey), so that a contains pattern of one or two characters, or of three
// ASCII ones, is answered from one list and a longer one from the intersection of a few.
// Triples are left to ASCII: a Latin word's letters are common, while two CJK characters
// side by side are rare already.
//
// Built once per column in one pass over the folded texts. The lists are kept frozen, one
// after the other in one block of bytes (a list is read where it lies, without copying), so
// that the same block can be written to a file and used from there. Keys of ASCII characters
// and ASCII pairs are slots of their own; other keys are found in a sorted array.
#ifndef GLNAMELIST_RECORDSET_POSTINGS_H_
#define GLNAMELIST_RECORDSET_POSTINGS_H_

#include <cstdint>
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
  PostingList(const char* frozen, size_t bytes, uint32_t count)
      : frozen_(frozen), bytes_(bytes), count_(count) {}

  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  // The rows, read where they lie (valid while the table lives).
  RowSet Set() const { return empty() ? RowSet() : RowSet::View(frozen_, bytes_); }

 private:
  const char* frozen_ = nullptr;
  size_t bytes_ = 0;
  uint32_t count_ = 0;
};

class Postings {
 public:
  enum class Keys { kChars, kPairs, kTriples };
  static constexpr size_t kKinds = 3;

  // The lists as they are kept: slot s's list is bytes[starts[s], starts[s + 1]) (without
  // the padding to the next list) holding counts[s] rows; slots below kDirectKeys are the
  // direct keys, slot kDirectKeys + i the key hashed_keys[i] (ascending).
  struct Parts {
    Array<uint64_t> hashed_keys;
    Array<uint64_t> starts;
    Array<uint64_t> sizes;
    Array<uint32_t> counts;
    Array<char> bytes;
  };

  Postings(const TextData& folded, Keys keys);
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
