#include "ledger/ledger_service.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <optional>
#include <utility>

#include "contracts/list_kinds.h"
#include "ledger/db/reporting_ledger.h"
#include "ledger/entries.h"
#include "ledger/ledger_at.h"
#include "ledger/service/entry_lookups.h"
#include "recordset/table_builder.h"

namespace glnamelist::ledger {

// What the host's thread reads while it lives: what its waiter is told.
class LedgerService::Doing {
 public:
  Doing(LedgerService& service, long kind, bool lookup)
      : service_(service), outer_(service.waited_.pending()) {
    service.waited_.pending() = {kind, lookup, outer_.server};
  }
  ~Doing() { service_.waited_.pending() = outer_; }
  Doing(const Doing&) = delete;
  Doing& operator=(const Doing&) = delete;

 private:
  LedgerService& service_;
  const PendingRead outer_;
};

// What the interim account sets ask of the service, for as long as it lives. Their reads go
// through a connection of their own when the service can open one (a file's location), so
// that they never wait on the connection the worker reads the whole set through.
class LedgerService::Interim final : public InterimLedger {
 public:
  using Open = std::function<std::unique_ptr<LedgerDb>()>;
  Interim(LedgerService& service, Open open)
      : service_(&service), name_(service.name()), open_(std::move(open)) {}
  void Gone() {
    service_ = nullptr;
    Interrupt();
  }
  void Interrupt() {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
    if (own_) own_->Interrupt();
  }

  void Ask(const std::function<void(LedgerDb&)>& read) override {
    LedgerService& service = Service();
    Doing doing(service, nlAccount, false);
    service.Waited([&] { read(Reader(service)); });
  }
  bool WholeIn() override { return service_ && !service_->InterimServes(); }
  RecordsetPtr Whole() override { return Service().Set(SetKind::kAccounts); }

 private:
  LedgerService& Service() const {
    if (!service_) {
      throw ReadError(name_, "cannot list the accounts", Fault::kStopped, "the ledger is closed");
    }
    return *service_;
  }
  // Whether own reads the ledger that the service's connection reads, as it is or later on.
  static bool SameLedger(LedgerDb& own, LedgerDb& service) {
    if (own.Identity() != service.Identity()) return false;
    std::optional<LedgerStamp> a = own.Stamp(), b = service.Stamp();
    return a && b && a->identity == b->identity &&
           (a->version == b->version || ChangeOf(*a).value_or(-1) > ChangeOf(*b).value_or(-1));
  }
  // The lists' own connection, opened when first needed; the service's when the file at the
  // ledger's path is no longer the ledger the service reads (another was put in its place).
  LedgerDb& Reader(LedgerService& service) {
    {
      std::lock_guard lock(mutex_);
      if (own_) return *own_;
      if (!open_ || shared_) return *service.db_;
    }
    std::unique_ptr<LedgerDb> db = open_();
    const bool same = SameLedger(*db, *service.db_);
    std::lock_guard lock(mutex_);
    if (!same) {
      shared_ = true;
      return *service.db_;
    }
    if (interrupted_) db->Interrupt();
    if (!own_) own_ = std::move(db);
    return *own_;
  }

  LedgerService* service_;
  const std::string name_;
  const Open open_;                // none: the service's connection
  std::mutex mutex_;               // guards what follows, never held while reading
  std::unique_ptr<LedgerDb> own_;  // once made, kept until the service is gone
  bool shared_ = false;            // the service's connection is read instead
  bool interrupted_ = false;
};

namespace {

class InterimSource final : public RecordSource {
 public:
  explicit InterimSource(std::shared_ptr<InterimLedger> ledger) : ledger_(std::move(ledger)) {}
  RecordsetPtr Recordset() override { return std::make_shared<InterimAccounts>(ledger_); }

