#include "recordset/row_set.h"

#include <roaring/roaring.h>

#include <utility>

#include "contracts/error.h"

namespace glnamelist::recordset {
namespace {

struct Free {
  void operator()(const roaring_bitmap_t* bits) const {
    roaring_bitmap_free(const_cast<roaring_bitmap_t*>(bits));
  }
};

}  // namespace

RowSet::RowSet() : RowSet(Adopt(roaring_bitmap_create(), false)) {}

RowSet::RowSet(std::shared_ptr<const roaring_bitmap_s> bits)
    : bits_(std::move(bits)), count_(roaring_bitmap_get_cardinality(bits_.get())) {}

RowSet RowSet::Adopt(roaring_bitmap_s* bits, bool compact) {
  if (!bits) throw Error(7, "Out of memory");
  if (compact) roaring_bitmap_run_optimize(bits);
  return RowSet(std::shared_ptr<const roaring_bitmap_s>(bits, Free()));
}

RowSet RowSet::FromIds(const std::vector<uint32_t>& ascending) {
  return Adopt(roaring_bitmap_of_ptr(ascending.size(), ascending.data()), true);
}

RowSet RowSet::FromBitmap(const Bitmap& bits) {
  roaring_bitmap_t* set = roaring_bitmap_create();
  uint32_t buffer[256];
  size_t n = 0;
  bits.ForEach([&](uint32_t r) {
    buffer[n++] = r;
    if (n == 256) roaring_bitmap_add_many(set, std::exchange(n, 0), buffer);
  });
  roaring_bitmap_add_many(set, n, buffer);
  return Adopt(set, true);
}

RowSet RowSet::Range(uint32_t first, uint32_t last) {
  roaring_bitmap_t* set = roaring_bitmap_create();
  if (first < last) roaring_bitmap_add_range(set, first, last);
  return Adopt(set, false);
}

RowSet RowSet::View(const char* frozen, size_t bytes) {
  const roaring_bitmap_t* view = roaring_bitmap_frozen_view(frozen, bytes);
  if (!view) throw Error(errc::kDataService, "A stored row set is damaged");
  return RowSet(std::shared_ptr<const roaring_bitmap_s>(view, Free()));
}

bool RowSet::Contains(uint32_t row) const { return roaring_bitmap_contains(bits_.get(), row); }

RowSet RowSet::And(const RowSet& other) const {
  if (count_ == 0) return *this;
  if (other.count_ == 0) return other;
  return Adopt(roaring_bitmap_and(bits_.get(), other.bits_.get()), false);
}

RowSet RowSet::Or(const RowSet& other) const {
  if (count_ == 0) return other;
  if (other.count_ == 0) return *this;
  return Adopt(roaring_bitmap_or(bits_.get(), other.bits_.get()), false);
}

bool RowSet::Intersects(const RowSet& other) const {
  return count_ > 0 && other.count_ > 0 && roaring_bitmap_intersect(bits_.get(), other.bits_.get());
}

RowSet RowSet::AndNot(const RowSet& other) const {
  if (count_ == 0 || other.count_ == 0) return *this;
  return Adopt(roaring_bitmap_andnot(bits_.get(), other.bits_.get()), false);
}

size_t RowSet::CountBelow(uint32_t row) const {
  return row == 0 ? 0 : static_cast<size_t>(roaring_bitmap_rank(bits_.get(), row - 1));
}

uint32_t RowSet::Select(size_t i) const {
  uint32_t row = 0;
  roaring_bitmap_select(bits_.get(), static_cast<uint32_t>(i), &row);
  return row;
}

uint32_t RowSet::Max() const { return roaring_bitmap_maximum(bits_.get()); }

std::vector<uint32_t> RowSet::Ids() const {
  std::vector<uint32_t> ids(count_);
  if (count_ > 0) roaring_bitmap_to_uint32_array(bits_.get(), ids.data());
  return ids;
}

size_t RowSet::FrozenSize() const { return roaring_bitmap_frozen_size_in_bytes(bits_.get()); }

void RowSet::Freeze(char* out) const { roaring_bitmap_frozen_serialize(bits_.get(), out); }

RowSet::Reader::Reader(const RowSet& set)
    : set_(set.bits_), it_(roaring_create_iterator(set_.get())) {}

RowSet::Reader::~Reader() {
  if (it_) roaring_free_uint32_iterator(it_);
}

RowSet::Reader::Reader(Reader&& other) noexcept
    : set_(std::move(other.set_)), it_(std::exchange(other.it_, nullptr)) {}

RowSet::Reader& RowSet::Reader::operator=(Reader&& other) noexcept {
  if (this != &other) {
    if (it_) roaring_free_uint32_iterator(it_);
    set_ = std::move(other.set_);
    it_ = std::exchange(other.it_, nullptr);
  }
  return *this;
}

size_t RowSet::Reader::Read(uint32_t* out, size_t n) {
  return roaring_read_uint32_iterator(it_, out, static_cast<uint32_t>(n));
}

}  // namespace glnamelist::recordset
