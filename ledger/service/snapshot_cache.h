// The service's use of a snapshot of the ledger (snapshot.h): which one is usable (made from
// this ledger, not later than it, not too far behind), its sets taken and brought up to date
// with the changes logged since it was made, and the sets read gathered to write a new one
// when there is none to use, the one used is far behind or turns out damaged.
#ifndef GLNAMELIST_LEDGER_SERVICE_SNAPSHOT_CACHE_H_
#define GLNAMELIST_LEDGER_SERVICE_SNAPSHOT_CACHE_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ledger/background_worker.h"
#include "ledger/db/ledger_db.h"
#include "ledger/service/set_reads.h"
#include "ledger/snapshot.h"

namespace glnamelist::ledger {

class SnapshotCache {
 public:
  // A snapshot further behind the ledger than this many changes is not used; one a sixteenth
  // of that behind is written again.
  static constexpr int64_t kBehindAtMost = 65536;

  // At places (snapshot.h); without places none is used or written.
  explicit SnapshotCache(std::vector<std::string> places = {}) : places_(std::move(places)) {}
  const std::vector<std::string>& places() const { return places_; }
  // Looks for a snapshot at the places on worker, checking its master sets there.
  void Look(BackgroundWorker& worker);

  // Once the ledger is open, in turn: learns its stamp and where its change log stands; then
  // keeps the snapshot found when it is usable (waiting for the look).
  void Stamp(LedgerDb& db);
  void Choose();

  // The set taken from the snapshot and brought up to date (when it is behind the ledger);
  // nothing when there is none, it lacks the set, or the set is damaged (Damaged then).
  std::optional<SetVersion> Take(LedgerDb& db, const SetKey& key);
  // Whether a snapshot is used and every set taken from it so far was whole.
  bool Whole() const { return snapshot_ && whole_; }
  bool Damaged() const { return snapshot_ && !whole_; }
  // True once, when a snapshot should be written: none used, one far behind or damaged.
  bool ClaimWrite();

  // Notes a set read, to be written.
  void Read(const SetKey& key, const RecordsetPtr& rs);
  struct Written {
    std::map<SetKey, RecordsetPtr> sets;    // every master set, the items of every class
    std::shared_ptr<const Snapshot> fresh;  // the snapshot written, or null
  };
  // On the worker's thread: reads what is not read yet (the items of a class with
  // read_items) and writes the snapshot, unless the ledger changed since it was opened;
  // forgets the sets read.
  Written Write(LedgerDb& db, const std::function<RecordsetPtr(const SetKey&)>& read_items);
  // A snapshot being written is abandoned (its file removed); none is written after.
  void Abandon() { stop_ = true; }

 private:
  struct ChangeList {
    int64_t last = 0;
    std::vector<MasterChange> changes;
  };
  // A value and the lock it is used under.
  template <class T>
  struct Guarded {
    std::mutex mutex;
    T value;
  };
  // The snapshot found when it is of this ledger, as of its stamp or not too far behind it
  // (then made_at_ is where it stands); null otherwise.
  std::shared_ptr<const Snapshot> Usable(std::shared_ptr<const Snapshot> snapshot);
  // The changes logged after the snapshot was made, up to the last one when first asked for:
  // read once, by the first set taken from the snapshot.
  const ChangeList& ChangesSince(LedgerDb& db);

  std::vector<std::string> places_;
  std::atomic<bool> stop_ = false;
  std::shared_future<std::shared_ptr<const Snapshot>> found_;
  // What Stamp and Choose learn, before the service reads a set.
  std::optional<LedgerStamp> stamp_;  // nothing when the ledger cannot tell its version
  int64_t opened_at_ = 0;             // the change the log was at when the ledger was opened
  std::shared_ptr<const Snapshot> snapshot_;
  int64_t made_at_ = 0;  // the change the snapshot's sets are as of
  std::atomic<bool> whole_ = true;
  std::atomic<bool> write_claimed_ = false;
  // The changes since made_at_, once read.
  Guarded<std::optional<ChangeList>> since_;
  // Every set read so far, until a snapshot is written.
  Guarded<std::map<SetKey, RecordsetPtr>> read_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SERVICE_SNAPSHOT_CACHE_H_
