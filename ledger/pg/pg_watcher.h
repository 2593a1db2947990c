// The watcher of a server ledger's notices of changed master data: a thread of its own waits
// on the link's idle connection for them. A connection it finds lost is dropped, the loss
// kept for the next read, and made again once kReconnectAfter has passed without one (so
// that a form left alone goes on learning of changes).
#ifndef GLNAMELIST_LEDGER_PG_PG_WATCHER_H_
#define GLNAMELIST_LEDGER_PG_PG_WATCHER_H_

#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

#include "ledger/pg/pg_link.h"

namespace glnamelist::ledger::pg {

class NoticeWatcher {
 public:
  static constexpr std::chrono::seconds kReconnectAfter{10};

  // ready: readies the link's connection for reading when it is a new one (takes the turn).
  NoticeWatcher(Link& link, const Errand& errand, std::function<void()> ready);
  ~NoticeWatcher();
  NoticeWatcher(const NoticeWatcher&) = delete;
  NoticeWatcher& operator=(const NoticeWatcher&) = delete;

  // Has seen called as LedgerDb::Watch says, from the watcher's thread; once at most.
  void Start(std::function<void(bool seen)> seen);
  // Ends the thread: it calls no one once this returns.
  void Stop();
  // Wakes the thread to look at the connection.
  void Wake();
  // The loss the watcher met since the last call, with the turns held.
  std::optional<LedgerError> TakeLost() { return std::exchange(lost_, std::nullopt); }

 private:
  void Watching(const std::stop_token& stop, const std::function<void(bool)>& seen);
  bool Reconnect();

  Link& link_;
  const Errand& errand_;
  std::function<void()> ready_;
  int wake_ = -1;  // written to wake the thread
  std::mutex mutex_;
  std::jthread thread_;
  std::optional<LedgerError> lost_;  // with the turns held
};

}  // namespace glnamelist::ledger::pg

#endif  // GLNAMELIST_LEDGER_PG_PG_WATCHER_H_
