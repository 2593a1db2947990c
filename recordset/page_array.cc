#include "recordset/page_array.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

#include "contracts/error.h"

namespace glnamelist::recordset {
namespace {

// Blocks up to this size stay on the heap.
constexpr size_t kHeapBytes = 64 * 1024;
constexpr size_t kLargePage = 2 * 1024 * 1024;

size_t PageSize() {
  static const size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return size;
}

size_t WholePages(size_t bytes) { return (bytes + PageSize() - 1) / PageSize() * PageSize(); }

[[noreturn]] void OutOfMemory() { throw Error(7, "Out of memory"); }

}  // namespace

PageBlock& PageBlock::operator=(PageBlock&& other) noexcept {
  if (this != &other) {
    Free(data_, capacity_, mapped_);
    data_ = std::exchange(other.data_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
    mapped_ = std::exchange(other.mapped_, false);
  }
  return *this;
}

void PageBlock::Free(char* data, size_t capacity, bool mapped) {
  if (mapped) {
    munmap(data, capacity);
  } else {
    std::free(data);
  }
}

void PageBlock::Reserve(size_t bytes, size_t used) {
  if (bytes <= capacity_) return;
  if (bytes <= kHeapBytes) {
    void* grown = std::realloc(data_, bytes);
    if (!grown) OutOfMemory();
    data_ = static_cast<char*>(grown);
    capacity_ = bytes;
    return;
  }
  const size_t pages = WholePages(bytes);
  void* grown =
      mapped_ ? mremap(data_, capacity_, pages, MREMAP_MAYMOVE)
              : mmap(nullptr, pages, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (grown == MAP_FAILED) OutOfMemory();
  // Large blocks in large pages where the system has them: a fault per 2 MiB, not per page.
  if (pages >= kLargePage) madvise(grown, pages, MADV_HUGEPAGE);
  if (!mapped_) {
    if (used > 0) std::memcpy(grown, data_, used);
    std::free(data_);
  }
  data_ = static_cast<char*>(grown);
  capacity_ = pages;
  mapped_ = true;
}

std::shared_ptr<const void> PageBlock::Release(size_t bytes) {
  if (mapped_ && WholePages(bytes) < capacity_) {
    // Shrinking in place keeps the address; the pages past it are unmapped.
    void* shrunk = mremap(data_, capacity_, std::max(WholePages(bytes), PageSize()), 0);
    if (shrunk != MAP_FAILED) capacity_ = std::max(WholePages(bytes), PageSize());
  } else if (!mapped_ && bytes > 0 && bytes < capacity_) {
    if (void* shrunk = std::realloc(data_, bytes)) {
      data_ = static_cast<char*>(shrunk);
      capacity_ = bytes;
    }
  }
  char* data = std::exchange(data_, nullptr);
  const size_t capacity = std::exchange(capacity_, 0);
  const bool mapped = std::exchange(mapped_, false);
  return std::shared_ptr<const void>(data, [capacity, mapped](const void* p) {
    Free(static_cast<char*>(const_cast<void*>(p)), capacity, mapped);
  });
}

}  // namespace glnamelist::recordset
