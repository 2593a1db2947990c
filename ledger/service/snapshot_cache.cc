#include "ledger/service/snapshot_cache.h"

#include <utility>

namespace glnamelist::ledger {

void SnapshotCache::Look(BackgroundWorker& worker) {
  auto found = std::make_shared<std::promise<std::shared_ptr<const Snapshot>>>();
  found_ = found->get_future().share();
  worker.Post([found, places = places_] {
    std::shared_ptr<const Snapshot> snapshot;
    try {
      snapshot = Snapshot::Open(places);
    } catch (...) {
      // None to be used.
    }
    found->set_value(snapshot);
    for (const SetKey& key : MasterSets()) {
      if (snapshot) snapshot->Take(SnapshotName(key));  // kept by the snapshot once checked
    }
  });
}

void SnapshotCache::Stamp(LedgerDb& db) {
  // The change first: a snapshot as of the stamp holds every change up to it, and maybe more.
  opened_at_ = LastChange(db);
  stamp_ = db.Stamp();
}

void SnapshotCache::Choose() {
  if (found_.valid()) snapshot_ = Usable(found_.get());
}

std::shared_ptr<const Snapshot> SnapshotCache::Usable(std::shared_ptr<const Snapshot> snapshot) {
  if (!stamp_ || !snapshot || snapshot->made_from().identity != stamp_->identity) return nullptr;
  for (const SetKey& key : MasterSets()) {
    if (!snapshot->Has(SnapshotName(key))) return nullptr;  // not one of ours
  }
  made_at_ = opened_at_;
  if (snapshot->made_from().version != stamp_->version) {
    // Older than the ledger: used with the changes logged since applied on top, unless they
    // are too many to be read quicker than the sets.
    std::optional<int64_t> made = ChangeOf(snapshot->made_from());
    std::optional<int64_t> now = ChangeOf(*stamp_);
    if (!made || !now || *made > *now || *now - *made > kBehindAtMost) return nullptr;
    made_at_ = *made;
  }
  return snapshot;
}

std::optional<SetVersion> SnapshotCache::Take(LedgerDb& db, const SetKey& key) {
  const std::string name = SnapshotName(key);
  if (!snapshot_ || !snapshot_->Has(name)) return std::nullopt;
  SetVersion taken{snapshot_->Take(name), made_at_};
  if (!taken.rs) {
    whole_ = false;
    return std::nullopt;
  }
  if (taken.seq >= opened_at_) return taken;
  // Behind the ledger: the changes logged since that touch the set applied on top.
  const ChangeList& since = ChangesSince(db);
  const std::map<SetKey, SetVersion> known = {{key, taken}};
  std::vector<const MasterChange*> touched;
  for (const MasterChange& change : since.changes) {
    if (!SetsTouched(change, known).empty()) touched.push_back(&change);
  }
  if (touched.empty()) return SetVersion{taken.rs, since.last};
  SetVersion caught_up{nullptr, since.last};
  db.Together([&] { caught_up.rs = Patched(db, key, taken, touched, since.last); });
  return caught_up;
}

const SnapshotCache::ChangeList& SnapshotCache::ChangesSince(LedgerDb& db) {
  std::lock_guard lock(since_.mutex);
  if (!since_.value) {
    ChangeList list;
    db.Together([&] {
      list.last = LastChange(db);
      list.changes = ChangesBetween(db, made_at_, list.last);
    });
    since_.value = std::move(list);
  }
  return *since_.value;
}

bool SnapshotCache::ClaimWrite() {
  const bool wanted = !snapshot_ || !whole_ || opened_at_ - made_at_ > kBehindAtMost / 16;
  return stamp_ && wanted && !write_claimed_.exchange(true);
}

void SnapshotCache::Read(const SetKey& key, const RecordsetPtr& rs) {
  std::lock_guard lock(read_.mutex);
  read_.value[key] = rs;
}

SnapshotCache::Written SnapshotCache::Write(
    LedgerDb& db, const std::function<RecordsetPtr(const SetKey&)>& read_items) {
  Written written;
  {
    std::lock_guard lock(read_.mutex);
    written.sets = read_.value;
  }
  for (const SetKey& key : MasterSets()) {
    if (!written.sets.contains(key)) written.sets[key] = ReadWhole(db, key);
  }
  RecordsetPtr classes = written.sets[SetKey{SetKind::kItemClasses}]->Clone();
  for (long i = 0, n = classes->RecordCount(); i < n; ++i) {
    classes->AbsolutePosition(i + 1);
    const SetKey items{SetKind::kItems, static_cast<long>(classes->Fields("FItemID").ToLong())};
    if (!written.sets.contains(items)) written.sets[items] = read_items(items);
  }
  // Data read across a change of the ledger would be labelled with the wrong version.
  std::optional<LedgerStamp> now = db.Stamp();
  if (now && now->identity == stamp_->identity && now->version == stamp_->version) {
    std::vector<SnapshotSet> sets;
    for (const auto& [key, rs] : written.sets) {
      sets.push_back(SnapshotSet{SnapshotName(key), rs, LookupColumnsOf(key)});
    }
    const std::string path = WriteSnapshot(places_, *stamp_, sets, stop_);
    if (!path.empty()) written.fresh = Snapshot::Open({path});
  }
  std::lock_guard lock(read_.mutex);
  read_.value.clear();
  return written;
}

}  // namespace glnamelist::ledger
