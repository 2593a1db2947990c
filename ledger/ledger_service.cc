#include "ledger/ledger_service.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "contracts/error.h"
#include "ledger/entries.h"
#include "ledger/ledger_file.h"
#include "ledger/record_loader.h"

namespace glnamelist::ledger {
namespace {

using recordset::Column;
using recordset::ColumnType;

// Longer chains than this are a broken parent link (a cycle), not a chart of accounts.
constexpr int kMaxAccountDepth = 64;

const std::vector<Column>& AccountColumns() {
  static const std::vector<Column> columns = {
      {"FAccountID", ColumnType::kInteger}, {"FNumber", ColumnType::kText},
      {"FName", ColumnType::kText},         {"FDetail", ColumnType::kInteger},
      {"FHelperCode", ColumnType::kText},   {"FIsBank", ColumnType::kInteger},
      {"FIsCash", ColumnType::kInteger}};
  return columns;
}

const std::vector<Column>& CodeNameColumns() {
  static const std::vector<Column> columns = {{"FItemID", ColumnType::kInteger},
                                              {"FNumber", ColumnType::kText},
                                              {"FName", ColumnType::kText}};
  return columns;
}

const std::vector<Column>& ExplanationColumns() {
  static const std::vector<Column> columns = {{"FItemID", ColumnType::kInteger},
                                              {"FNumber", ColumnType::kText},
                                              {"FExplanation", ColumnType::kText}};
  return columns;
}

const std::vector<Column>& TreeColumns() {
  static const std::vector<Column> columns = {{"FItemID", ColumnType::kInteger},
                                              {"FNumber", ColumnType::kText},
                                              {"FName", ColumnType::kText},
                                              {"FDetail", ColumnType::kInteger}};
  return columns;
}

// Reads id, number, name, detail of the current row.
EntryData EntryOf(const Statement& row) {
  return EntryData{static_cast<long>(row.Int(0)), std::string(row.Text(1)),
                   std::string(row.Text(2)), row.Int(3) != 0};
}

// The entry of the first row of a bound query, if any; the query is reset.
std::optional<EntryData> FirstEntry(Statement& query) {
  std::optional<EntryData> entry;
  if (query.Step()) entry = EntryOf(query);
  query.Reset();
  return entry;
}

}  // namespace

// The statements used again and again, prepared on first use.
struct LedgerService::Queries {
  explicit Queries(Database& db) : db(db) {}

  Statement& Get(std::optional<Statement>& slot, std::string_view sql) {
    if (!slot) slot.emplace(db, sql);
    return *slot;
  }

  Database& db;
  std::optional<Statement> account_by_number, account_by_id, item_by_number, submes_by_number;
};

LedgerService::LedgerService(const std::string& path)
    : db_(OpenLedgerFile(path)), queries_(std::make_unique<Queries>(*db_)) {}

LedgerService::~LedgerService() = default;

const std::string& LedgerService::path() const { return db_->path(); }

RecordsetPtr LedgerService::Cached(RecordsetPtr& cache, std::string_view sql,
                                   const std::vector<recordset::Column>& columns) {
  if (!cache) {
    Statement query(*db_, sql);
    cache = LoadRecordset(query, columns);
  }
  return cache;
}

RecordSourcePtr LedgerService::AccountSet() {
  return std::make_shared<LedgerRecordSource>(
      Cached(accounts_,
             "SELECT id, number, name, detail, helper_code, is_bank, is_cash FROM accounts "
             "ORDER BY number",
             AccountColumns()));
}

AccountEntryPtr LedgerService::GetAccount(std::string& Number) {
  Statement& query = queries_->Get(queries_->account_by_number,
                                   "SELECT id, number, name, detail FROM accounts "
                                   "WHERE number = ?1");
  query.Bind(1, Number);
  std::optional<EntryData> entry = FirstEntry(query);
  if (!entry) return nullptr;
  return std::make_shared<LedgerAccount>(std::move(*entry));
}

std::string LedgerService::GetAccountFullName(long AccountID) {
  Statement& query =
      queries_->Get(queries_->account_by_id, "SELECT name, parent_id FROM accounts WHERE id = ?1");
  std::vector<std::string> names;
  std::optional<int64_t> next = AccountID;
  while (next) {
    if (names.size() == kMaxAccountDepth) {
      throw Error(errc::kDataService, "Ledger " + path() + ": the parents of account " +
                                          std::to_string(AccountID) + " form a cycle");
    }
    query.Bind(1, *next);
    if (!query.Step()) {
      query.Reset();
      throw Error(errc::kDataService,
                  "Ledger " + path() + ": no account with id " + std::to_string(*next));
    }
    names.emplace_back(query.Text(0));
    next = query.IsNull(1) ? std::nullopt : std::optional<int64_t>(query.Int(1));
    query.Reset();
  }
  std::string full;
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    if (!full.empty()) full += '_';
    full += *name;
  }
  return full;
}

RecordSourcePtr LedgerService::CurrencySet() {
  return std::make_shared<LedgerRecordSource>(Cached(
      currencies_, "SELECT id, number, name FROM currencies ORDER BY number", CodeNameColumns()));
}

