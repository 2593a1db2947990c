// A table's image: its columns and the look-up structures built for them, laid out so that
// the image is used where it lies (a mapped file) instead of being parsed into new arrays.
//
//   "TBL3", column count (u32), rows (u64); per column: name, type, its values, then which
//   structures follow and the structures themselves (a name column's frequent phrases
//   last). Every array is its length (u64) and its elements, starting at a multiple of 8
//   bytes from the image's base (frozen bitmaps at a multiple of 32). Numbers are
//   little-endian.
//
// An image is read back with bounds checks on every length; whether its bytes are the ones
// written is for its file to check (a checksum), not for this reader.
#ifndef GLNAMELIST_RECORDSET_TABLE_IMAGE_H_
#define GLNAMELIST_RECORDSET_TABLE_IMAGE_H_

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "contracts/api.h"
#include "contracts/recordset.h"
#include "recordset/array.h"
#include "recordset/table_builder.h"

namespace glnamelist::recordset {

// Writes an image's bytes to a sink, keeping count of where it stands from the base.
class GLNAMELIST_INTERNAL ImageWriter {
 public:
  using Sink = std::function<void(std::string_view bytes)>;
  ImageWriter(Sink sink, uint64_t offset) : sink_(std::move(sink)), offset_(offset) {}

  uint64_t offset() const { return offset_; }
  void Bytes(std::string_view bytes);
  template <class T>
  void Put(T value) {
    Bytes(std::string_view(reinterpret_cast<const char*>(&value), sizeof value));
  }
  void Text(std::string_view text);
  void Align(size_t to);
  // An array: its length, then its elements from a multiple of `align` bytes.
  template <class T>
  void Elements(const T* data, size_t n, size_t align = 8) {
    Put<uint64_t>(n);
    Align(align);
    Bytes(std::string_view(reinterpret_cast<const char*>(data), n * sizeof(T)));
  }

 private:
  Sink sink_;
  uint64_t offset_;
};

// Reads an image in memory that `keeper` keeps alive; any length past the end is Error
// errc::kDataService ("damaged").
class GLNAMELIST_INTERNAL ImageReader {
 public:
  ImageReader(const char* base, size_t size, size_t offset, std::shared_ptr<const void> keeper)
      : base_(base), size_(size), offset_(offset), keeper_(std::move(keeper)) {}

  size_t offset() const { return offset_; }
  const char* Bytes(size_t n);
  template <class T>
  T Get() {
    T value;
    std::memcpy(&value, Bytes(sizeof value), sizeof value);
    return value;
  }
  std::string_view Text();
  void Align(size_t to);
  template <class T>
  Array<T> Elements(size_t align = 8) {
    uint64_t n = Get<uint64_t>();
    Align(align);
    if (n > (size_ - offset_) / sizeof(T)) Damaged();
    const char* at = Bytes(n * sizeof(T));
    return Array<T>(reinterpret_cast<const T*>(at), n, keeper_);
  }
  [[noreturn]] static void Damaged();

 private:
  const char* base_;
  size_t size_;
  size_t offset_;
  std::shared_ptr<const void> keeper_;
};

// Writes the image of rs's table (all its rows, whatever rs's filter and sort) with the
// look-up structures of `columns` (built first if need be) and the value sets of its
// integer columns. `rs` must be a record set of this engine (Error 13 otherwise).
GLNAMELIST_INTERNAL void WriteTableImage(const Recordset& rs, const LookupColumns& columns,
                                         ImageWriter& out);

// A record set over the table of an image (unfiltered, unsorted, on the first record); its
// arrays look at the image's memory.
GLNAMELIST_INTERNAL RecordsetPtr ReadTableImage(ImageReader& in);

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_TABLE_IMAGE_H_
