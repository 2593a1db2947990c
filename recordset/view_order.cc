#include "recordset/view_order.h"

#include <algorithm>

namespace glnamelist::recordset {
namespace {

// How far past the rows read so far a place may lie to be read up to rather than selected.
constexpr size_t kReadAhead = 256;

}  // namespace

uint32_t ViewOrder::Walk::At(size_t i) {
  if (i < found.size()) return found[i];
  if (!perm) {
    if (i >= found.size() + kReadAhead) return filter.Select(i);
    uint32_t buffer[kReadAhead];
    while (found.size() <= i) {
      size_t n = reader->Read(buffer, kReadAhead);
      found.insert(found.end(), buffer, buffer + n);
    }
    return found[i];
  }
  while (found.size() <= i) {
    uint32_t r = perm->order[next];
    ++next;
    if (filter.Contains(r)) found.push_back(r);
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
  v.count_ = filter->count();
  if (!perm || filter->count() > rows / 32 + 1) {
    // In table order, or many rows of a sorted view: walked as far as the view is read.
    auto walk = std::make_shared<Walk>();
    walk->perm = perm;
    walk->filter = *filter;
    if (!perm) walk->reader = std::make_unique<RowSet::Reader>(walk->filter);
    v.walk_ = std::move(walk);
    return v;
  }
  // Few rows of a sorted view: listed, and sorted by their place in the full order.
  auto out = std::make_shared<std::vector<uint32_t>>(filter->Ids());
  const std::vector<uint32_t>& place = perm->position;
  std::sort(out->begin(), out->end(), [&](uint32_t a, uint32_t b) { return place[a] < place[b]; });
  v.rows_ = std::move(out);
  return v;
}

}  // namespace glnamelist::recordset
