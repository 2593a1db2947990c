// A read-only array that either owns its elements or looks at memory kept alive by someone
// else (a mapped snapshot file). Tables are made of these, so that a table built in memory
// and one mapped from a file are read by the same code. Debug builds check every index, as
// they do a standard container's.
#ifndef GLNAMELIST_RECORDSET_ARRAY_H_
#define GLNAMELIST_RECORDSET_ARRAY_H_

#include <cassert>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace glnamelist::recordset {

template <class T>
class Array {
 public:
  Array() = default;
  // Takes the elements of values.
  explicit Array(std::vector<T>&& values) {
    auto owned = std::make_shared<const std::vector<T>>(std::move(values));
    data_ = owned->data();
    size_ = owned->size();
    keeper_ = std::move(owned);
  }
  // Looks at size elements at data, valid while keeper lives.
  Array(const T* data, size_t size, std::shared_ptr<const void> keeper)
      : data_(data), size_(size), keeper_(std::move(keeper)) {}

  const T* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const T& operator[](size_t i) const {
    assert(i < size_);
    return data_[i];
  }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  std::span<const T> span() const { return {data_, size_}; }
  size_t bytes() const { return size_ * sizeof(T); }

 private:
  const T* data_ = nullptr;
  size_t size_ = 0;
  std::shared_ptr<const void> keeper_;
};

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_ARRAY_H_
