// A ledger read through a connection that can be let go: the reads waiting on it are
// interrupted, and the reads after them go through a new connection, made as the first one
// was. So a read the person gave up ends at once, and the next one tries the ledger again.
#ifndef GLNAMELIST_LEDGER_SERVICE_RENEWABLE_LEDGER_H_
#define GLNAMELIST_LEDGER_SERVICE_RENEWABLE_LEDGER_H_

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ledger/db/forwarding_ledger.h"
#include "ledger/db/ledger_db.h"

namespace glnamelist::ledger {

class RenewableLedger final : public ForwardingLedger {
 public:
  using Reopen = std::function<std::unique_ptr<LedgerDb>()>;

  // Reads first; reopen makes each new connection (none: Renew interrupts first for good).
  RenewableLedger(std::unique_ptr<LedgerDb> first, Reopen reopen);

  // The reads running now end at once, failing with Fault::kAbandoned. The next read (but one
  // of a thread inside a Together of the old connection) makes a new connection, and it and
  // those after it go through that one, watched as the first one was once it answers.
  void Renew();

  const std::string& name() const override { return Newest().name(); }
  // Every connection, for good: Renew makes no more.
  void Interrupt() override;
  void Watch(std::function<void(bool seen)> seen) override;

 private:
  // Runs call on the connection this thread reads through; one let go meanwhile fails it
  // with Fault::kAbandoned. The reads inside a Together go through its connection.
  void Pass(const Read& read, const std::function<void(LedgerDb&)>& call) override;

  LedgerDb& Newest() const { return *newest_.load(std::memory_order_acquire); }
  // The connection this thread reads through, made anew after a Renew.
  LedgerDb& Connection();
  bool LetGo(const LedgerDb& db) const;
  // A new connection that answered is watched.
  void Answered(LedgerDb& db);

  const Reopen reopen_;
  mutable std::mutex mutex_;
  // Every connection made, the newest last; the others were let go, and stay until this
  // ledger goes, so that a read still ending on one of them ends safely.
  std::vector<std::unique_ptr<LedgerDb>> connections_;
  std::atomic<LedgerDb*> newest_;
  size_t let_go_ = 0;  // the first let_go_ connections were let go
  std::function<void(bool)> seen_;
  bool newest_watched_ = true;
  bool stopped_ = false;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SERVICE_RENEWABLE_LEDGER_H_
