// The newest version of every set the service has read, made in the background from the
// ledger's change log as others commit changes of master data: the sets the changes touch
// get new immutable versions (whoever holds an old one goes on reading it), and the host
// takes them when it asks.
#ifndef GLNAMELIST_LEDGER_SERVICE_SET_VERSIONS_H_
#define GLNAMELIST_LEDGER_SERVICE_SET_VERSIONS_H_

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "contracts/recordset.h"
#include "ledger/background_worker.h"
#include "ledger/db/ledger_db.h"
#include "ledger/service/set_reads.h"

namespace glnamelist::ledger {

class SetVersions {
 public:
  // Applies the changes, and copies versions of many rows of their own, on worker.
  explicit SetVersions(BackgroundWorker& worker) : worker_(worker) {}

  // Keeps rs, read as of seq, as the newest version of key unless a newer one is known (any
  // thread). One of many rows of its own is copied into a table of its own in the background.
  void Register(const SetKey& key, const RecordsetPtr& rs, int64_t seq);
  // The newest version of key, or rs when there is none.
  RecordsetPtr Latest(const SetKey& key, RecordsetPtr rs) const;
  // Puts now in the place of the newest version of key while that is was (the same rows).
  void Replace(const SetKey& key, const RecordsetPtr& was, RecordsetPtr now);

  // What the ledger's watch tells (LedgerDb::Watch): a commit seen, or a tick. Has the changes
  // logged since the sets were read applied in the background, once; a look that failed is
  // made again at the next tick.
  void Seen(bool seen, LedgerDb& db);
  // From now on nothing is applied: the service is stopping.
  void Stop() { stopped_ = true; }
  // Looks for changes and waits until they are applied (and the copies they set out to make
  // are made), with what the background set out to do before.
  void CatchUp(LedgerDb& db);

  // Whether new versions wait for Take (any thread).
  bool Waiting() const { return waiting_; }
  struct Taken {
    std::vector<std::pair<SetKey, RecordsetPtr>> sets;  // in key order
    std::set<long> unit_groups;                         // whose units changed
    bool all_unit_groups = false;                       // the units of any group may have
  };
  // The new versions since the last call.
  Taken Take();

 private:
  // On the worker's thread: makes a new version of each set the changes logged since it was
  // read touch.
  void Apply(LedgerDb& db);
  // Has the newest version of key copied into a table of its own in the background when it
  // has many rows of its own, handed over as a new version once its look-up structures are
  // built.
  void CompactLater(const SetKey& key, const RecordsetPtr& rs);

  BackgroundWorker& worker_;
  mutable std::mutex mutex_;
  std::map<SetKey, SetVersion> versions_;
  // The sets whose new versions the host has not taken yet, and the groups whose units changed.
  std::set<SetKey> changed_;
  std::set<long> changed_unit_groups_;
  bool all_unit_groups_changed_ = false;
  std::atomic<bool> waiting_ = false;
  std::atomic<bool> check_posted_ = false;
  std::atomic<bool> check_failed_ = false;
  std::atomic<bool> stopped_ = false;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SERVICE_SET_VERSIONS_H_
