// The general-ledger data service over a ledger file or a ledger on a server: the facade
// over the service's parts (ledger/service/), which a registration hands out.
#ifndef GLNAMELIST_LEDGER_LEDGER_SERVICE_H_
#define GLNAMELIST_LEDGER_LEDGER_SERVICE_H_

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "contracts/data_service.h"
#include "contracts/live_data.h"
#include "ledger/background_worker.h"
#include "ledger/db/ledger_db.h"
#include "ledger/db/ledger_error.h"
#include "ledger/ledger_opening.h"
#include "ledger/service/fault_gate.h"
#include "ledger/service/handed_sets.h"
#include "ledger/service/interim_accounts.h"
#include "ledger/service/once.h"
#include "ledger/service/preloader.h"
#include "ledger/service/renewable_ledger.h"
#include "ledger/service/set_catalogue.h"
#include "ledger/service/set_versions.h"
#include "ledger/service/snapshot_cache.h"
#include "ledger/service/waited_reads.h"

namespace glnamelist::ledger {

// Serves the master data of one ledger, opened read-only when the service is made from its
// location: a file path or a PostgreSQL connection string (see OpenLedger; a missing,
// unreadable, corrupt or foreign ledger, a server that is down or refuses the login, is one
// LedgerError naming the ledger and the cause). Every record set is read from the ledger
// once, on first request or in the background when asked to (Preload), and kept; the
// service hands out clones of it. Entries are looked up by exact code with prepared
// statements. Everything is read through one LedgerDb, the background's reads too (on a
// server that is one connection), but for the account lists of a file answered while their
// set is read, which have a connection of their own. Each set is one state of the ledger, read
// together with the position of its change log. Destroying the service stops its reading at once:
// queued work is dropped, a running read interrupted (LedgerDb::Interrupt). Record-set fields:
//   AccountSet:   FAccountID, FNumber, FName, FDetail, FHelperCode, FIsBank, FIsCash
//   CurrencySet, ItemClassSet, UnitGroupSet, SettTypeSet: FItemID, FNumber, FName
//   VchExpSet:    FItemID, FNumber, FExplanation
//   SubMesSet, item records: FItemID, FNumber, FName, FDetail
// Flags (FDetail, FIsBank, FIsCash) are integers 0 or 1. Rows come in code order.
//
// Master data that another program changes while the service runs reaches it without a
// reload (SetVersions): the host's thread takes the new versions when it asks (TakeChanges);
// what was handed out before stays as it was, for whoever holds it. The sets of a snapshot
// of this ledger are used when one is found (SnapshotCache).
//
// A cold start of a ledger file (no snapshot to take the sets from) lists the accounts at once:
// while their set is read and its look-up structures built, the account set handed out is
// answered by the ledger's indexes (InterimAccounts), and the other sets are read first; once
// the whole set is ready, TakeChanges names the account lists, so that the host makes them
// anew on it.
//
// A host that waits for its requests (WaitWith) has each of them made on a thread of its own
// (WaitedReads): one it gives up interrupts the ledger's connection, and the next request
// goes through a new one (RenewableLedger), so that the host's thread is never held longer
// than it wants.
class LedgerService : public GLData, public LiveData {
 public:
  // Over the ledger at location, with its snapshot when one of this ledger is found. A
  // ledger that cannot be opened raises its error here, except a server ledger with a
  // snapshot in the cache: that one is opened on a thread of its own while the host goes on
  // (a form appears), and what the host asks of it waits for the opening. The snapshot's
  // sets are used only once the server has let the user in and told the ledger's stamp.
  explicit LedgerService(const std::string& location);
  // Over a ledger already open (and checked): a test's fault-injecting one, say. It neither
  // uses nor writes a snapshot. reopen makes the connection that takes the place of one let
  // go when the host gives a request up (none: the one connection is only interrupted).
  // file_lists: db is a ledger file's, whose indexes answer the account lists while their set
  // is read, as for a service made from a file's location.
  explicit LedgerService(std::unique_ptr<LedgerDb> db, RenewableLedger::Reopen reopen = {},
                         bool file_lists = false);
  ~LedgerService() override;

  // The ledger as messages name it (LedgerDb::name).
  const std::string& name() const;

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
  LiveData* Live() override { return this; }

  // The items of a class with filter and sort applied by the record-set engine, as a
  // record set of their own rows (a clone of it stays filtered and sorted). The class is
  // read from the ledger once; each (filter, sort) shape is made once. Empty filter and sort
  // give all items in code order. A class without items (or unknown) gives no rows. A
  // filter or sort the engine refuses raises its Error.
  RecordsetPtr ItemRecords(long item_class_id, const std::string& filter, const std::string& sort);

