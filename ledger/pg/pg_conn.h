// The libpq plumbing the server's reader, writer and copy target share: connecting within a
// time limit, values bound and results read in binary, waiting for answers while a close
// may stop the wait, cancelling a query, and the one way a failed request is told.
#ifndef GLNAMELIST_LEDGER_PG_PG_CONN_H_
#define GLNAMELIST_LEDGER_PG_PG_CONN_H_

#include <libpq-fe.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/db/ledger_db.h"
#include "ledger/db/ledger_error.h"
#include "ledger/db/location.h"

namespace glnamelist::ledger::pg {

// Type ids of the server's built-in types, as result columns report them.
inline constexpr Oid kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25;
inline constexpr int kBinary = 1;

using Clock = std::chrono::steady_clock;

struct ResultDeleter {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

// Sends one request on a connection.
using Send = std::function<int(PGconn*)>;

inline const std::string kStoppedCause = "stopped: the program is closing";

// "5 s", "0.3 s".
std::string Seconds(std::chrono::milliseconds time);

// The server and database a connection is for, as a URI without a password.
std::string ServerName(PGconn* conn);

// Our SQL numbers its parameters ?1, ?2, ...; the server's are $1, $2, ...
std::string ServerSql(std::string_view sql);

// Values bound in binary: integers as 8 bytes in network order, texts as their bytes.
class BoundValues {
 public:
  explicit BoundValues(std::initializer_list<SqlValue> values)
      : BoundValues(std::span<const SqlValue>(values.begin(), values.size())) {}
  explicit BoundValues(std::span<const SqlValue> values);
  int count() const { return static_cast<int>(data_.size()); }
  const Oid* types() const { return types_.data(); }
  const char* const* data() const { return data_.data(); }
  const int* lengths() const { return lengths_.data(); }
  const int* formats() const { return formats_.data(); }

 private:
  void Add(Oid type, const char* data, int length);

  std::vector<std::array<char, 8>> numbers_;
  std::vector<Oid> types_;
  std::vector<const char*> data_;
  std::vector<int> lengths_, formats_;
};

// Hands each row of a result (in binary) to on_row; name: the ledger's, for messages.
void EachRow(const PGresult* result, const std::string& name, const OnRow& on_row);

// What a failed request on conn tells: the fault by the server's SQLSTATE (kLost once the
// connection is gone), the server's own words without the password, and the SQLSTATE.
struct ServerFailure {
  Fault fault = Fault::kOther;
  std::string said;
  std::string_view state;
  bool lost = false;
};
ServerFailure FailureOf(PGconn* conn, const PGresult* result, const Location& location);

// The cause of a failure that lost the connection.
std::string LostCause(const std::string& said);

// A request of a ledger's, as its failure names it: the ledger, what was being done
// ("cannot read"), how long an answer was waited for; the location, whose password no
// message shows.
struct Request {
  PGconn* conn;
  const Location& location;
  const std::string& name;
  std::string_view doing;
  std::chrono::milliseconds answer;
};
// Raises the error a failed request tells ("Ledger <name>: <doing>: <cause>"), its cause
// worded for the fault (a lost connection, no answer in time, a conflict, tables in use).
// settle, when given, runs first, told whether the connection is lost (to drop it).
[[noreturn]] void Fail(const Request& request, const PGresult* result,
                       const std::function<void(bool lost)>& settle = nullptr);

// Waits until the socket is ready for events: false once the deadline has passed. Error
// kStopped as soon as stop is set.
bool WaitForSocket(int socket, short events, Clock::time_point deadline,
                   const std::atomic<bool>& stop, const std::string& name,
                   const std::string& doing);

// Asks the server to cancel the connection's running query. A frozen server may never
// confirm: the request is sent from a thread of its own, waited for `wait` at most (a
// request stopped by a person waits less, as the person waits for the program).
inline constexpr std::chrono::milliseconds kCancelWait{200};
inline constexpr std::chrono::milliseconds kStopCancelWait{50};
void CancelQuery(PGconn* conn, std::chrono::milliseconds wait = kCancelWait);

// A connection being made, in steps, within limits.connect and while stop is not set.
// Error "Cannot open ledger <server>: cannot connect: <cause>". The server's notices on it (a
// warning, a session ended by the server) go to standard error as one line each, unless it
// is a terminal (a form's screen, which a form turns to its log while it runs).
PGconn* Connect(const Location& location, const LedgerLimits& limits,
                const std::atomic<bool>& stop);

// How a wait for the results of a command ended.
enum class Awaited { kDone, kNoAnswer, kBroken };

// Sends what libpq holds of the requests on conn (a non-blocking connection), each wait until
// deadline, taking in what comes meanwhile. kBroken when libpq cannot send or read. Error
// kStopped as soon as stop is set.
Awaited AwaitFlush(PGconn* conn, Clock::time_point deadline, const std::atomic<bool>& stop,
                   const std::string& name, const std::string& doing);

// Waits for the results of the command just sent on conn (a non-blocking connection), each
// step until deadline: into first the first result, or the first that failed after one that
// did not (a script of several statements); a COPY's start ends the wait, its rows left to
// their reader. kBroken when libpq cannot send or read (its PQerrorMessage tells why). Error
// kStopped as soon as stop is set.
Awaited AwaitResult(PGconn* conn, Clock::time_point deadline, const std::atomic<bool>& stop,
                    const std::string& name, const std::string& doing, Result& first);

}  // namespace glnamelist::ledger::pg

#endif  // GLNAMELIST_LEDGER_PG_PG_CONN_H_
