#include "recordset/table_patch.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <numeric>
#include <string>
#include <string_view>
#include <unordered_set>

#include "contracts/error.h"
#include "recordset/collation.h"
#include "recordset/table_builder.h"
#include "recordset/table_recordset.h"

namespace glnamelist::recordset {

struct AddedOrders {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<const AddedOrder>> by_keys;
};

namespace {

// A row that goes into the added rows of a new version: of an older version's added rows,
// or of the rows given.
struct Source {
  const Table* table;
  uint32_t row;
  std::string_view Text(size_t column) const { return table->column(column).text.At(row); }
};

void RequireSameColumns(const Table& base, const Table& added) {
  bool same = !added.patch() && added.column_count() == base.column_count();
  for (size_t c = 0; same && c < base.column_count(); ++c) {
    same = added.column(c).type == base.column(c).type;
  }
  if (!same) throw Error(errc::kTypeMismatch, "Type mismatch: the rows added have other columns");
}

TablePtr TableOf(const std::vector<Source>& rows, const Table& base) {
  std::vector<ColumnStore> columns;
  for (size_t c = 0; c < base.column_count(); ++c) {
    ColumnBuilder column;
    column.name = base.column(c).name;
    column.type = base.column(c).type;
    column.Reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      column.AppendFrom(rows[i].table->column(c), rows[i].row, i);
    }
    columns.push_back(column.Finish());
  }
  return std::make_shared<const Table>(std::move(columns), rows.size());
}

// The first row of base whose column `order` holds more than text, by bytes.
uint32_t PlaceOf(const Table& base, size_t order, std::string_view text) {
  const TextData& codes = base.column(order).text;
  size_t low = 0, high = base.row_count();
  while (low < high) {
    const size_t mid = low + (high - low) / 2;
    if (codes.At(mid) <= text) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return static_cast<uint32_t>(low);
}

std::string KeysName(const std::vector<SortKey>& keys) {
  std::string name;
  for (const SortKey& k : keys) name += std::to_string(k.column) + (k.descending ? "d," : "a,");
  return name;
}

}  // namespace

TablePtr PatchTable(const TablePtr& table, size_t key, std::span<const int64_t> removed,
                    const TablePtr& added, size_t order) {
  const TablePatch* old = table->patch();
  const TablePtr& base = old ? old->base : table;
  RequireSameColumns(*base, *added);
  const std::unordered_set<int64_t> gone(removed.begin(), removed.end());
  std::vector<uint32_t> dead_rows;
  for (int64_t id : gone) {
    if (std::optional<uint32_t> row = base->RowWithInt(key, id)) dead_rows.push_back(*row);
  }
  std::sort(dead_rows.begin(), dead_rows.end());
  RowSet dead = RowSet::FromIds(dead_rows);
  if (old) dead = dead.Or(old->dead);

  std::vector<Source> rows;
  if (old) {
    const ColumnStore& keys = old->added->column(key);
    for (uint32_t r = 0; r < old->added->row_count(); ++r) {
      if (keys.IsNull(r) || !gone.contains(keys.ints[r])) rows.push_back({old->added.get(), r});
    }
  }
  for (uint32_t r = 0; r < added->row_count(); ++r) rows.push_back({added.get(), r});
  std::stable_sort(rows.begin(), rows.end(),
                   [&](const Source& a, const Source& b) { return a.Text(order) < b.Text(order); });

  TablePatch patch;
  patch.base = base;
  patch.added = TableOf(rows, *base);
  for (const Source& row : rows) patch.before.push_back(PlaceOf(*base, order, row.Text(order)));
  const auto base_rows = static_cast<uint32_t>(base->row_count());
  patch.dead = std::move(dead);
  patch.live = RowSet::Range(0, base_rows)
                   .AndNot(patch.dead)
                   .Or(RowSet::Range(base_rows, base_rows + static_cast<uint32_t>(rows.size())));
  patch.orders = std::make_shared<AddedOrders>();
  return std::make_shared<const Table>(std::move(patch));
}

std::shared_ptr<const AddedOrder> AddedInOrder(const Table& version,
                                               const std::vector<SortKey>& keys,
                                               const Permutation* perm) {
  const TablePatch& patch = *version.patch();
  const std::string name = KeysName(keys);
  std::lock_guard lock(patch.orders->mutex);
  auto found = patch.orders->by_keys.find(name);
  if (found != patch.orders->by_keys.end()) return found->second;

  const Table& base = *patch.base;
  const Table& added = *patch.added;
  const auto base_rows = static_cast<uint32_t>(base.row_count());
  std::vector<uint32_t> local(added.row_count());
  std::iota(local.begin(), local.end(), 0u);
  std::vector<uint32_t> places = patch.before;
  if (!keys.empty()) {
    // An added row a comes before a base row b by the keys, then in table order.
    auto before_base = [&](uint32_t a, uint32_t b) {
      for (const SortKey& k : keys) {
        const int order = CompareRanked(added.column(k.column), a, base.column(k.column), b);
        if (order != 0) return k.descending ? order > 0 : order < 0;
      }
      return patch.before[a] <= b;
    };
    for (uint32_t a : local) {
      size_t low = 0, high = base_rows;
      while (low < high) {
        const size_t mid = low + (high - low) / 2;
        const uint32_t b = perm ? perm->order[mid] : static_cast<uint32_t>(mid);
        if (before_base(a, b)) {
          high = mid;
        } else {
          low = mid + 1;
        }
      }
      places[a] = static_cast<uint32_t>(low);
    }
    std::stable_sort(local.begin(), local.end(), [&](uint32_t a, uint32_t b) {
      if (places[a] != places[b]) return places[a] < places[b];
      for (const SortKey& k : keys) {
        const int order = CompareRanked(added.column(k.column), a, added.column(k.column), b);
        if (order != 0) return k.descending ? order > 0 : order < 0;
      }
      return false;
    });
  }
  auto result = std::make_shared<AddedOrder>();
  for (uint32_t a : local) {
    result->rows.push_back(base_rows + a);
    result->places.push_back(places[a]);
  }
  patch.orders->by_keys.emplace(name, result);
  return result;
}

namespace {

const TableRecordset& OfThisEngine(const Recordset& rs) {
  const auto* view = dynamic_cast<const TableRecordset*>(&rs);
  if (!view) throw Error(errc::kTypeMismatch, "Type mismatch: not a record set of this engine");
  return *view;
}

size_t ColumnOf(const Table& table, std::string_view name) {
  const int c = table.FindColumn(name);
  if (c < 0) throw Error(errc::kItemNotFound, kItemNotFoundText);
  return static_cast<size_t>(c);
}

}  // namespace

RecordsetPtr PatchedRecordset(const Recordset& rs, std::string_view key,
                              const std::vector<int64_t>& removed, const Recordset& added,
                              std::string_view order) {
  const TablePtr& table = OfThisEngine(rs).table();
  const size_t key_column = ColumnOf(*table, key), order_column = ColumnOf(*table, order);
  if (table->column(key_column).type != ColumnType::kInteger ||
      table->column(order_column).type != ColumnType::kText) {
    throw Error(errc::kTypeMismatch, "Type mismatch: a key of integers and an order of texts");
  }
  return std::make_shared<TableRecordset>(
      PatchTable(table, key_column, removed, OfThisEngine(added).table(), order_column));
}

size_t AddedRows(const Recordset& rs) {
  const TablePatch* patch = OfThisEngine(rs).table()->patch();
  return patch ? patch->added->row_count() : 0;
}

RecordsetPtr Compacted(const Recordset& rs) {
  const TablePtr& table = OfThisEngine(rs).table();
  if (!table->patch()) return std::make_shared<TableRecordset>(table);
  std::vector<size_t> all(table->column_count());
  std::iota(all.begin(), all.end(), size_t{0});
  return std::make_shared<TableRecordset>(TableRecordset(table).VisibleTable(all));
}

}  // namespace glnamelist::recordset