RecordSourcePtr LedgerService::ItemClassSet() {
  return std::make_shared<LedgerRecordSource>(
      Cached(item_classes_, "SELECT id, number, name FROM item_classes ORDER BY number",
             CodeNameColumns()));
}

RecordSourcePtr LedgerService::UnitGroupSet() {
  return std::make_shared<LedgerRecordSource>(Cached(
      unit_groups_, "SELECT id, number, name FROM unit_groups ORDER BY number", CodeNameColumns()));
}

RecordSourcePtr LedgerService::SettTypeSet() {
  return std::make_shared<LedgerRecordSource>(
      Cached(settle_types_, "SELECT id, number, name FROM settle_types ORDER BY number",
             CodeNameColumns()));
}

RecordsetPtr LedgerService::VchExpSet() {
  return Cached(explanations_,
                "SELECT id, number, explanation FROM vch_explanations ORDER BY number",
                ExplanationColumns())
      ->Clone();
}

RecordSourcePtr LedgerService::SubMesSet(long& ItemClassID) {
  auto found = submes_by_class_.find(ItemClassID);
  if (found != submes_by_class_.end()) return found->second;
  Statement query(*db_,
                  "SELECT id, number, name, detail FROM submes WHERE class_id = ?1 "
                  "ORDER BY number");
  query.Bind(1, static_cast<int64_t>(ItemClassID));
  RecordsetPtr table = LoadRecordset(query, TreeColumns());
  RecordSourcePtr source;
  if (table->RecordCount() > 0) source = std::make_shared<LedgerRecordSource>(table);
  submes_by_class_.emplace(ItemClassID, source);
  return source;
}

SubMesEntryPtr LedgerService::GetSubMes(long& ItemClassID, const Variant& /*Reserved*/,
                                        std::string& Number) {
  Statement& query = queries_->Get(queries_->submes_by_number,
                                   "SELECT id, number, name, detail FROM submes "
                                   "WHERE class_id = ?1 AND number = ?2");
  query.Bind(1, static_cast<int64_t>(ItemClassID)).Bind(2, Number);
  std::optional<EntryData> entry = FirstEntry(query);
  if (!entry) return nullptr;
  return std::make_shared<LedgerSubMes>(std::move(*entry));
}

ItemEntryPtr LedgerService::GetItem(long& ItemClassID, const Variant& /*Reserved*/,
                                    std::string& Number) {
  Statement& query = queries_->Get(queries_->item_by_number,
                                   "SELECT id, number, name, detail FROM items "
                                   "WHERE class_id = ?1 AND number = ?2");
  query.Bind(1, static_cast<int64_t>(ItemClassID)).Bind(2, Number);
  std::optional<EntryData> entry = FirstEntry(query);
  if (!entry) return nullptr;
  return std::make_shared<LedgerItem>(std::move(*entry));
}

UnitSetPtr LedgerService::UnitSet(long& UnitGroupID) {
  auto found = units_by_group_.find(UnitGroupID);
  if (found != units_by_group_.end()) return found->second;
  Statement group(*db_, "SELECT count(*) FROM unit_groups WHERE id = ?1");
  group.Bind(1, static_cast<int64_t>(UnitGroupID));
  group.Step();
  UnitSetPtr units;
  if (group.Int(0) > 0) {
    Statement query(*db_, "SELECT number, name FROM units WHERE group_id = ?1 ORDER BY number");
    query.Bind(1, static_cast<int64_t>(UnitGroupID));
    std::vector<UnitEntryPtr> list;
    while (query.Step()) {
      list.push_back(
          std::make_shared<LedgerUnit>(std::string(query.Text(0)), std::string(query.Text(1))));
    }
    units = std::make_shared<LedgerUnitSet>(std::move(list));
  }
  units_by_group_.emplace(UnitGroupID, units);
  return units;
}

RecordsetPtr LedgerService::ClassItems(long item_class_id) {
  auto found = items_by_class_.find(item_class_id);
  if (found != items_by_class_.end()) return found->second;
  Statement query(*db_,
                  "SELECT id, number, name, detail FROM items WHERE class_id = ?1 "
                  "ORDER BY number");
  query.Bind(1, static_cast<int64_t>(item_class_id));
  RecordsetPtr table = LoadRecordset(query, TreeColumns());
  items_by_class_.emplace(item_class_id, table);
  return table;
}

RecordsetPtr LedgerService::ItemRecords(long item_class_id, const std::string& filter,
                                        const std::string& sort) {
  RecordsetPtr all = ClassItems(item_class_id);
  if (filter.empty() && sort.empty()) return all->Clone();
  ItemShape shape{item_class_id, filter, sort};
  auto found = item_shapes_.find(shape);
  if (found != item_shapes_.end()) return found->second->Clone();
  RecordsetPtr view = all->Clone();
  if (!filter.empty()) view->Filter(filter);
  if (!sort.empty()) view->Sort(sort);
  RecordsetPtr shaped = recordset::CopyVisibleRows(*view, {});
  item_shapes_.emplace(std::move(shape), shaped);
  return shaped->Clone();
}

}  // namespace glnamelist::ledger
