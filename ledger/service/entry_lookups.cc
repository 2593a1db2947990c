#include "ledger/service/entry_lookups.h"

#include <initializer_list>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "contracts/error.h"
#include "ledger/entries.h"

namespace glnamelist::ledger {
namespace {

// Longer chains than this are a broken parent link (a cycle), not a chart of accounts.
constexpr int kMaxAccountDepth = 64;

// The entry (id, number, name, detail) of the first row of a look-up, if any.
template <class Entry>
std::shared_ptr<Entry> FirstEntry(LedgerDb& db, std::string_view sql,
                                  std::initializer_list<SqlValue> values) {
  std::shared_ptr<Entry> entry;
  db.Lookup(sql, values, [&](const ResultRow& row) {
    if (entry) return;
    entry =
        std::make_shared<Entry>(EntryData{static_cast<long>(row.Int(0)), std::string(row.Text(1)),
                                          std::string(row.Text(2)), row.Int(3) != 0});
  });
  return entry;
}

}  // namespace

AccountEntryPtr FindAccount(LedgerDb& db, const std::string& number) {
  return FirstEntry<LedgerAccount>(
      db, "SELECT id, number, name, detail FROM accounts WHERE number = ?1", {number});
}

ItemEntryPtr FindItem(LedgerDb& db, long item_class, const std::string& number) {
  return FirstEntry<LedgerItem>(
      db, "SELECT id, number, name, detail FROM items WHERE class_id = ?1 AND number = ?2",
      {int64_t{item_class}, number});
}

SubMesEntryPtr FindSubMes(LedgerDb& db, long item_class, const std::string& number) {
  return FirstEntry<LedgerSubMes>(
      db, "SELECT id, number, name, detail FROM submes WHERE class_id = ?1 AND number = ?2",
      {int64_t{item_class}, number});
}

std::string AccountFullName(LedgerDb& db, long account_id) {
  std::vector<std::string> names;
  std::optional<int64_t> next = account_id;
  while (next) {
    if (names.size() == kMaxAccountDepth) {
      throw Error(errc::kDataService, "Ledger " + db.name() + ": the parents of account " +
                                          std::to_string(account_id) + " form a cycle");
    }
    const int64_t id = *next;
    bool found = false;
    db.Lookup("SELECT name, parent_id FROM accounts WHERE id = ?1", {id},
              [&](const ResultRow& row) {
                found = true;
                names.emplace_back(row.Text(0));
                next = row.IsNull(1) ? std::nullopt : std::optional<int64_t>(row.Int(1));
              });
    if (!found) {
      throw Error(errc::kDataService,
                  "Ledger " + db.name() + ": no account with id " + std::to_string(id));
    }
  }
  std::string full;
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    if (!full.empty()) full += '_';
    full += *name;
  }
  return full;
}

UnitSetPtr ReadUnits(LedgerDb& db, long unit_group) {
  bool group = false;
  db.Lookup("SELECT id FROM unit_groups WHERE id = ?1", {int64_t{unit_group}},
            [&](const ResultRow&) { group = true; });
  if (!group) return nullptr;
  std::vector<UnitEntryPtr> list;
  db.Load("SELECT number, name FROM units WHERE group_id = ?1 ORDER BY number",
          {int64_t{unit_group}}, [&](const ResultRow& row) {
            list.push_back(
                std::make_shared<LedgerUnit>(std::string(row.Text(0)), std::string(row.Text(1))));
          });
  return std::make_shared<LedgerUnitSet>(std::move(list));
}

}  // namespace glnamelist::ledger
