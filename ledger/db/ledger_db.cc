#include "ledger/db/ledger_db.h"

#include <charconv>

namespace glnamelist::ledger {

std::vector<TableShape> LedgerDb::ShapesOf(const std::vector<std::string_view>& tables) {
  std::vector<TableShape> shapes;
  for (std::string_view table : tables) shapes.push_back(ShapeOf(table));
  return shapes;
}

std::vector<std::string> LedgerDb::ColumnsOf(std::string_view table) {
  std::vector<std::string> names;
  for (TableShape::Column& column : ShapeOf(table).columns) names.push_back(std::move(column.name));
  return names;
}

std::optional<std::string> LedgerDb::MetaValue(std::string_view key) {
  std::optional<std::string> value;
  Lookup(kMetaValueSql, {key}, [&](const ResultRow& row) { value = std::string(row.Text(0)); });
  return value;
}

void RunUnlocked(std::unique_lock<std::mutex>& lock, const std::function<void()>& reads) {
  lock.unlock();
  try {
    reads();
  } catch (...) {
    lock.lock();
    throw;
  }
  lock.lock();
}

std::optional<int64_t> ChangeOf(const LedgerStamp& stamp) {
  const std::string& v = stamp.version;
  int64_t change = 0;
  auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), change);
  if (v.empty() || error != std::errc() || end != v.data() + v.size() || change < 0) {
    return std::nullopt;
  }
  return change;
}

int64_t LastChange(LedgerDb& db) {
  int64_t last = 0;
  db.Lookup(kLastChangeSql, {}, [&](const ResultRow& row) {
    if (!row.IsNull(0)) last = row.Int(0);
  });
  return last;
}

std::vector<MasterChange> ChangesBetween(LedgerDb& db, int64_t after, int64_t last) {
  std::vector<MasterChange> changes;
  db.Load(
      "SELECT seq, tbl, row_id, parent_id FROM master_changes WHERE seq > ?1 AND seq <= ?2 "
      "ORDER BY seq",
      {after, last}, [&](const ResultRow& row) {
        MasterChange& change = changes.emplace_back();
        change.seq = row.Int(0);
        change.table = std::string(row.Text(1));
        if (!row.IsNull(2)) change.row = row.Int(2);
        if (!row.IsNull(3)) change.parent = row.Int(3);
      });
  return changes;
}

}  // namespace glnamelist::ledger
