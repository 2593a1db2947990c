#include "ledger/service/renewable_ledger.h"

#include <utility>

#include "ledger/db/ledger_error.h"

namespace glnamelist::ledger {
namespace {

// The connection the reads of this thread's Together go through, while it runs.
thread_local LedgerDb* together_here = nullptr;

}  // namespace

RenewableLedger::RenewableLedger(std::unique_ptr<LedgerDb> first, Reopen reopen)
    : reopen_(std::move(reopen)), newest_(first.get()) {
  connections_.push_back(std::move(first));
}

void RenewableLedger::Renew() {
  LedgerDb* old = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (stopped_ || let_go_ == connections_.size()) return;
    old = &Newest();
    let_go_ = connections_.size();
    stopped_ = !reopen_;  // nothing to take its place: interrupted for good
  }
  old->Interrupt();
}

void RenewableLedger::Interrupt() {
  std::vector<LedgerDb*> all;
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    for (const auto& connection : connections_) all.push_back(connection.get());
  }
  for (LedgerDb* connection : all) connection->Interrupt();
}

LedgerDb& RenewableLedger::Connection() {
  if (together_here) return *together_here;
  std::lock_guard lock(mutex_);
  if (let_go_ == connections_.size() && !stopped_) {
    connections_.push_back(reopen_());
    newest_.store(connections_.back().get(), std::memory_order_release);
    newest_watched_ = !seen_;
  }
  return Newest();
}

bool RenewableLedger::LetGo(const LedgerDb& db) const {
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < let_go_; ++i) {
    if (connections_[i].get() == &db) return true;
  }
  return false;
}

void RenewableLedger::Answered(LedgerDb& db) {
  std::unique_lock lock(mutex_);
  if (newest_watched_ || &db != &Newest() || together_here) return;
  newest_watched_ = true;
  std::function<void(bool)> seen = seen_;
  lock.unlock();
  db.Watch(seen);
  seen(true);  // what changed while no connection watched
}

template <class Call>
auto RenewableLedger::Through(Call call) -> decltype(call(std::declval<LedgerDb&>())) {
  LedgerDb& db = Connection();
  try {
    if constexpr (std::is_void_v<decltype(call(db))>) {
      call(db);
      Answered(db);
    } else {
      auto result = call(db);
      Answered(db);
      return result;
    }
  } catch (const LedgerError& e) {
    if (e.fault() != Fault::kStopped || !LetGo(db)) throw;
    throw ReadError(name(), "cannot read", Fault::kAbandoned,
                    "abandoned: the wait for the answer was given up", e.said());
  }
}

void RenewableLedger::Lookup(std::string_view sql, std::initializer_list<SqlValue> values,
                             const OnRow& on_row) {
  Through([&](LedgerDb& db) { db.Lookup(sql, values, on_row); });
}

void RenewableLedger::Load(std::string_view sql, std::initializer_list<SqlValue> values,
                           const OnRow& on_row) {
  Through([&](LedgerDb& db) { db.Load(sql, values, on_row); });
}

TableShape RenewableLedger::ShapeOf(std::string_view table) {
  return Through([&](LedgerDb& db) { return db.ShapeOf(table); });
}

std::vector<TableShape> RenewableLedger::ShapesOf(const std::vector<std::string_view>& tables) {
  return Through([&](LedgerDb& db) { return db.ShapesOf(tables); });
}

std::optional<std::string> RenewableLedger::MetaValue(std::string_view key) {
  return Through([&](LedgerDb& db) { return db.MetaValue(key); });
}

std::string RenewableLedger::Identity() {
  return Through([](LedgerDb& db) { return db.Identity(); });
}

std::optional<LedgerStamp> RenewableLedger::Stamp() {
  return Through([](LedgerDb& db) { return db.Stamp(); });
}

void RenewableLedger::Together(const std::function<void()>& reads) {
  Through([&](LedgerDb& db) {
    LedgerDb* outer = std::exchange(together_here, &db);
    try {
      db.Together(reads);
    } catch (...) {
      together_here = outer;
      throw;
    }
    together_here = outer;
  });
}

void RenewableLedger::Watch(std::function<void(bool seen)> seen) {
  {
    std::lock_guard lock(mutex_);
    seen_ = seen;
  }
  Newest().Watch(std::move(seen));
}

}  // namespace glnamelist::ledger
