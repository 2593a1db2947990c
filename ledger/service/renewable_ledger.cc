#include "ledger/service/renewable_ledger.h"

#include <utility>

#include "ledger/db/ledger_error.h"

namespace glnamelist::ledger {
namespace {

// The connection the reads of this thread's Together go through, while it runs.
thread_local LedgerDb* together_here = nullptr;

// Sets together_here for a scope.
class TogetherHere {
 public:
  explicit TogetherHere(LedgerDb* db) : outer_(std::exchange(together_here, db)) {}
  ~TogetherHere() { together_here = outer_; }
  TogetherHere(const TogetherHere&) = delete;
  TogetherHere& operator=(const TogetherHere&) = delete;

 private:
  LedgerDb* const outer_;
};

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

void RenewableLedger::Pass(const Read& read, const std::function<void(LedgerDb&)>& call) {
  LedgerDb& db = Connection();
  try {
    {
      TogetherHere here(read.member == "Together" ? &db : together_here);
      call(db);
    }
    Answered(db);
  } catch (const LedgerError& e) {
    if (e.fault() != Fault::kStopped || !LetGo(db)) throw;
    throw ReadError(name(), "cannot read", Fault::kAbandoned,
                    "abandoned: the wait for the answer was given up", e.said());
  }
}

void RenewableLedger::Watch(std::function<void(bool seen)> seen) {
  {
    std::lock_guard lock(mutex_);
    seen_ = seen;
  }
  Newest().Watch(std::move(seen));
}

}  // namespace glnamelist::ledger
