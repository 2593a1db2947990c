// The general-ledger data service over a ledger file or a ledger on a server.
#ifndef GLNAMELIST_LEDGER_LEDGER_SERVICE_H_
#define GLNAMELIST_LEDGER_LEDGER_SERVICE_H_

#include <array>
#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "contracts/data_service.h"
#include "ledger/background_worker.h"
#include "ledger/ledger_db.h"
#include "ledger/ledger_error.h"
#include "ledger/ledger_opening.h"
#include "ledger/snapshot.h"
#include "recordset/table_builder.h"

namespace glnamelist::ledger {

// The fields of the account set, and of item and SubMes records, as the service loads them.
const std::vector<recordset::Column>& AccountColumns();
const std::vector<recordset::Column>& TreeColumns();

// The master-data sets a form lists, each read whole.
enum class MasterSet {
  kExplanations,
  kAccounts,
  kCurrencies,
  kItemClasses,
  kUnitGroups,
  kSettleTypes
};

// What changed in the master data since the host last asked (LedgerService::TakeChanges).
struct ChangedSets {
  std::set<MasterSet> sets;
  std::set<long> item_classes;    // whose items changed
  std::set<long> submes_classes;  // whose SubMes entries changed
  std::set<long> unit_groups;     // whose units changed
  bool all_unit_groups = false;   // the units of any group may have changed
  bool empty() const {
    return sets.empty() && item_classes.empty() && submes_classes.empty() && unit_groups.empty() &&
           !all_unit_groups;
  }
};

// Serves the master data of one ledger, opened read-only when the service is made from its
// location: a file path or a PostgreSQL connection string (see OpenLedger; a missing,
// unreadable, corrupt or foreign ledger, a server that is down or refuses the login, is one
// LedgerError naming the ledger and the cause). Every record set is read from the ledger
// once, on first request or in the background when asked to (Preload), and kept; the
// service hands out clones of it. Entries are looked up by exact code with prepared
// statements. Everything is read through one LedgerDb, the background's reads too; on a
// server that is one connection. Each set is one state of the ledger, read together with
// the position of its change log. Destroying the service stops its reading at once: queued
// work is dropped, a running read interrupted (LedgerDb::Interrupt). Record-set fields:
//   AccountSet:   FAccountID, FNumber, FName, FDetail, FHelperCode, FIsBank, FIsCash
//   CurrencySet, ItemClassSet, UnitGroupSet, SettTypeSet: FItemID, FNumber, FName
//   VchExpSet:    FItemID, FNumber, FExplanation
//   SubMesSet, item records: FItemID, FNumber, FName, FDetail
// Flags (FDetail, FIsBank, FIsCash) are integers 0 or 1. Rows come in code order.
//
// Master data that another program changes while the service runs reaches it without a
// reload: the ledger's triggers log every changed row (LedgerDb::Watch tells the service of
// a commit), the background reads the rows logged since each set was read, and makes a new
// version of each set they change, sharing the old version's rows and structures
// (recordset::PatchedRecordset). The host's thread takes the new versions when it asks
// (TakeChanges); what was handed out before stays as it was, for whoever holds it.
class LedgerService : public GLData {
 public:
  // Over the ledger at location, with its snapshot when one of this ledger is found (one
  // behind the ledger gets the changes logged since applied to each set taken from it).
  // A ledger that cannot be opened raises its error here, except a server ledger with a
  // snapshot in the cache: that one is opened on a thread of its own while the host goes on
  // (a form appears), and what the host asks of it waits for the opening. The snapshot's
  // sets are used only once the server has let the user in and told the ledger's stamp.
  explicit LedgerService(const std::string& location);
  // Over a ledger already open (and checked): a test's fault-injecting one, say. It neither
  // uses nor writes a snapshot.
  explicit LedgerService(std::unique_ptr<LedgerDb> db);
  ~LedgerService() override;

  // The ledger as messages name it (LedgerDb::name).
  const std::string& name() const;

