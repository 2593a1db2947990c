#include "recordset/view_order.h"

#include <algorithm>

namespace glnamelist::recordset {
namespace {

// Sorts values below `limit` in passes of 11 bits, least significant first.
void RadixSort(std::vector<uint32_t>& values, size_t limit) {
  constexpr int kBits = 11;
  constexpr size_t kBuckets = size_t{1} << kBits;
  std::vector<uint32_t> scratch(values.size());
  for (int shift = 0; shift < 32 && (limit >> shift) != 0; shift += kBits) {
    std::vector<size_t> counts(kBuckets + 1, 0);
    for (uint32_t v : values) ++counts[((v >> shift) & (kBuckets - 1)) + 1];
    for (size_t b = 1; b <= kBuckets; ++b) counts[b] += counts[b - 1];
    for (uint32_t v : values) scratch[counts[(v >> shift) & (kBuckets - 1)]++] = v;
    values.swap(scratch);
  }
}

}  // namespace

ViewOrder ViewOrder::All(size_t rows) {
  ViewOrder v;
  v.count_ = rows;
  return v;
}

ViewOrder ViewOrder::Build(const Table& table, const RowSet* filter,
                           const std::vector<SortKey>& keys) {
  size_t rows = table.row_count();
  if (keys.empty()) {
    if (filter == nullptr) return All(rows);
    ViewOrder v;
    v.rows_ = std::make_shared<const std::vector<uint32_t>>(filter->ToIds());
    v.count_ = filter->count;
    return v;
  }
  std::shared_ptr<const Permutation> perm = table.OrderBy(keys);
  ViewOrder v;
  if (filter == nullptr) {
    // Share the cached order itself: no copy.
    v.rows_ = std::shared_ptr<const std::vector<uint32_t>>(perm, &perm->order);
    v.count_ = rows;
    return v;
  }
  auto out = std::make_shared<std::vector<uint32_t>>();
  const std::vector<uint32_t>& place = perm->position;
  if (!filter->dense && filter->count <= rows / 32 + 1) {
    // Few rows: sort just them by their place in the full order.
    *out = filter->ids;
    std::sort(out->begin(), out->end(),
              [&](uint32_t a, uint32_t b) { return place[a] < place[b]; });
  } else if (filter->count <= rows / 4) {
    // Some rows: radix-sort their places, then read the rows at those places.
    std::vector<uint32_t> places;
    places.reserve(filter->count);
    if (filter->dense) {
      filter->bits.ForEach([&](uint32_t r) { places.push_back(place[r]); });
    } else {
      for (uint32_t r : filter->ids) places.push_back(place[r]);
    }
    RadixSort(places, rows);
    out->reserve(places.size());
    for (uint32_t p : places) out->push_back(perm->order[p]);
  } else {
    // Many rows: walk the full order and keep the filtered ones.
    out->reserve(filter->count);
    Bitmap bits = filter->ToBitmap(rows);
    for (uint32_t r : perm->order) {
      if (bits.Test(r)) out->push_back(r);
    }
  }
  v.count_ = out->size();
  v.rows_ = std::move(out);
  return v;
}

}  // namespace glnamelist::recordset
