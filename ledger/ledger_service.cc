#include "ledger/ledger_service.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "contracts/error.h"
#include "ledger/db/ledger_error.h"
#include "ledger/db/reporting_ledger.h"
#include "ledger/entries.h"
#include "ledger/ledger_at.h"
#include "ledger/record_loader.h"

namespace glnamelist::ledger {
namespace {

using recordset::Column;
using recordset::ColumnType;

// Longer chains than this are a broken parent link (a cycle), not a chart of accounts.
constexpr int kMaxAccountDepth = 64;

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

// Reads id, number, name, detail of a row.
EntryData EntryOf(const ResultRow& row) {
  return EntryData{static_cast<long>(row.Int(0)), std::string(row.Text(1)),
                   std::string(row.Text(2)), row.Int(3) != 0};
}

// The entry of the first row of a look-up, if any.
std::optional<EntryData> FirstEntry(LedgerDb& db, std::string_view sql,
                                    std::initializer_list<SqlValue> values) {
  std::optional<EntryData> entry;
  db.Lookup(sql, values, [&](const ResultRow& row) {
    if (!entry) entry = EntryOf(row);
  });
  return entry;
}

// How a set is read: the rows of a table (of one class, for items and SubMes entries) in
// code order. Its codes and names are searched, and unless told otherwise its rows are also
// sorted by name.
struct SetRead {
  std::string_view table;
  std::string_view fields;  // the columns read, in the order of columns()
  const std::vector<Column>& (*columns)();
  bool sorted_by_name = true;
  std::string_view parent = {};  // the column of the class a set is of
  std::string_view key = "FItemID";
};

const SetRead& ReadOf(MasterSet set) {
  static const SetRead reads[] = {
      {"vch_explanations", "id, number, explanation", ExplanationColumns},
      {"accounts",
       "id, number, name, detail, helper_code, is_bank, is_cash",
       AccountColumns,
       false,
       {},
       "FAccountID"},
      {"currencies", "id, number, name", CodeNameColumns},
      {"item_classes", "id, number, name", CodeNameColumns},
      {"unit_groups", "id, number, name", CodeNameColumns},
      {"settle_types", "id, number, name", CodeNameColumns}};
  return reads[static_cast<size_t>(set)];
}

const SetRead kClassItems = {"items", "id, number, name, detail", TreeColumns, false, "class_id"};
const SetRead kClassSubMes = {"submes", "id, number, name, detail", TreeColumns, true, "class_id"};

// Every row of the set (?1: the class).
std::string AllRowsSql(const SetRead& read) {
  std::string sql = "SELECT " + std::string(read.fields) + " FROM " + std::string(read.table);
  if (!read.parent.empty()) sql += " WHERE " + std::string(read.parent) + " = ?1";
  return sql + " ORDER BY number";
}

// The rows of the set logged as changed after ?1 up to ?2 (?3: the class); the names are
// the program's own.
std::string ChangedRowsSql(const SetRead& read) {
  std::string logged = "SELECT row_id FROM master_changes WHERE tbl = '" + std::string(read.table) +
                       "' AND seq > ?1 AND seq <= ?2";
  std::string sql = "SELECT " + std::string(read.fields) + " FROM " + std::string(read.table) +
                    " WHERE id IN (" + logged;
  if (read.parent.empty()) return sql + ") ORDER BY number";
  return sql + " AND parent_id = ?3) AND " + std::string(read.parent) + " = ?3 ORDER BY number";
}

RecordsetPtr ReadRows(LedgerDb& db, const SetRead& read, std::optional<long> parent) {
  const std::string sql = AllRowsSql(read);
  if (parent) return LoadRecordset(db, sql, {int64_t{*parent}}, read.columns());
  return LoadRecordset(db, sql, {}, read.columns());
}

// A master set's name in a snapshot.
std::string NameOf(MasterSet set) {
  static const char* const names[] = {"explanations", "accounts",    "currencies",
                                      "item_classes", "unit_groups", "settle_types"};
  return names[static_cast<size_t>(set)];
}

constexpr MasterSet kAllSets[] = {MasterSet::kExplanations, MasterSet::kAccounts,
                                  MasterSet::kCurrencies,   MasterSet::kItemClasses,
                                  MasterSet::kUnitGroups,   MasterSet::kSettleTypes};

std::string ItemsName(long item_class_id) { return "items/" + std::to_string(item_class_id); }
std::string SubMesName(long item_class_id) { return "submes/" + std::to_string(item_class_id); }

// How the set of a name is read, and its class when it is a class's.
const SetRead& ReadOfName(const std::string& name, std::optional<long>& parent) {
  for (const auto& [prefix, read] :
       {std::pair{"items/", &kClassItems}, {"submes/", &kClassSubMes}}) {
    if (name.starts_with(prefix)) {
      parent = std::stol(name.substr(std::string_view(prefix).size()));
      return *read;
    }
  }
  for (MasterSet which : kAllSets) {
    if (NameOf(which) == name) return ReadOf(which);
  }
  throw Error(errc::kDataService, "No master set " + name);
}

// The names of the sets that a change touches, among those whose names are known.
template <class Known>
std::vector<std::string> SetsTouched(const MasterChange& change, const Known& known) {
  std::vector<std::string> names;
  for (MasterSet which : kAllSets) {
    if (ReadOf(which).table == change.table) names.push_back(NameOf(which));
  }
  for (const auto& [prefix, read] :
       {std::pair{"items/", &kClassItems}, {"submes/", &kClassSubMes}}) {
    if (read->table != change.table) continue;
    if (change.row && change.parent) {
      names.push_back(prefix + std::to_string(*change.parent));
      continue;
    }
    for (const auto& [name, version] : known) {  // a whole table: every class
      if (name.starts_with(prefix)) names.push_back(name);
    }
  }
  std::erase_if(names, [&](const std::string& name) { return !known.contains(name); });
  return names;
}

// A version made of too many rows of its own is copied into a table of its own.
constexpr size_t kCompactAbove = 4096;

recordset::LookupColumns LookupColumnsOf(bool sorted_by_name) {
  recordset::LookupColumns columns{
      .codes = {"FNumber"}, .names = {"FName", "FHelperCode"}, .sorted = {}};
  if (sorted_by_name) columns.sorted = {"FName"};
  return columns;
}

}  // namespace

const std::vector<recordset::Column>& AccountColumns() {
  static const std::vector<recordset::Column> columns = {
      {"FAccountID", ColumnType::kInteger}, {"FNumber", ColumnType::kText},
      {"FName", ColumnType::kText},         {"FDetail", ColumnType::kInteger},
      {"FHelperCode", ColumnType::kText},   {"FIsBank", ColumnType::kInteger},
      {"FIsCash", ColumnType::kInteger}};
  return columns;
}

const std::vector<recordset::Column>& TreeColumns() {
  static const std::vector<recordset::Column> columns = {{"FItemID", ColumnType::kInteger},
                                                         {"FNumber", ColumnType::kText},
                                                         {"FName", ColumnType::kText},
                                                         {"FDetail", ColumnType::kInteger}};
  return columns;
}

// The host's reads tell it of their failures; a fault that passes, met in an action the
// host tells of, fails the action's later reads at once. The worker's reads go their way.
void LedgerService::Reported(const std::function<void()>& read) {
  if (BackgroundWorker::OnWorkerThread()) return read();
  if (held_) throw *held_;
  try {
    read();
  } catch (const LedgerError& e) {
    if (actions_ && Passing(e.fault())) held_ = e;
    Report(e);
    throw;
  }
}

LedgerService::LedgerService(std::unique_ptr<LedgerDb> db)
    : db_(std::make_unique<ReportingLedger>(
          std::move(db), [this](const std::function<void()>& read) { Reported(read); })) {
  db_->Watch([this](bool seen) { Seen(seen); });
  begun_ = true;  // without a snapshot, and so without needing the ledger's stamp
}

LedgerService::LedgerService(const std::string& location) : location_(location) {
  const std::vector<std::string> places = SnapshotPlaces(location_);
  // A server that may have a snapshot here is connected to while the form appears: what it
  // lists waits for the connection, and for the snapshot to be found of this ledger. The
  // connection is started first, as it takes the longest.
  const bool snapshot_here = std::any_of(places.begin(), places.end(), [](const std::string& p) {
    std::error_code error;
    return std::filesystem::exists(p, error);
  });
  if (IsServerLocation(location_) && snapshot_here) {
    auto opening = std::make_unique<OpeningLedger>(location_);
    opening_ = opening.get();
    db_ = std::make_unique<ReportingLedger>(
        std::move(opening), [this](const std::function<void()>& read) { Reported(read); });
  }
  // The snapshot is looked for, and its master sets checked, while the ledger is opened.
  auto found = std::make_shared<std::promise<std::shared_ptr<const Snapshot>>>();
  found_snapshot_ = found->get_future().share();
  worker_.Post([found, places] {
    std::shared_ptr<const Snapshot> snapshot;
    try {
      snapshot = Snapshot::Open(places);
    } catch (...) {
      // None to be used.
    }
    found->set_value(snapshot);
    for (MasterSet which : kAllSets) {
      if (snapshot) snapshot->Take(NameOf(which));  // kept by the snapshot once checked
    }
  });
  if (opening_) return;
  db_ = std::make_unique<ReportingLedger>(
      OpenLedger(location_), [this](const std::function<void()>& read) { Reported(read); });
  Begin();
}

void LedgerService::Begin() {
  if (begun_) return;  // every read asks: the lock only while the ledger is being opened
  std::lock_guard lock(begin_mutex_);
  if (begun_) return;
  // The change first: a snapshot as of the stamp holds every change up to it, and maybe more.
  opened_seq_ = LastChange(*db_);
  stamp_ = db_->Stamp();
  db_->Watch([this](bool seen) { Seen(seen); });
  snapshot_ = Usable(found_snapshot_.get());
  begun_ = true;
}

std::shared_ptr<const Snapshot> LedgerService::Usable(std::shared_ptr<const Snapshot> snapshot) {
  if (!stamp_ || !snapshot || snapshot->made_from().identity != stamp_->identity) return nullptr;
  for (MasterSet which : kAllSets) {
    if (!snapshot->Has(NameOf(which))) return nullptr;  // not one of ours
  }
  snapshot_change_ = opened_seq_;
  if (snapshot->made_from().version != stamp_->version) {
    // Older than the ledger: used with the changes logged since applied on top, unless they
    // are too many to be read quicker than the sets.
    std::optional<int64_t> made = ChangeOf(snapshot->made_from());
    std::optional<int64_t> now = ChangeOf(*stamp_);
    if (!made || !now || *made > *now || *now - *made > kSnapshotBehindAtMost) return nullptr;
    snapshot_change_ = *made;
  }
  return snapshot;
}

bool LedgerService::FromSnapshot() const { return begun_ && snapshot_ && snapshot_whole_; }

void LedgerService::AwaitOpening() {
  if (opening_) Begin();
}

std::optional<LedgerError> LedgerService::Refused(std::chrono::milliseconds wait) const {
  if (!opening_) return std::nullopt;
  opening_->Settled(wait);
  std::optional<LedgerError> failure = opening_->Failure();
  if (failure && Passing(failure->fault())) return std::nullopt;
  return failure;
}

const LedgerService::ChangeList& LedgerService::ChangesSinceSnapshot() {
  std::lock_guard lock(snapshot_changes_mutex_);
  if (!snapshot_changes_) {
    ChangeList list;
    db_->Together([&] {
      list.last = LastChange(*db_);
      list.changes = ChangesBetween(*db_, snapshot_change_, list.last);
    });
    snapshot_changes_ = std::move(list);
  }
  return *snapshot_changes_;
}

LedgerService::Version LedgerService::CaughtUp(const std::string& name, const Version& taken) {
  const ChangeList& since = ChangesSinceSnapshot();
  const std::map<std::string, Version> known = {{name, taken}};
  std::vector<const MasterChange*> touched;
  for (const MasterChange& change : since.changes) {
    if (!SetsTouched(change, known).empty()) touched.push_back(&change);
  }
  if (touched.empty()) return Version{taken.rs, since.last};
  Version caught_up{nullptr, since.last};
  db_->Together([&] { caught_up.rs = Changed(name, taken, touched, since.last); });
  return caught_up;
}

RecordsetPtr LedgerService::TakeFromSnapshot(const std::string& name) {
  if (!snapshot_ || !snapshot_->Has(name)) return nullptr;
  RecordsetPtr rs = snapshot_->Take(name);
  if (!rs) {
    snapshot_whole_ = false;
    PostSnapshotWrite();
  }
  return rs;
}

LedgerService::Version LedgerService::ReadVersion(const std::string& name) {
  Begin();
  Version read;
  if ((read.rs = TakeFromSnapshot(name))) {
    read.seq = snapshot_change_;
    if (read.seq < opened_seq_) read = CaughtUp(name, read);
  } else {
    std::optional<long> parent;
    const SetRead& how = ReadOfName(name, parent);
    db_->Together([&] {
      read.rs = ReadRows(*db_, how, parent);
      read.seq = LastChange(*db_);
    });
  }
  Register(name, read.rs, read.seq);
  return read;
}

RecordsetPtr LedgerService::ReadSet(MasterSet which) {
  RecordsetPtr rs = ReadVersion(NameOf(which)).rs;
  Loaded(NameOf(which), rs);
  if (which == MasterSet::kItemClasses) PreloadItems(rs);
  return rs;
}

RecordsetPtr LedgerService::ReadItems(long item_class_id) {
  RecordsetPtr items = ReadVersion(ItemsName(item_class_id)).rs;
  Loaded(ItemsName(item_class_id), items);
  return items;
}

void LedgerService::Register(const std::string& name, const RecordsetPtr& rs, int64_t seq) {
  std::lock_guard lock(versions_mutex_);
  auto [known, added] = versions_.try_emplace(name, Version{rs, seq});
  if (!added && known->second.seq < seq) known->second = Version{rs, seq};
}

RecordsetPtr LedgerService::Latest(const std::string& name, RecordsetPtr rs) {
  std::lock_guard lock(versions_mutex_);
  auto known = versions_.find(name);
  return known == versions_.end() ? rs : known->second.rs;
}

void LedgerService::Loaded(const std::string& name, const RecordsetPtr& rs) {
  std::lock_guard lock(loaded_mutex_);
  loaded_[name] = rs;
}

void LedgerService::PostSnapshotWrite() {
  if (!stamp_ || snapshot_posted_.exchange(true)) return;
  worker_.Post([this] { WriteSnapshotOfAll(); });
}

void LedgerService::WriteSnapshotOfAll() {
  std::map<std::string, RecordsetPtr> sets;
  {
    std::lock_guard lock(loaded_mutex_);
    sets = loaded_;
  }
  LedgerDb& db = *db_;
  for (MasterSet which : kAllSets) {
    if (!sets.contains(NameOf(which))) sets[NameOf(which)] = ReadRows(db, ReadOf(which), {});
  }
  RecordsetPtr classes = sets[NameOf(MasterSet::kItemClasses)]->Clone();
  for (long i = 0, n = classes->RecordCount(); i < n; ++i) {
    classes->AbsolutePosition(i + 1);
    const long id = static_cast<long>(classes->Fields("FItemID").ToLong());
    if (!sets.contains(ItemsName(id))) sets[ItemsName(id)] = ReadItems(id);
  }
  // Data read across a change of the ledger would be labelled with the wrong version.
  std::optional<LedgerStamp> now = db.Stamp();
  std::string written;
  if (now && now->identity == stamp_->identity && now->version == stamp_->version) {
    std::vector<SnapshotSet> snapshot;
    for (auto& [name, rs] : sets) {
      std::optional<long> parent;
      snapshot.push_back(
          SnapshotSet{name, rs, LookupColumnsOf(ReadOfName(name, parent).sorted_by_name)});
    }
    written = WriteSnapshot(SnapshotPlaces(location_), *stamp_, snapshot, stopping_);
  }
  // The items of the classes no form has taken yet wait for it where they lie in the new
  // snapshot, rather than in memory with what writing the snapshot built for them.
  std::shared_ptr<const Snapshot> fresh = written.empty() ? nullptr : Snapshot::Open({written});
  {
    std::lock_guard lock(preloaded_items_mutex_);
    for (const auto& [name, rs] : sets) {
      if (!name.starts_with("items/")) continue;
      const long id = std::stol(name.substr(6));
      if (items_taken_.contains(id)) continue;
      RecordsetPtr mapped = fresh ? fresh->Take(name) : nullptr;
      // Read across no change (the stamps agree), unless one came since: then it is newer.
      if (mapped && Latest(name, rs) == rs) {
        std::lock_guard versions(versions_mutex_);
        versions_[name].rs = mapped;
      }
      preloaded_items_[id] = Latest(name, mapped ? mapped : rs);
    }
  }
  std::lock_guard lock(loaded_mutex_);
  loaded_.clear();
}

void LedgerService::OnFault(std::function<void(const std::exception&)> seen) {
  fault_seen_ = std::move(seen);
}

void LedgerService::BeginAction() {
  actions_ = true;
  held_.reset();
}

void LedgerService::Report(const std::exception& e) const {
  if (fault_seen_) fault_seen_(e);
}

bool LedgerService::Stop(std::chrono::milliseconds wait) {
  stopping_ = true;
  db_->Interrupt();
  const bool stopped = worker_.Stop(wait);
  return stopped && (!opening_ || opening_->Settled(std::chrono::milliseconds(0)));
}

LedgerService::~LedgerService() {
  stopping_ = true;
  db_->Interrupt();
  worker_.Stop();
}

const std::string& LedgerService::name() const { return db_->name(); }

RecordsetPtr LedgerService::Set(MasterSet which) {
  const auto i = static_cast<size_t>(which);
  if (sets_[i]) return sets_[i];
  if (preloaded_sets_[i].valid()) {
    // A failed read's error reaches this request; the next one reads again.
    try {
      sets_[i] = std::exchange(preloaded_sets_[i], {}).get();
    } catch (const LedgerError& e) {
      Report(e);
      throw;
    }
  } else {
    sets_[i] = Prepared(ReadSet(which), ReadOf(which).sorted_by_name);
  }
  sets_[i] = Latest(NameOf(which), sets_[i]);  // changed since it was read
  return sets_[i];
}

void LedgerService::Preload(const std::vector<MasterSet>& order) {
  // Every set is handed over as soon as it is read; their look-up structures are built
  // after the last one (a filter needing one meanwhile scans the table instead).
  std::vector<std::pair<std::shared_future<RecordsetPtr>, MasterSet>> read;
  for (MasterSet which : order) {
    const auto i = static_cast<size_t>(which);
    if (sets_[i] || preloaded_sets_[i].valid()) continue;
    auto loaded = std::make_shared<std::promise<RecordsetPtr>>();
    preloaded_sets_[i] = loaded->get_future().share();
    read.emplace_back(preloaded_sets_[i], which);
    worker_.Post([this, loaded, which] {
      try {
        loaded->set_value(ReadSet(which));
      } catch (...) {
        loaded->set_exception(std::current_exception());
      }
    });
  }
  if (!read.empty()) {
    worker_.Post([read = std::move(read)] {
      for (const auto& [loaded, which] : read) {
        try {
          recordset::LookupPreparation(*loaded.get(),
                                       LookupColumnsOf(ReadOf(which).sorted_by_name))();
        } catch (...) {
          // Not read: its error is the request's, which then reads it again.
        }
      }
    });
  }
  if (begun_) {
    SnapshotWanted();
  } else if (!snapshot_check_posted_.exchange(true)) {
    worker_.Post([this] {
      snapshot_check_posted_ = false;  // a failed opening's next Preload asks again
      Begin();
      SnapshotWanted();
    });
  }
}

void LedgerService::SnapshotWanted() {
  if (!snapshot_ || opened_seq_ - snapshot_change_ > kSnapshotBehindAtMost / 16) {
    PostSnapshotWrite();
  }
}

bool LedgerService::Ready(MasterSet set) const {
  const std::shared_future<RecordsetPtr>& loading = preloaded_sets_[static_cast<size_t>(set)];
  return !loading.valid() || loading.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

RecordsetPtr LedgerService::Prepared(RecordsetPtr rs, bool sorted_by_name) {
  worker_.Post(recordset::LookupPreparation(*rs, LookupColumnsOf(sorted_by_name)));
  return rs;
}

RecordSourcePtr LedgerService::AccountSet() {
  return std::make_shared<LedgerRecordSource>(Set(MasterSet::kAccounts));
}

AccountEntryPtr LedgerService::GetAccount(std::string& Number) {
  std::optional<EntryData> entry =
      FirstEntry(*db_, "SELECT id, number, name, detail FROM accounts WHERE number = ?1", {Number});
  if (!entry) return nullptr;
  return std::make_shared<LedgerAccount>(std::move(*entry));
}

std::string LedgerService::GetAccountFullName(long AccountID) {
  std::vector<std::string> names;
  std::optional<int64_t> next = AccountID;
  while (next) {
    if (names.size() == kMaxAccountDepth) {
      throw Error(errc::kDataService, "Ledger " + name() + ": the parents of account " +
                                          std::to_string(AccountID) + " form a cycle");
    }
    const int64_t id = *next;
    bool found = false;
    db_->Lookup("SELECT name, parent_id FROM accounts WHERE id = ?1", {id},
                [&](const ResultRow& row) {
                  found = true;
                  names.emplace_back(row.Text(0));
                  next = row.IsNull(1) ? std::nullopt : std::optional<int64_t>(row.Int(1));
                });
    if (!found) {
      throw Error(errc::kDataService,
                  "Ledger " + name() + ": no account with id " + std::to_string(id));
    }
  }
  std::string full;
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    if (!full.empty()) full += '_';
    full += *name;
  }
  return full;
}

RecordSourcePtr LedgerService::CurrencySet() {
  return std::make_shared<LedgerRecordSource>(Set(MasterSet::kCurrencies));
}

RecordSourcePtr LedgerService::ItemClassSet() {
  return std::make_shared<LedgerRecordSource>(Set(MasterSet::kItemClasses));
}

void LedgerService::PreloadItems(const RecordsetPtr& item_classes) {
  RecordsetPtr classes = item_classes->Clone();
  for (long i = 0, n = classes->RecordCount(); i < n; ++i) {
    classes->AbsolutePosition(i + 1);
    const long id = static_cast<long>(classes->Fields("FItemID").ToLong());
    // A failure drops the task; ClassItems then reads the class itself.
    worker_.Post([this, id] {
      {
        // Taken, or handed over already by the snapshot's writing.
        std::lock_guard lock(preloaded_items_mutex_);
        if (items_taken_.contains(id) || preloaded_items_.contains(id)) return;
      }
      RecordsetPtr items = ReadItems(id);
      std::lock_guard lock(preloaded_items_mutex_);
      if (!items_taken_.contains(id)) preloaded_items_.emplace(id, std::move(items));
    });
  }
}

RecordSourcePtr LedgerService::UnitGroupSet() {
  return std::make_shared<LedgerRecordSource>(Set(MasterSet::kUnitGroups));
}

RecordSourcePtr LedgerService::SettTypeSet() {
  return std::make_shared<LedgerRecordSource>(Set(MasterSet::kSettleTypes));
}

RecordsetPtr LedgerService::VchExpSet() { return Set(MasterSet::kExplanations)->Clone(); }

RecordSourcePtr LedgerService::SubMesSet(long& ItemClassID) {
  auto found = submes_by_class_.find(ItemClassID);
  if (found != submes_by_class_.end()) return found->second;
  RecordsetPtr table = Prepared(ReadVersion(SubMesName(ItemClassID)).rs);
  RecordSourcePtr source;
  if (table->RecordCount() > 0) source = std::make_shared<LedgerRecordSource>(table);
  submes_by_class_.emplace(ItemClassID, source);
  return source;
}

SubMesEntryPtr LedgerService::GetSubMes(long& ItemClassID, const Variant& /*Reserved*/,
                                        std::string& Number) {
  std::optional<EntryData> entry = FirstEntry(
      *db_, "SELECT id, number, name, detail FROM submes WHERE class_id = ?1 AND number = ?2",
      {int64_t{ItemClassID}, Number});
  if (!entry) return nullptr;
  return std::make_shared<LedgerSubMes>(std::move(*entry));
}

ItemEntryPtr LedgerService::GetItem(long& ItemClassID, const Variant& /*Reserved*/,
                                    std::string& Number) {
  std::optional<EntryData> entry = FirstEntry(
      *db_, "SELECT id, number, name, detail FROM items WHERE class_id = ?1 AND number = ?2",
      {int64_t{ItemClassID}, Number});
  if (!entry) return nullptr;
  return std::make_shared<LedgerItem>(std::move(*entry));
}

UnitSetPtr LedgerService::UnitSet(long& UnitGroupID) {
  auto found = units_by_group_.find(UnitGroupID);
  if (found != units_by_group_.end()) return found->second;
  bool group = false;
  db_->Lookup("SELECT id FROM unit_groups WHERE id = ?1", {int64_t{UnitGroupID}},
              [&](const ResultRow&) { group = true; });
  UnitSetPtr units;
  if (group) {
    std::vector<UnitEntryPtr> list;
    db_->Load("SELECT number, name FROM units WHERE group_id = ?1 ORDER BY number",
              {int64_t{UnitGroupID}}, [&](const ResultRow& row) {
                list.push_back(std::make_shared<LedgerUnit>(std::string(row.Text(0)),
                                                            std::string(row.Text(1))));
              });
    units = std::make_shared<LedgerUnitSet>(std::move(list));
  }
  units_by_group_.emplace(UnitGroupID, units);
  return units;
}

RecordsetPtr LedgerService::ClassItems(long item_class_id) {
  auto found = items_by_class_.find(item_class_id);
  if (found != items_by_class_.end()) return found->second;
  // Taken when the worker has read it; while it has not (or when it failed), the items are
  // read here, where a failure reaches the caller, never waited for.
  RecordsetPtr table;
  {
    std::lock_guard lock(preloaded_items_mutex_);
    items_taken_.insert(item_class_id);
    if (auto node = preloaded_items_.extract(item_class_id)) table = std::move(node.mapped());
  }
  if (!table) table = ReadItems(item_class_id);
  table = Latest(ItemsName(item_class_id), table);
  Prepared(table, false);
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
  RecordsetPtr shaped = recordset::ShapedView(*view);
  item_shapes_.emplace(std::move(shape), shaped);
  return shaped->Clone();
}

void LedgerService::Seen(bool seen) {
  // A check that failed (a locked file, a lost server) is made again at the next tick.
  if (seen || check_failed_) PostCheck();
}

void LedgerService::PostCheck() {
  if (stopping_ || check_posted_.exchange(true)) return;
  worker_.Post([this] {
    check_posted_ = false;
    try {
      ApplyChanges();
      check_failed_ = false;
    } catch (...) {
      check_failed_ = true;
      throw;
    }
  });
}

void LedgerService::CatchUp() {
  worker_.Post([this] { ApplyChanges(); });
  worker_.Drain();
  worker_.Drain();  // and the copies into tables of their own that applying them set out
}

void LedgerService::ApplyChanges() {
  std::map<std::string, Version> known;
  {
    std::lock_guard lock(versions_mutex_);
    known = versions_;
  }
  if (known.empty()) return;  // what is read later is read as it is then
  int64_t from = known.begin()->second.seq;
  for (const auto& [name, version] : known) from = std::min(from, version.seq);
  std::map<std::string, Version> made;
  std::set<long> unit_groups;
  bool all_unit_groups = false;
  int64_t last = from;
  db_->Together([&] {
    last = LastChange(*db_);
    if (last <= from) return;
    std::map<std::string, std::vector<const MasterChange*>> touched;
    const std::vector<MasterChange> changes = ChangesBetween(*db_, from, last);
    for (const MasterChange& change : changes) {
      for (const std::string& name : SetsTouched(change, known)) {
        if (change.seq > known.at(name).seq) touched[name].push_back(&change);
      }
      if (change.table == "units" && change.parent) unit_groups.insert(*change.parent);
      all_unit_groups = all_unit_groups || change.table == "unit_groups" ||
                        (change.table == "units" && !change.parent);
    }
    for (const auto& [name, list] : touched) {
      made[name] = Version{Changed(name, known.at(name), list, last), last};
    }
  });
  if (last <= from) return;
  std::lock_guard lock(versions_mutex_);
  for (const auto& [name, version] : known) {
    Version& now = versions_[name];
    if (now.seq >= last) continue;  // read again meanwhile, as of a later change
    if (auto changed = made.find(name); changed != made.end()) {
      now = std::move(changed->second);
      changed_names_.insert(name);
    } else if (now.seq == version.seq) {
      now.seq = last;  // untouched by the changes up to last: the next look starts there
    }
  }
  changed_unit_groups_.insert(unit_groups.begin(), unit_groups.end());
  all_unit_groups_changed_ = all_unit_groups_changed_ || all_unit_groups;
  changes_waiting_ = changes_waiting_ || !made.empty() || !unit_groups.empty() || all_unit_groups;
}

RecordsetPtr LedgerService::Changed(const std::string& name, const Version& old,
                                    const std::vector<const MasterChange*>& changes, int64_t last) {
  std::optional<long> parent;
  const SetRead& read = ReadOfName(name, parent);
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
    rs = ReadRows(*db_, read, parent);  // much changed: read again
  } else {
    const std::string sql = ChangedRowsSql(read);
    RecordsetPtr rows =
        parent ? LoadRecordset(*db_, sql, {old.seq, last, int64_t{*parent}}, read.columns())
               : LoadRecordset(*db_, sql, {old.seq, last}, read.columns());
    rs = recordset::PatchedRecordset(*old.rs, read.key, ids, *rows, "FNumber");
    if (recordset::AddedRows(*rs) > kCompactAbove) PostCompaction(name);
  }
  // Handed over with its look-up structures, so that no keystroke builds them.
  recordset::LookupPreparation(*rs, LookupColumnsOf(read.sorted_by_name))();
  return rs;
}

