#include "ledger/service/set_reads.h"

#include <algorithm>
#include <optional>
#include <string>

#include "ledger/record_loader.h"

namespace glnamelist::ledger {
namespace {

// Every row of the set (?1: the class). A whole table is read as it lies and put in code
// order here: walking its index of codes would look each row up in the table apart, which
// costs the database three times the reading; a class's rows are found by that index.
std::string AllRowsSql(const SetDescription& set) {
  std::string sql = "SELECT " + std::string(set.fields) + " FROM " + std::string(set.table);
  if (set.of_class.empty()) return sql;
  return sql + " WHERE " + std::string(set.of_class) + " = ?1 ORDER BY number";
}

// The rows of the set logged as changed after ?1 up to ?2 (?3: the class); the names are
// the program's own.
std::string ChangedRowsSql(const SetDescription& set) {
  std::string logged = "SELECT row_id FROM master_changes WHERE tbl = '" + std::string(set.table) +
                       "' AND seq > ?1 AND seq <= ?2";
  std::string sql = "SELECT " + std::string(set.fields) + " FROM " + std::string(set.table) +
                    " WHERE id IN (" + logged;
  if (set.of_class.empty()) return sql + ") ORDER BY number";
  return sql + " AND parent_id = ?3) AND " + std::string(set.of_class) + " = ?3 ORDER BY number";
}

}  // namespace

RecordsetPtr ReadWhole(LedgerDb& db, const SetKey& key) {
  const SetDescription& set = Describe(key);
  const std::string sql = AllRowsSql(set);
  if (set.of_class.empty()) {
    return recordset::InByteOrder(LoadRecordset(db, sql, {}, set.columns()), "FNumber");
  }
  return LoadRecordset(db, sql, {int64_t{key.item_class}}, set.columns());
}

std::vector<SetKey> SetsTouched(const MasterChange& change,
                                const std::map<SetKey, SetVersion>& known) {
  std::vector<SetKey> keys;
  for (const SetDescription& set : SetCatalogue()) {
    if (set.table != change.table) continue;
    if (set.of_class.empty()) {
      keys.push_back(SetKey{set.kind});
    } else if (change.row && change.parent) {
      keys.push_back(SetKey{set.kind, static_cast<long>(*change.parent)});
    } else {
      for (const auto& [key, version] : known) {  // a whole table: every class
        if (key.kind == set.kind) keys.push_back(key);
      }
    }
  }
  std::erase_if(keys, [&](const SetKey& key) { return !known.contains(key); });
  return keys;
}

RecordsetPtr Patched(LedgerDb& db, const SetKey& key, const SetVersion& old,
                     const std::vector<const MasterChange*>& changes, int64_t last) {
  const SetDescription& set = Describe(key);
  std::vector<int64_t> ids;
  bool whole = false;
  for (const MasterChange* change : changes) {
    if (change->row) ids.push_back(*change->row);
    whole = whole || !change->row;
  }
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  RecordsetPtr rs;
  if (whole || ids.size() > std::max<size_t>(kCompactAbove, old.rs->RecordCount() / 4)) {
    rs = ReadWhole(db, key);  // much changed: read again
  } else {
    const std::string sql = ChangedRowsSql(set);
    RecordsetPtr rows =
        set.of_class.empty()
            ? LoadRecordset(db, sql, {old.seq, last}, set.columns())
            : LoadRecordset(db, sql, {old.seq, last, int64_t{key.item_class}}, set.columns());
    rs = recordset::PatchedRecordset(*old.rs, set.key, ids, *rows, "FNumber");
  }
  // Handed over with its look-up structures, so that no keystroke builds them.
  recordset::LookupPreparation(*rs, LookupColumnsOf(key))();
  return rs;
}

}  // namespace glnamelist::ledger