  // Waits until the ledger is open and its stamp known: the error of an opening that
  // failed (the next request opens it again). At once for a ledger opened as the service
  // was made.
  void AwaitOpening();
  // The error of the last opening, when the server refused it for good (the login, the
  // database, not a ledger or not of this schema: what trying again does not mend) and none
  // has succeeded since; an opening in progress is waited for at most `wait`. Nothing while
  // the first goes on, once one succeeded, or for a passing fault (the reads then fail with
  // it as with a server lost in use, and the next read opens again).
  std::optional<LedgerError> Refused(std::chrono::milliseconds wait = {}) const;

  // Stored only; it changes nothing in a read-only service.
  void DeleteOptions(bool NewVal) override { delete_options_ = NewVal; }
  bool DeleteOptions() const { return delete_options_; }

  RecordSourcePtr AccountSet() override;
  AccountEntryPtr GetAccount(std::string& Number) override;
  // Error when no account has this id.
  std::string GetAccountFullName(long AccountID) override;

  RecordSourcePtr CurrencySet() override;
  RecordSourcePtr ItemClassSet() override;
  RecordSourcePtr UnitGroupSet() override;
  RecordSourcePtr SettTypeSet() override;
  RecordsetPtr VchExpSet() override;

  RecordSourcePtr SubMesSet(long& ItemClassID) override;
  SubMesEntryPtr GetSubMes(long& ItemClassID, const Variant& Reserved,
                           std::string& Number) override;
  ItemEntryPtr GetItem(long& ItemClassID, const Variant& Reserved, std::string& Number) override;
  // Nothing for a group that does not exist; an empty set for a group without units.
  UnitSetPtr UnitSet(long& UnitGroupID) override;

  // The items of a class with filter and sort applied by the record-set engine, as a
  // record set of their own rows (a clone of it stays filtered and sorted). The class is
  // read from the ledger once; each (filter, sort) shape is made once. Empty filter and sort
  // give all items in code order. A class without items (or unknown) gives no rows. A
  // filter or sort the engine refuses raises its Error.
  RecordsetPtr ItemRecords(long item_class_id, const std::string& filter, const std::string& sort);

  // Starts reading the sets, in this order, in the background, each with its look-up
  // structures built; the set is handed over finished. A set asked for while it is still
  // being read is waited for; the error of a read that failed reaches the first request,
  // and the next request (or Preload) reads again.
  void Preload(const std::vector<MasterSet>& order);
  // True when a request for the set would not wait for the background.
  bool Ready(MasterSet set) const;
  // The set once Ready: read, or the error of its read (which a Preload then starts again).
  RecordsetPtr Take(MasterSet set) { return Set(set); }

  // Has seen called with every error of the ledger that a request of the host's thread
  // meets, as it is raised (before a caller may absorb it: a listing that fails ends
  // silently); nothing to stop.
  void OnFault(std::function<void(const std::exception&)> seen);

  // A person's action (a key, a box entered or left) begins. Once a host calls this, a fault
  // that passes (a locked file, a server lost or silent) is waited for once in an action: the
  // host's later reads of the same action fail at once with it, so that a list of many rows
  // does not wait for each. The next action reads again.
  void BeginAction();

  // Stops reading at once (LedgerDb::Interrupt; queued work dropped; a snapshot being written
  // abandoned) and waits for the background's running task, at most `wait`: true once it has
  // ended. A task preparing a
  // loaded table's look-up structures is not cut short: a program closing need not wait for
  // it (the ledger is only read). After Stop the service reads nothing more.
  // False, too, while a server ledger is still being opened on its thread (which ends within
  // the connection's limits and closes what it opened).
  bool Stop(std::chrono::milliseconds wait);

  // Waits until what the service has set out to load and prepare in the background so far
  // is done (preloaded sets, the item classes' items, the look-up structures of loaded sets,
  // the snapshot being written).
  void WaitForBackgroundWork() { worker_.Drain(); }

