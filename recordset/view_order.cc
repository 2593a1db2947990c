#include "recordset/view_order.h"

#include <algorithm>

namespace glnamelist::recordset {

uint32_t ViewOrder::Walk::At(size_t i) {
  const std::vector<uint32_t>& order = perm->order;
  while (found.size() <= i) {
    uint32_t r = order[next++];
    if (filter.Test(r)) found.push_back(r);
  }
  return found[i];
}

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
  // Sorting by a column the rows already ascend in keeps the table's order.
  if (keys.size() == 1 && !keys[0].descending && table.InRankOrder(keys[0].column)) {
    return Build(table, filter, {});
  }
  std::shared_ptr<const Permutation> perm = table.OrderBy(keys);
  ViewOrder v;
  if (filter == nullptr) {
    // Share the cached order itself: no copy.
    v.rows_ = std::shared_ptr<const std::vector<uint32_t>>(perm, &perm->order);
    v.count_ = rows;
    return v;
  }
  if (filter->count > rows / 32 + 1) {
    // Many rows: the full order is walked as far as the view is read.
    v.walk_ = std::make_shared<Walk>(Walk{perm, filter->ToBitmap(rows), 0, {}});
    v.count_ = filter->count;
    return v;
  }
  // Few rows: sort just them by their place in the full order.
  const std::vector<uint32_t>& place = perm->position;
  auto out = std::make_shared<std::vector<uint32_t>>(filter->ToIds());
  std::sort(out->begin(), out->end(), [&](uint32_t a, uint32_t b) { return place[a] < place[b]; });
  v.count_ = out->size();
  v.rows_ = std::move(out);
  return v;
}

}  // namespace glnamelist::recordset
