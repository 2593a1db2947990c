// A growable array of plain values for building a table's large arrays. Past a few pages it
// lives in pages mapped for it alone: growing remaps them instead of copying the values, and
// its pages go back to the system as soon as it is freed, so that building a large table
// leaves no holes in the heap behind it. Finished, it becomes an Array without a copy.
#ifndef GLNAMELIST_RECORDSET_PAGE_ARRAY_H_
#define GLNAMELIST_RECORDSET_PAGE_ARRAY_H_

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

#include "recordset/array.h"

namespace glnamelist::recordset {

// The bytes of a PageArray: on the heap while small, then in mapped pages.
class PageBlock {
 public:
  PageBlock() = default;
  PageBlock(PageBlock&& other) noexcept { *this = std::move(other); }
  PageBlock& operator=(PageBlock&& other) noexcept;
  ~PageBlock() { Free(data_, capacity_, mapped_); }

  char* data() const { return data_; }
  size_t capacity() const { return capacity_; }
  // Room for at least `bytes`, keeping the first `used` bytes. Error 7 when there is none.
  void Reserve(size_t bytes, size_t used);
  // Gives up the room past `bytes`, then hands the block over to a keeper that frees it.
  std::shared_ptr<const void> Release(size_t bytes);

 private:
  static void Free(char* data, size_t capacity, bool mapped);

  char* data_ = nullptr;
  size_t capacity_ = 0;
  bool mapped_ = false;
};

template <class T>
class PageArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  PageArray() = default;
  PageArray(PageArray&& other) noexcept
      : block_(std::move(other.block_)), size_(std::exchange(other.size_, 0)) {}
  PageArray& operator=(PageArray&& other) noexcept {
    block_ = std::move(other.block_);
    size_ = std::exchange(other.size_, 0);
    return *this;
  }

  size_t size() const { return size_; }
  T* data() const { return reinterpret_cast<T*>(block_.data()); }
  T& operator[](size_t i) { return data()[i]; }
  const T& operator[](size_t i) const { return data()[i]; }

  void reserve(size_t n) {
    if (n * sizeof(T) > block_.capacity()) block_.Reserve(n * sizeof(T), size_ * sizeof(T));
  }
  void push_back(T value) {
    if ((size_ + 1) * sizeof(T) > block_.capacity()) reserve(2 * size_ + 16);
    data()[size_++] = value;
  }
  void append(const T* values, size_t n) {
    if ((size_ + n) * sizeof(T) > block_.capacity()) reserve(std::max(2 * size_, size_ + n));
    if (n > 0) std::memcpy(data() + size_, values, n * sizeof(T));
    size_ += n;
  }
  // New elements are left as they are: the caller writes them.
  void resize_for_overwrite(size_t n) {
    if (n * sizeof(T) > block_.capacity()) reserve(std::max(n, 2 * size_));
    size_ = n;
  }
  void truncate(size_t n) {
    if (n < size_) size_ = n;
  }
  // The elements as an Array; the PageArray is left empty.
  Array<T> Finish() {
    size_t n = std::exchange(size_, 0);
    std::shared_ptr<const void> keeper = block_.Release(n * sizeof(T));
    return Array<T>(static_cast<const T*>(keeper.get()), n, keeper);
  }

 private:
  PageBlock block_;
  size_t size_ = 0;
};

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_PAGE_ARRAY_H_