  // Whether new versions of master data wait for TakeChanges (any thread).
  bool ChangesWaiting() const { return changes_waiting_; }
  // On the host's thread: from now on the sets, items, SubMes entries and units handed out
  // are the newest versions the background has made; says which changed since the last call.
  ChangedSets TakeChanges();
  // Looks for changes committed to the ledger, and waits until they are applied (a version
  // copied into a table of its own too) and what the background set out to do before is
  // done.
  void CatchUp();

  // Whether a snapshot of the ledger (see snapshot.h) was found when the service was made
  // and every set taken from it so far was whole. Without one, with one far behind the
  // ledger, or once a set of it turns out damaged, Preload writes a new one in the
  // background, once every set and the items of every class are read.
  bool FromSnapshot() const;

 private:
  using ItemShape = std::tuple<long, std::string, std::string>;

  // The set, loaded (or taken from the background) first if need be.
  RecordsetPtr Set(MasterSet which);
  // Tells fault_seen_ of e.
  void Report(const std::exception& e) const;
  RecordsetPtr ClassItems(long item_class_id);
  // Has the look-up structures of rs's codes and names (and name order) built in the
  // background; returns rs.
  RecordsetPtr Prepared(RecordsetPtr rs, bool sorted_by_name = true);

  // Has the items of every class in item_classes loaded in the background, in code order,
  // over the worker's connection; ClassItems takes them from there. May be called on the
  // worker's thread.
  void PreloadItems(const RecordsetPtr& item_classes);

  // Once the ledger is open: learns where its change log and stamp stand, watches it for
  // changes, and keeps the snapshot found when it is of this ledger and not too far behind.
  // Again at the next call when it fails.
  void Begin();
  // The snapshot found when it is of this ledger, as of its stamp or not too far behind it
  // (then snapshot_change_ is where it stands); null otherwise.
  std::shared_ptr<const Snapshot> Usable(std::shared_ptr<const Snapshot> snapshot);
  // Has a snapshot written when there is none to be used, or the one used is far behind.
  void SnapshotWanted();
  // A master set read from the snapshot, or else from the ledger.
  RecordsetPtr ReadSet(MasterSet which);
  // The items of a class read from the snapshot, or else from the ledger.
  RecordsetPtr ReadItems(long item_class_id);
  // The set of that name taken from the snapshot, when there is one and the set is whole;
  // null otherwise (and a new snapshot is written for a damaged one).
  RecordsetPtr TakeFromSnapshot(const std::string& name);
  // Notes a set read under its name in a snapshot.
  void Loaded(const std::string& name, const RecordsetPtr& rs);
  // Has a snapshot written in the background, once.
  void PostSnapshotWrite();
  // On the worker's thread: reads what is not read yet and writes the snapshot, unless the
  // ledger changed since the service was made; then the items of classes no form has taken
  // yet are taken from the new snapshot instead, and what was read is let go.
  void WriteSnapshotOfAll();

  static constexpr size_t kMasterSets = 6;

  class Reporting;

  // A set as read from the ledger, or made from one by the changes logged up to seq.
  struct Version {
    RecordsetPtr rs;
    int64_t seq = 0;
  };
  // Reads a set of this name (a master set's, "items/<class>", "submes/<class>") and the
  // change it is as of, in one transaction, or takes it from the snapshot and catches up.
  Version ReadVersion(const std::string& name);
  // A snapshot further behind the ledger than this many changes is not used; one a sixteenth
  // of that behind is written again.
  static constexpr int64_t kSnapshotBehindAtMost = 65536;
  struct ChangeList {
    int64_t last = 0;
    std::vector<MasterChange> changes;
  };
  // The changes logged after the snapshot was made, up to the last one when first asked for:
  // read once, by the first set taken from the snapshot.
  const ChangeList& ChangesSinceSnapshot();
  // The set `name` as taken from the snapshot, with the changes logged since applied.
  Version CaughtUp(const std::string& name, const Version& taken);
  // Keeps rs, read as of seq, as the newest version of name unless a newer one is known.
  void Register(const std::string& name, const RecordsetPtr& rs, int64_t seq);
  // The newest version of name, or rs when there is none.
  RecordsetPtr Latest(const std::string& name, RecordsetPtr rs);
  // What the ledger's watch tells: a commit seen, or a tick.
  void Seen(bool seen);
  // Has the changes logged since the sets were read applied in the background, once.
  void PostCheck();
  // On the worker's thread: makes a new version of each set the changes logged since it was
  // read touch.
  void ApplyChanges();
  // The version of set `name` after its changes (all logged after old.seq up to last).
  RecordsetPtr Changed(const std::string& name, const Version& old,
                       const std::vector<const MasterChange*>& changes, int64_t last);
  // Has the newest version of set `name`, one of many rows of its own, copied into a table
  // of its own in the background, and handed over as a new version once its look-up
  // structures are built.
  void PostCompaction(const std::string& name);