 private:
  std::shared_ptr<InterimLedger> ledger_;
};

}  // namespace

// The host's reads tell it of their failures; a fault that passes, met in an action the
// host tells of, fails the action's later reads at once. The worker's reads go their way,
// and so do the reads a request makes on its own thread.
void LedgerService::Waited(const std::function<void()>& request) {
  if (BackgroundWorker::OnWorkerThread()) return request();
  if (WaitedReads::OnRequestThread()) return WaitedReads::Nested(db_->name(), request);
  faults_.ThrowHeld();
  try {
    waited_.Run(db_->name(), request);
  } catch (const LedgerError& e) {
    faults_.Met(e);
    throw;
  }
  ++answers_;
}

std::unique_ptr<LedgerDb> LedgerService::Reporting(std::unique_ptr<LedgerDb> db,
                                                   RenewableLedger::Reopen reopen) {
  auto renewable = std::make_unique<RenewableLedger>(std::move(db), std::move(reopen));
  renewable_ = renewable.get();
  return std::make_unique<ReportingLedger>(
      std::move(renewable), [this](const std::function<void()>& read) { Waited(read); });
}

LedgerService::LedgerService(std::unique_ptr<LedgerDb> db, RenewableLedger::Reopen reopen,
                             bool file_lists)
    : db_(Reporting(std::move(db), std::move(reopen))) {
  db_->Watch([this](bool seen) { versions_.Seen(seen, *db_); });
  begun_.MarkDone();  // without a snapshot, and so without needing the ledger's stamp
  if (file_lists) interim_ = std::make_shared<Interim>(*this, nullptr);
}

LedgerService::LedgerService(const std::string& location) : snapshots_(SnapshotPlaces(location)) {
  waited_.pending().server = IsServerLocation(location);
  // A connection let go is made anew on a thread of its own, as a server with a snapshot is.
  auto reopen = [location] { return std::make_unique<OpeningLedger>(location); };
  // A server that may have a snapshot here is connected to while the form appears: what it
  // lists waits for the connection, and for the snapshot to be found of this ledger. The
  // connection is started first, as it takes the longest.
  const std::vector<std::string>& places = snapshots_.places();
  const bool snapshot_here = std::any_of(places.begin(), places.end(), [](const std::string& p) {
    std::error_code error;
    return std::filesystem::exists(p, error);
  });
  if (IsServerLocation(location) && snapshot_here) {
    auto opening = std::make_unique<OpeningLedger>(location);
    opening_ = opening.get();
    db_ = Reporting(std::move(opening), reopen);
  }
  // The snapshot is looked for, and its master sets checked, while the ledger is opened.
  snapshots_.Look(worker_);
  if (opening_) return;
  db_ = Reporting(OpenLedger(location), reopen);
  Begin();
  if (!IsServerLocation(location)) {
    interim_ = std::make_shared<Interim>(*this, [location] { return OpenLedger(location); });
  }
}

LedgerService::~LedgerService() {
  if (interim_) interim_->Gone();
  Interrupt();
  worker_.Stop();
}

void LedgerService::Interrupt() {
  if (interim_) interim_->Interrupt();
  snapshots_.Abandon();
  versions_.Stop();
  db_->Interrupt();
}

bool LedgerService::Stop(std::chrono::milliseconds wait) {
  Interrupt();
  const bool stopped = worker_.Stop(wait);
  return stopped && (!opening_ || opening_->Settled(std::chrono::milliseconds(0)));
}

const std::string& LedgerService::name() const { return db_->name(); }

void LedgerService::Begin() {
  begun_.Do([this] {
    snapshots_.Stamp(*db_);
    db_->Watch([this](bool seen) { versions_.Seen(seen, *db_); });
    snapshots_.Choose();
  });
}

void LedgerService::AwaitOpening() {
  if (!opening_) return;
  Doing doing(*this, 0, false);
  Waited([this] { Begin(); });
}

std::exception_ptr LedgerService::Refused(std::chrono::milliseconds wait) const {
  if (!opening_) return nullptr;
  opening_->Settled(wait);
  std::optional<LedgerError> failure = opening_->Failure();
  if (!failure || Passing(failure->fault())) return nullptr;
  return std::make_exception_ptr(*failure);
}

bool LedgerService::FromSnapshot() const { return begun_.done() && snapshots_.Whole(); }

void LedgerService::OnFault(std::function<void(const std::exception&)> seen) {
  faults_.OnFault(std::move(seen));
}

SetVersion LedgerService::ReadVersion(const SetKey& key) {
  if (!begun_.done()) Waited([this] { Begin(); });  // the worker may be opening the ledger
  std::optional<SetVersion> read = snapshots_.Take(*db_, key);
  if (!read) {
    if (snapshots_.Damaged()) WriteSnapshotWhenWanted();
    read.emplace();
    db_->Together([&] {
      read->rs = ReadWhole(*db_, key);
      read->seq = LastChange(*db_);
    });
  }
  versions_.Register(key, read->rs, read->seq);
  return *read;
}

RecordsetPtr LedgerService::ReadKept(const SetKey& key) {
  RecordsetPtr rs = ReadVersion(key).rs;
  snapshots_.Read(key, rs);
  if (key.kind == SetKind::kItemClasses) {
    preloader_.PreloadItems(rs, [this](const SetKey& items) { return ReadKept(items); });
  }
  return rs;
}

RecordsetPtr LedgerService::Prepared(RecordsetPtr rs, const SetKey& key) {
  worker_.Post(recordset::LookupPreparation(*rs, LookupColumnsOf(key)));
  return rs;
}

void LedgerService::WriteSnapshotWhenWanted() {
  if (!snapshots_.ClaimWrite()) return;
  worker_.Post([this] {
    SnapshotCache::Written written =
        snapshots_.Write(*db_, [this](const SetKey& items) { return ReadKept(items); });
    // The items of the classes no form has taken yet wait for it where they lie in the new
    // snapshot, rather than in memory with what writing the snapshot built for them.
    preloader_.KeepWritten(written, versions_);
  });
}

void LedgerService::Preload(const std::vector<long>& kinds) {
  std::vector<SetKey> order;
  for (long kind : kinds) {
    std::optional<SetKey> set = SetWaitedForBy(kind);
    if (set && !handed_.Handed(set->kind)) order.push_back(*set);
  }
  if (interim_ && begun_.done() && !snapshots_.Whole()) {
    // Read from the ledger, the accounts are listed meanwhile by its indexes: the other sets
    // come first.
    std::stable_partition(order.begin(), order.end(),
                          [](const SetKey& key) { return key.kind != SetKind::kAccounts; });
  }
  preloader_.Preload(order, [this](const SetKey& key) { return ReadKept(key); });
  if (begun_.done()) {
    WriteSnapshotWhenWanted();
  } else if (begun_.Post()) {
    worker_.Post([this] {
      begun_.Unpost();  // a failed opening's next Preload asks again
      Begin();
      WriteSnapshotWhenWanted();
    });
  }
}

bool LedgerService::InterimServes() const {
  const SetKey accounts{SetKind::kAccounts};
  return interim_ && begun_.done() && !snapshots_.Whole() && !handed_.Handed(accounts.kind) &&
         preloader_.Started(accounts) &&
         (!preloader_.Ready(accounts) || !preloader_.Prepared(accounts));
}

bool LedgerService::Ready(long kind) const {
  std::optional<SetKey> set = SetWaitedForBy(kind);
  return !set || preloader_.Ready(*set) || (set->kind == SetKind::kAccounts && InterimServes());
}

void LedgerService::Take(long kind) {
  std::optional<SetKey> set = SetWaitedForBy(kind);
  if (set && !(set->kind == SetKind::kAccounts && InterimServes())) Set(set->kind);
}

RecordsetPtr LedgerService::Set(SetKind kind) {
  const SetKey key{kind};
  Doing doing(*this, Describe(key).listed_by, false);
  return handed_.Master(kind, [&] {
    RecordsetPtr rs;
    // A failed read's error reaches this request (and is told); the next reads again, as
    // does this one when the request that waited for that read was given up.
    Waited([&] {
      try {
        rs = preloader_.Take(key);
      } catch (const LedgerError& e) {
        if (e.fault() != Fault::kAbandoned) throw;
      }
    });
    if (!rs) rs = Prepared(ReadKept(key), key);
    return versions_.Latest(key, rs);  // changed since it was read
  });
}

RecordsetPtr LedgerService::ClassItems(long item_class_id) {
  const SetKey key{SetKind::kItems, item_class_id};
  Doing doing(*this, nlItem, false);
  return handed_.Items(item_class_id, [&] {
    // Taken when the worker has read it; while it has not (or when it failed), the items are
    // read here, where a failure reaches the caller, never waited for.
    RecordsetPtr table = preloader_.TakeItems(item_class_id);
    if (!table) table = ReadKept(key);
    return Prepared(versions_.Latest(key, table), key);
  });
}

RecordsetPtr LedgerService::ItemRecords(long item_class_id, const std::string& filter,
                                        const std::string& sort) {
  RecordsetPtr all = ClassItems(item_class_id);
  if (filter.empty() && sort.empty()) return all->Clone();
  return handed_
      .Shape({item_class_id, filter, sort},
             [&] {
               RecordsetPtr view = all->Clone();
               if (!filter.empty()) view->Filter(filter);
               if (!sort.empty()) view->Sort(sort);
               return recordset::ShapedView(*view);
             })
      ->Clone();
}

std::vector<long> LedgerService::TakeChanges() {
  SetVersions::Taken taken = versions_.Take();
  std::vector<long> kinds;
  if (interim_handed_ && !InterimServes()) {
    interim_handed_ = false;
    kinds.push_back(nlAccount);  // the whole set is in: the lists answered meanwhile are made anew
  }
  for (const auto& [key, rs] : taken.sets) {
    handed_.Swap(key, rs);
    if (key.kind == SetKind::kItems) preloader_.Update(key.item_class, rs);
    const long kind = Describe(key).listed_by;
    if (std::ranges::find(kinds, kind) == kinds.end()) kinds.push_back(kind);
  }
  handed_.UnitsChanged(taken.unit_groups, taken.all_unit_groups);
  if (!taken.unit_groups.empty() || taken.all_unit_groups) kinds.push_back(nlUnit);
  return kinds;
}

RecordSourcePtr LedgerService::AccountSet() {
  if (InterimServes()) {
    interim_handed_ = true;
    return std::make_shared<InterimSource>(interim_);
  }
  return std::make_shared<LedgerRecordSource>(Set(SetKind::kAccounts));
}

RecordSourcePtr LedgerService::CurrencySet() {
  return std::make_shared<LedgerRecordSource>(Set(SetKind::kCurrencies));
}

RecordSourcePtr LedgerService::ItemClassSet() {
  return std::make_shared<LedgerRecordSource>(Set(SetKind::kItemClasses));
}

RecordSourcePtr LedgerService::UnitGroupSet() {
  return std::make_shared<LedgerRecordSource>(Set(SetKind::kUnitGroups));
}

RecordSourcePtr LedgerService::SettTypeSet() {
  return std::make_shared<LedgerRecordSource>(Set(SetKind::kSettleTypes));
}

RecordsetPtr LedgerService::VchExpSet() { return Set(SetKind::kExplanations)->Clone(); }

RecordSourcePtr LedgerService::SubMesSet(long& ItemClassID) {
  Doing doing(*this, nlSubMes, false);
  return handed_.SubMes(ItemClassID, [&] {
    const SetKey key{SetKind::kSubMes, ItemClassID};
    return SubMesSource(Prepared(ReadVersion(key).rs, key));
  });
}

AccountEntryPtr LedgerService::GetAccount(std::string& Number) {
  Doing doing(*this, nlAccount, true);
  return FindAccount(*db_, Number);
}

std::string LedgerService::GetAccountFullName(long AccountID) {
  Doing doing(*this, nlAccount, true);
  return AccountFullName(*db_, AccountID);
}

SubMesEntryPtr LedgerService::GetSubMes(long& ItemClassID, const Variant& /*Reserved*/,
                                        std::string& Number) {
  Doing doing(*this, nlSubMes, true);
  return FindSubMes(*db_, ItemClassID, Number);
}

ItemEntryPtr LedgerService::GetItem(long& ItemClassID, const Variant& /*Reserved*/,
                                    std::string& Number) {
  Doing doing(*this, nlItem, true);
  return FindItem(*db_, ItemClassID, Number);
}

UnitSetPtr LedgerService::UnitSet(long& UnitGroupID) {
  Doing doing(*this, nlUnit, false);
  return handed_.Units(UnitGroupID, [&] { return ReadUnits(*db_, UnitGroupID); });
}

}  // namespace glnamelist::ledger
