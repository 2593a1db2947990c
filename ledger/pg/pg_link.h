// The one connection a form holds to a server ledger, shared by its reader and its writer:
// made when asked for and made again once lost, each request sent and answered within the
// time limit (or cancelled), its statements prepared once, the notices of changed master
// data noted, the server's own notices sent to the log, and whose turn it is to use it.
#ifndef GLNAMELIST_LEDGER_PG_PG_LINK_H_
#define GLNAMELIST_LEDGER_PG_PG_LINK_H_

#include <libpq-fe.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ledger/db/ledger_db.h"
#include "ledger/db/location.h"
#include "ledger/pg/pg_conn.h"

namespace glnamelist::ledger::pg {

// Who sends a request, as its failure tells: what is being done ("cannot read") and what
// ends a wait for the server at once (the program closing; never set for a write).
struct Errand {
  const char* doing;
  const std::atomic<bool>& stop;
};

// The turns on one connection. Reads run one at a time, those of one transaction (a load,
// Together) letting others in between; a write transaction waits until no reads' transaction
// is open and holds the connection until it ends; reads that would begin wait for a write
// under way or waiting. A wait for a turn lasts `limit` at most (Fault::kNoAnswer then); a
// write's ends at once on its errand's stop (Fault::kStopped).
class Turns {
 public:
  using Lock = std::unique_lock<std::mutex>;

  // The connection held for a read; one that opens no transaction and none is open waits
  // for a write.
  Lock Read(const Errand& errand, const std::string& name, std::chrono::milliseconds limit);
  // The connection held, whoever's turn it is, for what leaves a transaction as it is (the
  // watcher's look at the socket, a statement of the write in progress).
  Lock Hold() { return Lock(mutex_); }
  // Reads' transactions, counted with the lock held: true when the last one ended.
  void EnterReads() { ++reads_; }
  bool LeaveReads() { return --reads_ == 0; }
  // A write's turn: waits for it, then holds it until EndWrite.
  void BeginWrite(const Errand& errand, const std::string& name, std::chrono::milliseconds limit);
  void EndWrite();
  // Wakes the waits, to look at their errand's stop.
  void Wake() { turned_.notify_all(); }
  bool writing() const { return writing_; }

 private:
  std::mutex mutex_;
  std::condition_variable turned_;
  int reads_ = 0;  // loads and Together under way
  int writers_waiting_ = 0;
  bool writing_ = false;
};

// Whether a link is taken by a reader or a writer: each shares it with one of the other.
enum class Role { kReader, kWriter };

class Link {
 public:
  Link(Location location, const LedgerLimits& limits);
  ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  // The link to location that role may share, connected: the one a reader (a writer) of this
  // process has taken already, when no other writer (reader) shares it; a new one otherwise.
  // Let go with Leave, never with the turns held (Take's lock comes before them). Errors of
  // Connect.
  static std::shared_ptr<Link> Take(const std::string& conninfo, const LedgerLimits& limits,
                                    Role role, const std::atomic<bool>& stop);
  void Leave(Role role);

  const std::string& name() const { return name_; }
  const Location& location() const { return location_; }
  const LedgerLimits& limits() const { return limits_; }
  Turns& turns() { return turns_; }

  // The connection, null while there is none; made() counts those made, so that whoever
  // readied one knows when it is another.
  PGconn* conn() const { return conn_; }
  uint64_t made() const { return made_; }
  Clock::time_point dropped_at() const { return dropped_at_; }

  // Makes a connection when there is none, or it is broken, or the server has ended it
  // (a restart, an idle session ended): what it sent meanwhile is read first. Its failure is
  // told as the errand's ("Ledger <name>: cannot write: cannot connect: ..."), and an
  // authentication refused once a connection was made before as kPasswordRefused.
  void Ensure(const Errand& errand);
  // Takes conn as the link's connection (made outside the lock); false when it has one.
  bool Adopt(PGconn* conn);
  // Lets the connection go (the server undoes a transaction in progress).
  void Drop();

  // A request and its result, within the time limit of an answer: on a timeout or a stop the
  // query is cancelled and the connection dropped.
  Result Roundtrip(const Errand& errand, const Send& send);
  void Exec(const Errand& errand, const std::string& sql);
  // The results of requests sent together (one round trip), one for each, in their order.
  // Each part is one implicit transaction, which a failed request ends.
  std::vector<Result> Pipelined(const Errand& errand, const std::vector<std::vector<Send>>& parts);
  // The rows of a statement prepared on its first use on this connection (in the same round
  // trip).
  Result RunPrepared(const Errand& errand, std::string_view sql, std::span<const SqlValue> values);
  // Waits for the socket within deadline (or else the query is cancelled: kNoAnswer), then
  // takes in what came.
  void AwaitSocket(const Errand& errand, short events, Clock::time_point deadline);
  // The result of the request sent (AwaitResult), each wait within deadline.
  Result Results(const Errand& errand, Clock::time_point deadline);
  // call's result; on a stop the running query is cancelled and the connection dropped.
  template <class Call>
  auto Guarded(Call call) -> decltype(call()) {
    try {
      return call();
    } catch (const LedgerError& e) {
      if (e.fault() == Fault::kStopped && conn_) {
        CancelQuery(conn_, kStopCancelWait);
        Drop();
      }
      throw;
    }
  }

  void Check(const Errand& errand, const Result& result, ExecStatusType expect);
  // Raises what the failed request tells (Fail); a lost connection is dropped.
  [[noreturn]] void Raise(const Errand& errand, const PGresult* result);

  // Notes the notices of changed master data the connection holds and tells on_notice.
  void TakeNotices();
  // Notes that changes may have come unnoticed (a connection made again) as a notice does.
  void Note();
  // Whether a notice came since the last call.
  bool Noticed() { return std::exchange(noticed_, false); }
  // Told (with the turns held) when a notice came; none to stop.
  void OnNotice(std::function<void()> on_notice) { on_notice_ = std::move(on_notice); }

 private:
  void Flush(const Errand& errand, Clock::time_point deadline);
  void Settle(const Errand& errand, Awaited awaited);
  [[noreturn]] void NoAnswer(const Errand& errand);

  const Location location_;
  const LedgerLimits limits_;
  std::string name_;
  PGconn* conn_ = nullptr;
  uint64_t made_ = 0;
  Clock::time_point dropped_at_;
  bool noticed_ = false;
  std::function<void()> on_notice_;
  std::map<std::string, std::string, std::less<>> prepared_;
  Turns turns_;
  unsigned roles_ = 0;  // the roles that took it, a bit each (by Take's lock)
};

}  // namespace glnamelist::ledger::pg

#endif  // GLNAMELIST_LEDGER_PG_PG_LINK_H_
