#include "ledger/service/set_versions.h"

#include <algorithm>

#include "recordset/table_builder.h"

namespace glnamelist::ledger {

void SetVersions::Register(const SetKey& key, const RecordsetPtr& rs, int64_t seq) {
  {
    std::lock_guard lock(mutex_);
    auto [known, added] = versions_.try_emplace(key, SetVersion{rs, seq});
    if (!added && known->second.seq < seq) known->second = SetVersion{rs, seq};
  }
  CompactLater(key, rs);
}

RecordsetPtr SetVersions::Latest(const SetKey& key, RecordsetPtr rs) const {
  std::lock_guard lock(mutex_);
  auto known = versions_.find(key);
  return known == versions_.end() ? rs : known->second.rs;
}

void SetVersions::Replace(const SetKey& key, const RecordsetPtr& was, RecordsetPtr now) {
  std::lock_guard lock(mutex_);
  auto known = versions_.find(key);
  if (known != versions_.end() && known->second.rs == was) known->second.rs = std::move(now);
}

void SetVersions::Seen(bool seen, LedgerDb& db) {
  // A check that failed (a locked file, a lost server) is made again at the next tick.
  if (stopped_ || !(seen || check_failed_) || check_posted_.exchange(true)) return;
  worker_.Post([this, &db] {
    check_posted_ = false;
    try {
      Apply(db);
      check_failed_ = false;
    } catch (...) {
      check_failed_ = true;
      throw;
    }
  });
}

void SetVersions::CatchUp(LedgerDb& db) {
  worker_.Post([this, &db] { Apply(db); });
  worker_.Drain();
  worker_.Drain();  // and the copies into tables of their own that applying them set out
}

void SetVersions::Apply(LedgerDb& db) {
  std::map<SetKey, SetVersion> known;
  {
    std::lock_guard lock(mutex_);
    known = versions_;
  }
  if (known.empty()) return;  // what is read later is read as it is then
  int64_t from = known.begin()->second.seq;
  for (const auto& [key, version] : known) from = std::min(from, version.seq);
  std::map<SetKey, SetVersion> made;
  std::set<long> unit_groups;
  bool all_unit_groups = false;
  int64_t last = from;
  db.Together([&] {
    last = LastChange(db);
    if (last <= from) return;
    std::map<SetKey, std::vector<const MasterChange*>> touched;
    const std::vector<MasterChange> changes = ChangesBetween(db, from, last);
    for (const MasterChange& change : changes) {
      for (const SetKey& key : SetsTouched(change, known)) {
        if (change.seq > known.at(key).seq) touched[key].push_back(&change);
      }
      if (change.table == "units" && change.parent) unit_groups.insert(*change.parent);
      all_unit_groups = all_unit_groups || change.table == "unit_groups" ||
                        (change.table == "units" && !change.parent);
    }
    for (const auto& [key, list] : touched) {
      made[key] = SetVersion{Patched(db, key, known.at(key), list, last), last};
    }
  });
  if (last <= from) return;
  for (const auto& [key, version] : made) CompactLater(key, version.rs);
  std::lock_guard lock(mutex_);
  for (const auto& [key, version] : known) {
    SetVersion& now = versions_[key];
    if (now.seq >= last) continue;  // read again meanwhile, as of a later change
    if (auto changed = made.find(key); changed != made.end()) {
      now = std::move(changed->second);
      changed_.insert(key);
    } else if (now.seq == version.seq) {
      now.seq = last;  // untouched by the changes up to last: the next look starts there
    }
  }
  changed_unit_groups_.insert(unit_groups.begin(), unit_groups.end());
  all_unit_groups_changed_ = all_unit_groups_changed_ || all_unit_groups;
  waiting_ = waiting_ || !made.empty() || !unit_groups.empty() || all_unit_groups;
}

void SetVersions::CompactLater(const SetKey& key, const RecordsetPtr& rs) {
  if (recordset::AddedRows(*rs) <= kCompactAbove) return;
  worker_.Post([this, key] {
    RecordsetPtr version;
    {
      std::lock_guard lock(mutex_);
      auto known = versions_.find(key);
      if (known == versions_.end()) return;
      version = known->second.rs;
    }
    if (recordset::AddedRows(*version) <= kCompactAbove) return;  // compacted already
    RecordsetPtr compact = recordset::Compacted(*version);
    recordset::LookupPreparation(*compact, LookupColumnsOf(key))();
    std::lock_guard lock(mutex_);
    SetVersion& now = versions_.at(key);
    if (now.rs != version) return;  // changed again meanwhile: compacted with the next one
    now.rs = std::move(compact);
    changed_.insert(key);
    waiting_ = true;
  });
}

SetVersions::Taken SetVersions::Take() {
  Taken taken;
  std::lock_guard lock(mutex_);
  for (const SetKey& key : changed_) taken.sets.emplace_back(key, versions_.at(key).rs);
  changed_.clear();
  taken.unit_groups = std::exchange(changed_unit_groups_, {});
  taken.all_unit_groups = std::exchange(all_unit_groups_changed_, false);
  waiting_ = false;
  return taken;
}

}  // namespace glnamelist::ledger
