#include "recordset/view_order.h"

#include <algorithm>

#include "recordset/table_patch.h"

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

uint32_t ViewOrder::Merge::NextBaseRow() {
  if (read_at == read.size()) {
    if (!reader) reader = std::make_unique<RowSet::Reader>(shown);
    read.resize(kReadAhead);
    read.resize(reader->Read(read.data(), kReadAhead));
    read_at = 0;
  }
  return read[read_at++];
}

uint32_t ViewOrder::Merge::At(size_t i) {
  if (i < found.size()) return found[i];
  if (!perm && i >= found.size() + kReadAhead) {
    // Far ahead of what was read: the added rows before i counted, the base's row selected.
    const size_t j = static_cast<size_t>(std::lower_bound(at.begin(), at.end(), i) - at.begin());
    if (j < at.size() && at[j] == i) return added[j];
    return shown.Select(i - j);
  }
  while (found.size() <= i) {
    const size_t place = perm ? next : found.size();
    const bool added_first =
        added_next < added.size() &&
        (perm ? places[added_next] <= next || next == perm->order.size() : at[added_next] == place);
    if (added_first) {
      found.push_back(added[added_next++]);
    } else if (!perm) {
      found.push_back(NextBaseRow());
    } else if (const uint32_t r = perm->order[next++]; shown.Contains(r)) {
      found.push_back(r);
    }
  }
  return found[i];
}

ViewOrder ViewOrder::All(const Table& table) {
  if (table.patch()) return BuildMerged(table, nullptr, {});
  ViewOrder v;
  v.count_ = table.row_count();
  return v;
}

ViewOrder ViewOrder::BuildMerged(const Table& version, const RowSet* filter,
                                 const std::vector<SortKey>& keys) {
  const TablePatch& patch = *version.patch();
  const Table& base = *patch.base;
  const auto base_rows = static_cast<uint32_t>(base.row_count());
  const RowSet& shown = filter ? *filter : patch.live;
  auto merge = std::make_shared<Merge>();
  merge->shown = shown;
  const bool table_order =
      keys.empty() || (keys.size() == 1 && !keys[0].descending && base.InRankOrder(keys[0].column));
  if (!table_order) merge->perm = base.OrderBy(keys);
  std::shared_ptr<const AddedOrder> added = AddedInOrder(version, keys, merge->perm.get());
  for (size_t i = 0; i < added->rows.size(); ++i) {
    if (!shown.Contains(added->rows[i])) continue;
    merge->added.push_back(added->rows[i]);
    merge->places.push_back(added->places[i]);
  }
  const size_t base_shown = shown.count() - merge->added.size();
  ViewOrder v;
  v.count_ = shown.count();
  v.whole_ = filter == nullptr && keys.empty();
  if (table_order) {
    for (size_t j = 0; j < merge->added.size(); ++j) {
      merge->at.push_back(shown.CountBelow(merge->places[j]) + j);
    }
  } else if (base_shown <= base_rows / 32 + 1) {
    // Few rows: listed, the base's by their place in its order, the added ones between.
    std::vector<uint32_t> ids = shown.Ids();
    ids.resize(base_shown);
    const std::vector<uint32_t>& place = merge->perm->position;
    std::sort(ids.begin(), ids.end(), [&](uint32_t a, uint32_t b) { return place[a] < place[b]; });
    auto out = std::make_shared<std::vector<uint32_t>>();
    size_t j = 0;
    for (uint32_t r : ids) {
      while (j < merge->added.size() && merge->places[j] <= place[r]) {
        out->push_back(merge->added[j++]);
      }
      out->push_back(r);
    }
    out->insert(out->end(), merge->added.begin() + static_cast<std::ptrdiff_t>(j),
                merge->added.end());
    v.rows_ = std::move(out);
    return v;
  }
  v.merge_ = std::move(merge);
  return v;
}

ViewOrder ViewOrder::Build(const Table& table, const RowSet* filter,
                           const std::vector<SortKey>& keys) {
  if (table.patch()) return BuildMerged(table, filter, keys);
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