  // At once for a ledger opened as the service was made.
  void AwaitOpening() override;
  // A LedgerError. Nothing while the first opening goes on, once one succeeded, or for a
  // passing fault (the reads then fail with it as with a server lost in use, and the next
  // read opens again).
  std::exception_ptr Refused(std::chrono::milliseconds wait) const override;

  // Each set is handed over with its look-up structures built. A set asked for while it is
  // still being read is waited for; the error of a read that failed reaches the first
  // request, and the next request (or Preload) reads again. Once the item classes are read,
  // the items of every class are read too. Without a usable snapshot (or with one far behind
  // or damaged), a new one is written in the background once every set is read.
  void Preload(const std::vector<long>& kinds) override;
  bool Ready(long kind) const override;
  void Take(long kind) override;
  // Preloaded sets, the item classes' items, the look-up structures of loaded sets, the
  // snapshot being written.
  void WaitForBackgroundWork() override { worker_.Drain(); }
  // Whether a snapshot of the ledger was found when the service was made and every set
  // taken from it so far was whole.
  bool FromSnapshot() const override;

  bool ChangesWaiting() const override {
    return versions_.Waiting() ||
           (interim_handed_ && preloader_.Prepared(SetKey{SetKind::kAccounts}));
  }
  std::vector<long> TakeChanges() override;
  // And a version copied into a table of its own.
  void CatchUp() override { versions_.CatchUp(*db_); }

  void OnFault(std::function<void(const std::exception&)> seen) override;
  void BeginAction() override { faults_.BeginAction(); }
  long Answers() const override { return answers_; }
  void WaitWith(std::shared_ptr<ReadWaiter> waiter) override { waited_.Use(std::move(waiter)); }

  // Also abandons a snapshot being written. A task preparing a loaded table's look-up
  // structures is not cut short: a program closing need not wait for it (the ledger is only
  // read). After Stop the service reads nothing more. False, too, while a server ledger is
  // still being opened on its thread (which ends within the connection's limits and closes
  // what it opened).
  bool Stop(std::chrono::milliseconds wait) override;

 private:
  class Doing;
  class Interim;

  // db, renewable with reopen, its reads run through Waited.
  std::unique_ptr<LedgerDb> Reporting(std::unique_ptr<LedgerDb> db, RenewableLedger::Reopen reopen);
  // Runs a request of the host's thread (waited for by the host, its faults told and held);
  // of the worker's or of a request's own thread, as it is.
  void Waited(const std::function<void()>& request);

  // Ends the reading: a snapshot being written abandoned, no change applied, the running read
  // interrupted (the worker then drops its queued work when stopped).
  void Interrupt();
  // Once the ledger is open: learns where its change log and stamp stand, watches it for
  // changes, and chooses the snapshot. Again at the next call when it fails.
  void Begin();
  // The master set, kept, taken from the background, or read.
  RecordsetPtr Set(SetKind kind);
  RecordsetPtr ClassItems(long item_class_id);
  // Has the look-up structures of rs's set built in the background; returns rs.
  RecordsetPtr Prepared(RecordsetPtr rs, const SetKey& key);
  // Reads a set, and the change it is as of, in one transaction, or takes it from the
  // snapshot; keeps it as its newest version.
  SetVersion ReadVersion(const SetKey& key);
  // A master set or a class's items read as ReadVersion does, and kept for the snapshot;
  // the item classes have their items read ahead.
  RecordsetPtr ReadKept(const SetKey& key);
  // Has a snapshot written in the background when one is wanted, once.
  void WriteSnapshotWhenWanted();
  // Whether the account set handed out now is answered by the ledger while it is read.
  bool InterimServes() const;

  RenewableLedger* renewable_ = nullptr;  // within db_ (set as db_ is made)
  // Used by the host's thread and by the worker's (LedgerDb serves both, one call at a time);
  // the host's failures go to faults_.
  std::unique_ptr<LedgerDb> db_;
  // How the host's reads are waited for, and what it reads now.
  WaitedReads waited_{[this] { renewable_->Renew(); }};
  // The ledger being opened on a thread of its own (owned by db_), or null.
  OpeningLedger* opening_ = nullptr;
  bool delete_options_ = false;
  FaultGate faults_;
  long answers_ = 0;  // the host's requests answered (Waited)
  Once begun_;        // Begin's work
  SnapshotCache snapshots_;
  SetVersions versions_{worker_};
  Preloader preloader_{worker_};
  HandedSets handed_;
  // A ledger file's (else null), and whether an interim account set was handed out since the
  // last TakeChanges.
  std::shared_ptr<Interim> interim_;
  std::atomic<bool> interim_handed_ = false;
  // Last: stopped first, before the tables it works on are released here.
  BackgroundWorker worker_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_LEDGER_SERVICE_H_
