// The host's requests waited for by the host: each runs on a thread of its own while the
// host's thread waits for it, quietly at first and then through the host's ReadWaiter, which
// shows that it waits and may give the request up.
#ifndef GLNAMELIST_LEDGER_SERVICE_WAITED_READS_H_
#define GLNAMELIST_LEDGER_SERVICE_WAITED_READS_H_

#include <functional>
#include <memory>
#include <string>

#include "contracts/live_data.h"

namespace glnamelist::ledger {

class WaitedReads {
 public:
  // give_up interrupts what a given up request is waiting for, so that it ends at once (the
  // ledger is read through a new connection afterwards).
  explicit WaitedReads(std::function<void()> give_up) : give_up_(std::move(give_up)) {}

  // The waiter of the host's requests from now on (none: they run on the host's thread).
  void Use(std::shared_ptr<ReadWaiter> waiter) { waiter_ = std::move(waiter); }

  // Runs read as a request of the host's thread: with a waiter, on a thread of its own, and
  // raises what read raised, or, when the waiter gives it up (or is giving every request
  // up), a LedgerError of Fault::kAbandoned naming ledger, once read has ended. Without a
  // waiter, read runs here.
  void Run(const std::string& ledger, const std::function<void()>& read);
  // What the host's thread reads now: what the waiter is told of the request Run makes.
  PendingRead& pending() { return pending_; }

  // True on the thread of a request, while it runs it: what it calls runs there at once
  // (Nested), or fails when the request was given up.
  static bool OnRequestThread();
  static void Nested(const std::string& ledger, const std::function<void()>& read);

 private:
  std::function<void()> give_up_;
  std::shared_ptr<ReadWaiter> waiter_;
  PendingRead pending_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SERVICE_WAITED_READS_H_
