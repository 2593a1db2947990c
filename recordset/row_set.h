// Sets of rows. A filter's rows are a compressed bitmap (RowSet): counting them, joining
// them with AND and OR and reading the first of them cost in proportion to the bitmap's
// containers, not to its rows. A scan over a column fills a plain bitmap of a bit per row
// (Bitmap) first.
#ifndef GLNAMELIST_RECORDSET_ROW_SET_H_
#define GLNAMELIST_RECORDSET_ROW_SET_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct roaring_bitmap_s;
struct roaring_uint32_iterator_s;

namespace glnamelist::recordset {

class Bitmap {
 public:
  explicit Bitmap(size_t size) : words_((size + 63) / 64, 0) {}
  void Set(uint32_t i) { words_[i >> 6] |= uint64_t{1} << (i & 63); }
  void Clear(uint32_t i) { words_[i >> 6] &= ~(uint64_t{1} << (i & 63)); }
  bool Test(uint32_t i) const { return (words_[i >> 6] >> (i & 63)) & 1; }
  template <class F>
  void ForEach(F f) const {
    for (size_t w = 0; w < words_.size(); ++w) {
      for (uint64_t bits = words_[w]; bits != 0; bits &= bits - 1) {
        f(static_cast<uint32_t>(w * 64 + static_cast<size_t>(__builtin_ctzll(bits))));
      }
    }
  }
  std::vector<uint64_t>& words() { return words_; }

 private:
  std::vector<uint64_t> words_;
};

// An immutable set of row ids, shared by copies.
class RowSet {
 public:
  RowSet();  // no rows
  static RowSet FromIds(const std::vector<uint32_t>& ascending);
  static RowSet FromBitmap(const Bitmap& bits);
  // Rows first .. last - 1.
  static RowSet Range(uint32_t first, uint32_t last);
  // A view of a set written by Freeze at `frozen` (32-byte aligned), which must outlive it.
  static RowSet View(const char* frozen, size_t bytes);
  // Takes a bitmap made by the roaring library.
  static RowSet Own(roaring_bitmap_s* bits) { return Adopt(bits, true); }

  size_t count() const { return count_; }
  // Whether this and other are copies of one set (not merely sets of the same rows).
  bool SharesWith(const RowSet& other) const { return bits_ == other.bits_; }
  bool Contains(uint32_t row) const;
  RowSet And(const RowSet& other) const;
  RowSet Or(const RowSet& other) const;
  // Whether other holds a row of this set.
  bool Intersects(const RowSet& other) const;
  // The rows of this set that other does not hold.
  RowSet AndNot(const RowSet& other) const;
  // How many rows of the set are below row.
  size_t CountBelow(uint32_t row) const;
  // The row at place i (0-based, i < count()).
  uint32_t Select(size_t i) const;
  // The largest row (count() > 0).
  uint32_t Max() const;
  std::vector<uint32_t> Ids() const;
  template <class F>
  void ForEach(F f) const {
    Reader reader(*this);
    uint32_t buffer[256];
    while (size_t n = reader.Read(buffer, 256)) {
      for (size_t i = 0; i < n; ++i) f(buffer[i]);
    }
  }

  // Reads the rows in ascending order, a batch at a time.
  class Reader {
   public:
    explicit Reader(const RowSet& set);
    ~Reader();
    Reader(Reader&&) noexcept;
    Reader& operator=(Reader&&) noexcept;
    // Up to n more rows into out; 0 at the end.
    size_t Read(uint32_t* out, size_t n);

   private:
    std::shared_ptr<const roaring_bitmap_s> set_;
    roaring_uint32_iterator_s* it_ = nullptr;
  };

  // The bytes of the set's frozen form, and the form itself written to out (32-byte
  // aligned, FrozenSize bytes).
  size_t FrozenSize() const;
  void Freeze(char* out) const;

 private:
  explicit RowSet(std::shared_ptr<const roaring_bitmap_s> bits);
  // compact: worth turning runs into run containers (a set that is kept).
  static RowSet Adopt(roaring_bitmap_s* bits, bool compact);

  std::shared_ptr<const roaring_bitmap_s> bits_;
  size_t count_ = 0;
};

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_ROW_SET_H_
