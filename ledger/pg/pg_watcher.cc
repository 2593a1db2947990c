#include "ledger/pg/pg_watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <utility>

namespace glnamelist::ledger::pg {

NoticeWatcher::NoticeWatcher(Link& link, const Errand& errand, std::function<void()> ready)
    : link_(link),
      errand_(errand),
      ready_(std::move(ready)),
      wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

NoticeWatcher::~NoticeWatcher() {
  Stop();
  if (wake_ >= 0) close(wake_);
}

void NoticeWatcher::Start(std::function<void(bool seen)> seen) {
  std::lock_guard lock(mutex_);
  if (thread_.joinable() || errand_.stop) return;
  thread_ =
      std::jthread([this, seen = std::move(seen)](std::stop_token stop) { Watching(stop, seen); });
}

void NoticeWatcher::Stop() {
  std::lock_guard lock(mutex_);
  if (!thread_.joinable()) return;
  thread_.request_stop();
  Wake();
  thread_.join();
}

void NoticeWatcher::Wake() {
  const uint64_t one = 1;
  if (wake_ >= 0) {
    [[maybe_unused]] ssize_t written = write(wake_, &one, sizeof one);
  }
}

void NoticeWatcher::Watching(const std::stop_token& stop, const std::function<void(bool)>& seen) {
  while (!stop.stop_requested() && !errand_.stop) {
    int socket = -1;
    bool noticed = false, reconnect = false;
    {
      Turns::Lock lock = link_.turns().Hold();
      // No request is under way while the lock is held: what came is notices, or a loss.
      if (PGconn* conn = link_.conn(); conn && !PQconsumeInput(conn)) {
        const ServerFailure failure = FailureOf(conn, nullptr, link_.location());
        lost_ = ReadError(link_.name(), errand_.doing, Fault::kLost, LostCause(failure.said),
                          failure.said);
        link_.Drop();
      }
      link_.TakeNotices();
      noticed = link_.Noticed();
      socket = link_.conn() ? PQsocket(link_.conn()) : -1;
      reconnect = !link_.conn() && Clock::now() - link_.dropped_at() >= kReconnectAfter;
    }
    if (noticed) seen(true);
    if (reconnect && Reconnect()) continue;
    ready_();  // a connection a save made meanwhile
    uint64_t woken = 0;
    pollfd ready[2] = {{wake_, POLLIN, 0}, {socket, POLLIN, 0}};
    const int n = poll(ready, socket < 0 ? 1 : 2, static_cast<int>(LedgerDb::kWatchTick.count()));
    if (n > 0 && ready[0].revents) {
      [[maybe_unused]] ssize_t got = read(wake_, &woken, sizeof woken);
    }
    if (n == 0) seen(false);
  }
}

bool NoticeWatcher::Reconnect() {
  PGconn* conn = nullptr;
  try {
    conn = Connect(link_.location(), link_.limits(), errand_.stop);
  } catch (const LedgerError&) {
    return false;  // tried again next tick
  }
  {
    Turns::Lock lock = link_.turns().Hold();
    if (!link_.Adopt(conn)) {
      PQfinish(conn);
      return true;
    }
    lost_.reset();  // made again before a read met the loss
  }
  ready_();
  return true;
}

}  // namespace glnamelist::ledger::pg