  // Used by the host's thread and by the worker's (LedgerDb serves both, one call at a time);
  // the host's failures go to fault_seen_.
  std::unique_ptr<LedgerDb> db_;
  std::function<void(const std::exception&)> fault_seen_;
  // Whether the host tells of its actions, and the fault that passes met in this one.
  bool actions_ = false;
  std::optional<LedgerError> held_;
  bool delete_options_ = false;
  std::array<RecordsetPtr, kMasterSets> sets_;
  std::array<std::shared_future<RecordsetPtr>, kMasterSets> preloaded_sets_;
  std::map<long, RecordsetPtr> items_by_class_;
  // Items read in the background, until ClassItems takes them; the classes it has taken (or
  // read itself), whose items the worker no longer keeps.
  std::mutex preloaded_items_mutex_;
  std::map<long, RecordsetPtr> preloaded_items_;
  std::set<long> items_taken_;
  std::map<ItemShape, RecordsetPtr> item_shapes_;
  std::map<long, RecordSourcePtr> submes_by_class_;
  std::map<long, UnitSetPtr> units_by_group_;
  // Where the ledger is, for the places of its snapshot; empty for a service made over a
  // ledger already open, which neither uses nor writes one.
  std::string location_;
  // The ledger being opened on a thread of its own (owned by db_), or null.
  OpeningLedger* opening_ = nullptr;
  // The snapshot found at the ledger's places, whether of this ledger or not.
  std::shared_future<std::shared_ptr<const Snapshot>> found_snapshot_;
  // What Begin learns, written once under begin_mutex_, before begun_ is set.
  std::mutex begin_mutex_;
  std::atomic<bool> begun_ = false;
  std::atomic<bool> snapshot_check_posted_ = false;
  // The ledger's stamp when it was opened; nothing when it cannot tell its version.
  std::optional<LedgerStamp> stamp_;
  // The current snapshot of this ledger found when it was opened, whose sets are checked as
  // they are taken.
  std::shared_ptr<const Snapshot> snapshot_;
  std::atomic<bool> snapshot_whole_ = true;
  std::atomic<bool> snapshot_posted_ = false;
  // Set when the service stops: a snapshot being written is abandoned.
  std::atomic<bool> stopping_ = false;
  // Every set read so far, by its name in a snapshot, until a snapshot is written.
  std::mutex loaded_mutex_;
  std::map<std::string, RecordsetPtr> loaded_;
  // The change the ledger's log was at when it was opened, and the one the snapshot
  // was made at (its sets are as of it, and caught up when taken); the changes logged since
  // that, once read.
  int64_t opened_seq_ = 0;
  int64_t snapshot_change_ = 0;
  std::mutex snapshot_changes_mutex_;
  std::optional<ChangeList> snapshot_changes_;
  // The newest version of every set read so far, by name; the names whose new versions the
  // host has not taken yet, and the groups whose units changed.
  std::mutex versions_mutex_;
  std::map<std::string, Version> versions_;
  std::set<std::string> changed_names_;
  std::set<long> changed_unit_groups_;
  bool all_unit_groups_changed_ = false;
  std::atomic<bool> changes_waiting_ = false;
  std::atomic<bool> check_posted_ = false;
  std::atomic<bool> check_failed_ = false;
  // Last: stopped first, before the tables it works on are released here.
  BackgroundWorker worker_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_LEDGER_SERVICE_H_