void LedgerService::PostCompaction(const std::string& name) {
  worker_.Post([this, name] {
    RecordsetPtr version;
    {
      std::lock_guard lock(versions_mutex_);
      version = versions_.at(name).rs;
    }
    if (recordset::AddedRows(*version) <= kCompactAbove) return;  // compacted already
    std::optional<long> parent;
    RecordsetPtr compact = recordset::Compacted(*version);
    recordset::LookupPreparation(*compact,
                                 LookupColumnsOf(ReadOfName(name, parent).sorted_by_name))();
    std::lock_guard lock(versions_mutex_);
    Version& now = versions_.at(name);
    if (now.rs != version) return;  // changed again meanwhile: compacted with the next one
    now.rs = std::move(compact);
    changed_names_.insert(name);
    changes_waiting_ = true;
  });
}

ChangedSets LedgerService::TakeChanges() {
  ChangedSets changed;
  std::map<std::string, RecordsetPtr> fresh;
  {
    std::lock_guard lock(versions_mutex_);
    for (const std::string& name : changed_names_) fresh[name] = versions_.at(name).rs;
    changed_names_.clear();
    changed.unit_groups = std::exchange(changed_unit_groups_, {});
    changed.all_unit_groups = std::exchange(all_unit_groups_changed_, false);
    changes_waiting_ = false;
  }
  for (const auto& [name, rs] : fresh) {
    std::optional<long> parent;
    ReadOfName(name, parent);
    if (!parent) {
      for (MasterSet which : kAllSets) {
        const auto i = static_cast<size_t>(which);
        if (NameOf(which) != name) continue;
        if (sets_[i]) sets_[i] = rs;
        changed.sets.insert(which);
      }
    } else if (name.starts_with("items/")) {
      if (items_by_class_.contains(*parent)) items_by_class_[*parent] = rs;
      std::erase_if(item_shapes_,
                    [&](const auto& shape) { return std::get<0>(shape.first) == *parent; });
      std::lock_guard lock(preloaded_items_mutex_);
      if (preloaded_items_.contains(*parent)) preloaded_items_[*parent] = rs;
      changed.item_classes.insert(*parent);
    } else {
      if (submes_by_class_.contains(*parent)) {
        submes_by_class_[*parent] =
            rs->RecordCount() > 0 ? std::make_shared<LedgerRecordSource>(rs) : nullptr;
      }
      changed.submes_classes.insert(*parent);
    }
  }
  if (changed.all_unit_groups) {
    units_by_group_.clear();
  } else {
    for (long group : changed.unit_groups) units_by_group_.erase(group);
  }
  return changed;
}

}  // namespace glnamelist::ledger
