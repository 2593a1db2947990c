// The rows a filter leaves: an ascending list of row ids when they are few, a bitmap when
// they are many. Either way the count is known.
#ifndef GLNAMELIST_RECORDSET_ROW_SET_H_
#define GLNAMELIST_RECORDSET_ROW_SET_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace glnamelist::recordset {

class Bitmap {
 public:
  explicit Bitmap(size_t size) : words_((size + 63) / 64, 0) {}
  void Set(uint32_t i) { words_[i >> 6] |= uint64_t{1} << (i & 63); }
  void Clear(uint32_t i) { words_[i >> 6] &= ~(uint64_t{1} << (i & 63)); }
  bool Test(uint32_t i) const { return (words_[i >> 6] >> (i & 63)) & 1; }
  void And(const Bitmap& other);
  void Or(const Bitmap& other);
  size_t Count() const;
  // The set positions in ascending order.
  std::vector<uint32_t> Ids(size_t count_hint) const;
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

struct RowSet {
  bool dense = false;
  std::vector<uint32_t> ids;  // ascending, when !dense
  Bitmap bits{0};             // when dense
  size_t count = 0;

  static RowSet FromIds(std::vector<uint32_t> ids);
  static RowSet FromBitmap(Bitmap bits);
  // A bitmap over `rows` rows holding the same rows.
  Bitmap ToBitmap(size_t rows) const;
  std::vector<uint32_t> ToIds() const;
};

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_ROW_SET_H_
