#include "recordset/view_order.h"

#include <algorithm>

namespace glnamelist::recordset {

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
  out->reserve(filter->count);
  if (!filter->dense && filter->count <= rows / 32 + 1) {
    // Few rows: sort just them by their place in the full order.
    *out = filter->ids;
    const std::vector<uint32_t>& place = perm->position;
    std::sort(out->begin(), out->end(),
              [&](uint32_t a, uint32_t b) { return place[a] < place[b]; });
  } else {
    // Many rows: walk the full order and keep the filtered ones.
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
