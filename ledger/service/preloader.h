// Reading ahead: the master sets a form will list, read in the background in the order a
// person meets its boxes and handed over finished, and the items of every class read after
// the classes, kept until the host takes them.
#ifndef GLNAMELIST_LEDGER_SERVICE_PRELOADER_H_
#define GLNAMELIST_LEDGER_SERVICE_PRELOADER_H_

#include <array>
#include <atomic>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "contracts/recordset.h"
#include "ledger/background_worker.h"
#include "ledger/service/set_catalogue.h"
#include "ledger/service/set_versions.h"
#include "ledger/service/snapshot_cache.h"

namespace glnamelist::ledger {

class Preloader {
 public:
  // How a set is read (on the worker's thread).
  using Read = std::function<RecordsetPtr(const SetKey&)>;

  explicit Preloader(BackgroundWorker& worker) : worker_(worker) {}

  // Starts reading the master sets of order that are not read or being read, in this order,
  // each handed over as soon as it is read; their look-up structures are built after the
  // last one.
  void Preload(const std::vector<SetKey>& order, const Read& read);
  // True when no read of the set is under way.
  bool Ready(const SetKey& key) const;
  // True while a read of the set was started and it is not taken.
  bool Started(const SetKey& key) const { return sets_[static_cast<size_t>(key.kind)].valid(); }
  // True once a set read ahead has its look-up structures built, or its read failed (from any
  // thread).
  bool Prepared(const SetKey& key) const { return prepared_[static_cast<size_t>(key.kind)]; }
  // The set read ahead, or null when none was started; the error of a read that failed is
  // raised (the next Preload reads it again).
  RecordsetPtr Take(const SetKey& key);

  // Has the items of every class in item_classes read in the background, in code order.
  void PreloadItems(const RecordsetPtr& item_classes, const Read& read);
  // The items of a class read ahead, or null; from now on the class is the host's, and its
  // items are no longer kept here.
  RecordsetPtr TakeItems(long item_class);
  // A new version of a class's items, kept in place of the one read ahead.
  void Update(long item_class, const RecordsetPtr& rs);
  // The items of the classes not taken yet as a snapshot written holds them (where they lie
  // in it, when it was written across no change).
  void KeepWritten(const SnapshotCache::Written& written, SetVersions& versions);

 private:
  BackgroundWorker& worker_;
  std::array<std::shared_future<RecordsetPtr>, kSetKinds> sets_;
  std::array<std::atomic<bool>, kSetKinds> prepared_{};
  std::mutex items_mutex_;
  std::map<long, RecordsetPtr> items_;
  std::set<long> items_taken_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SERVICE_PRELOADER_H_
