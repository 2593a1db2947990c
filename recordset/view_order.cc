#include "recordset/view_order.h"

#include <algorithm>

namespace glnamelist::recordset {

uint32_t ViewOrder::Walk::At(size_t i) {
  while (found.size() <= i) {
    uint32_t r = perm ? perm->order[next] : static_cast<uint32_t>(next);
    ++next;
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
  // Sorting by a column the rows already ascend in keeps the table's order.
  const bool table_order = keys.empty() || (keys.size() == 1 && !keys[0].descending &&
                                            table.InRankOrder(keys[0].column));
  std::shared_ptr<const Permutation> perm = table_order ? nullptr : table.OrderBy(keys);
  ViewOrder v;
  if (filter == nullptr) {
    // Share the cached order itself: no copy.
    if (perm) v.rows_ = std::shared_ptr<const std::vector<uint32_t>>(perm, &perm->order);
    v.count_ = rows;
    return v;
  }
  v.count_ = filter->count;
  if (!keys.empty() && filter->count > rows / 32 + 1) {
    // Many rows of a sorted view: the order is walked as far as the view is read.
    v.walk_ = std::make_shared<Walk>(Walk{perm, filter->ToBitmap(rows), 0, {}});
    return v;
  }
  // Few rows: listed, and sorted by their place in the full order.
  auto out = std::make_shared<std::vector<uint32_t>>(filter->ToIds());
  if (perm) {
    const std::vector<uint32_t>& place = perm->position;
    std::sort(out->begin(), out->end(),
              [&](uint32_t a, uint32_t b) { return place[a] < place[b]; });
  }
  v.rows_ = std::move(out);
  return v;
}

}  // namespace glnamelist::recordset
