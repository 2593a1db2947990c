#include "ledger/pg_ledger.h"

#include <endian.h>
#include <libpq-fe.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <span>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "contracts/error.h"
#include "ledger/ledger_error.h"
#include "ledger/ledger_schema.h"
#include "ledger/ledger_session.h"
#include "ledger/pg_copy_rows.h"

namespace glnamelist::ledger {

const std::string& EmbeddedServerSchema();

namespace {

// Type ids of the server's built-in types, as result columns report them.
constexpr Oid kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25;
constexpr int kBinary = 1;
// Rows fetched from a load's cursor at a time: other reads wait at most for one batch.
constexpr int kLoadBatch = 5000;
// How often a wait for the server looks whether the ledger was interrupted.
constexpr std::chrono::milliseconds kWaitSlice(20);
// How long closing waits for a cancel request to reach a server (which may be frozen).
constexpr std::chrono::milliseconds kCancelWait(200);
// How long the ledger tool waits for the tables it replaces, which forms may be reading.
constexpr const char* kReplaceLockWait = "10s";
// The advisory lock a writer of a ledger holds in its database while it writes.
constexpr int64_t kWriterLock = 0x676c6e616d656c;  // "glnamel"
// Bytes of COPY data gathered before they are sent.
constexpr size_t kCopyChunk = 256 * 1024;

struct ResultDeleter {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

// The password written in a connection string (URI user info, a password parameter or
// keyword), or empty.
std::string PasswordIn(const std::string& conninfo) {
  static const std::regex uri_password(R"(^[a-z]+://[^:/@?]*:([^@/?]*)@)");
  static const std::regex keyword_password(
      R"((?:^|[\s?&])password\s*=\s*('(?:[^'\\]|\\.)*'|[^\s&]*))");
  std::smatch match;
  if (std::regex_search(conninfo, match, uri_password) && match[1].length() > 0) {
    return match[1];
  }
  if (std::regex_search(conninfo, match, keyword_password)) return match[1];
  return {};
}

// text with every occurrence of the password written as "***".
std::string Masked(std::string text, const std::string& password) {
  if (password.empty()) return text;
  for (size_t at; (at = text.find(password)) != std::string::npos;) {
    text.replace(at, password.size(), "***");
  }
  return text;
}

}  // namespace

std::string ShownLocation(const std::string& location) {
  return Masked(location, PasswordIn(location));
}

bool HasPassword(const std::string& location) {
  return IsServerLocation(location) && !PasswordIn(location).empty();
}

void HidePasswordIn(char* argument) {
  const std::string text = argument;
  const std::string password = IsServerLocation(text) ? PasswordIn(text) : "";
  if (password.empty()) return;
  for (size_t at = 0; (at = text.find(password, at)) != std::string::npos; at += password.size()) {
    std::memset(argument + at, '*', password.size());
  }
}

namespace {

// A libpq message made one line, without the parts that repeat what the error says.
std::string CauseOf(std::string message, const std::string& password) {
  message = Masked(std::move(message), password);
  if (message.starts_with("connection to server")) {
    size_t failed = message.find(" failed: ");
    if (failed != std::string::npos) message.erase(0, failed + 9);
  }
  std::string line;
  for (char c : message) {
    bool space = c == '\n' || c == '\t' || c == ' ';
    if (space && (line.empty() || line.back() == ' ')) continue;
    line += space ? ' ' : c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  for (std::string_view level : {"FATAL:  ", "FATAL: ", "ERROR:  ", "ERROR: "}) {
    for (size_t at; (at = line.find(level)) != std::string::npos;) line.erase(at, level.size());
  }
  return line;
}

// The server and database a connection is for, as a URI without a password.
std::string ServerName(PGconn* conn) {
  auto text = [](const char* value) { return std::string(value ? value : ""); };
  std::string host;
  for (char c : text(PQhost(conn))) host += c == '/' ? std::string("%2F") : std::string(1, c);
  std::string port = text(PQport(conn));
  return "postgresql://" + text(PQuser(conn)) + "@" + host + (port.empty() ? "" : ":" + port) +
         "/" + text(PQdb(conn));
}

// Our SQL numbers its parameters ?1, ?2, ...; the server's are $1, $2, ...
std::string ServerSql(std::string_view sql) {
  std::string text(sql);
  for (char& c : text) {
    if (c == '?') c = '$';
  }
  return text;
}

// Values bound in binary: integers as 8 bytes in network order, texts as their bytes.
class BoundValues {
 public:
  explicit BoundValues(std::initializer_list<SqlValue> values)
      : BoundValues(std::span<const SqlValue>(values.begin(), values.size())) {}
  explicit BoundValues(std::span<const SqlValue> values) {
    numbers_.reserve(values.size());
    for (const SqlValue& value : values) {
      if (const auto* number = std::get_if<int64_t>(&value)) {
        uint64_t big = htobe64(static_cast<uint64_t>(*number));
        std::memcpy(numbers_.emplace_back().data(), &big, 8);
        Add(kInt8, numbers_.back().data(), 8);
      } else if (const auto* text = std::get_if<std::string_view>(&value)) {
        Add(kText, text->empty() ? "" : text->data(), static_cast<int>(text->size()));
      } else {
        Add(0, nullptr, 0);
      }
    }
  }
  int count() const { return static_cast<int>(data_.size()); }
  const Oid* types() const { return types_.data(); }
  const char* const* data() const { return data_.data(); }
  const int* lengths() const { return lengths_.data(); }
  const int* formats() const { return formats_.data(); }

 private:
  void Add(Oid type, const char* data, int length) {
    types_.push_back(type);
    data_.push_back(data);
    lengths_.push_back(length);
    formats_.push_back(kBinary);
  }

  std::vector<std::array<char, 8>> numbers_;
  std::vector<Oid> types_;
  std::vector<const char*> data_;
  std::vector<int> lengths_, formats_;
};

class ServerRow final : public ResultRow {
 public:
  ServerRow(const PGresult* result, const std::string& name) : result_(result), name_(name) {}
  void At(int row) { row_ = row; }

  bool IsNull(int column) const override { return PQgetisnull(result_, row_, column) != 0; }

  int64_t Int(int column) const override {
    if (IsNull(column)) return 0;
    const char* bytes = PQgetvalue(result_, row_, column);
    switch (PQftype(result_, column)) {
      case kInt8: {
        uint64_t big;
        std::memcpy(&big, bytes, 8);
        return static_cast<int64_t>(be64toh(big));
      }
      case kInt4: {
        uint32_t big;
        std::memcpy(&big, bytes, 4);
        return static_cast<int32_t>(be32toh(big));
      }
      case kInt2: {
        uint16_t big;
        std::memcpy(&big, bytes, 2);
        return static_cast<int16_t>(be16toh(big));
      }
      default:
        throw Error(errc::kDataService, "Ledger " + name_ + ": column " + PQfname(result_, column) +
                                            " is not an integer");
    }
  }

  std::string_view Text(int column) const override {
    return {PQgetvalue(result_, row_, column),
            static_cast<size_t>(PQgetlength(result_, row_, column))};
  }

 private:
  const PGresult* result_;
  const std::string& name_;
  int row_ = 0;
};

void EachRow(const PGresult* result, const std::string& name, const OnRow& on_row) {
  ServerRow row(result, name);
  for (int i = 0, n = PQntuples(result); i < n; ++i) {
    row.At(i);
    on_row(row);
  }
}

using Clock = std::chrono::steady_clock;

const std::string kStoppedCause = "stopped: the program is closing";

// "5 s", "0.3 s".
std::string Seconds(std::chrono::milliseconds time) {
  std::string text = std::to_string(time.count() / 1000);
  if (time.count() % 1000) text += "." + std::to_string(time.count() % 1000 / 100);
  return text + " s";
}

// The fault a server's SQLSTATE tells.
Fault FaultOfState(std::string_view state) {
  if (state == "42501") return Fault::kNoPermission;
  if (state.starts_with("08") || state == "57P01" || state == "57P02" || state == "57P03") {
    return Fault::kLost;
  }
  if (state == "53300") return Fault::kTooManyConnections;
  if (state == "42P01" || state == "42703") return Fault::kWrongSchema;
  if (state == "57014") return Fault::kNoAnswer;
  if (state == "28P01" || state == "28000") return Fault::kAuthentication;
  if (state == "3D000") return Fault::kNoDatabase;
  // A key another session holds, a serialization failure, a deadlock.
  if (state == "23505" || state == "40001" || state == "40P01") return Fault::kConflict;
  return Fault::kOther;
}

// What a failed request on conn tells: the fault by the server's SQLSTATE (kLost once the
// connection is gone), the server's own words without the password, and the SQLSTATE.
struct ServerFailure {
  Fault fault = Fault::kOther;
  std::string said;
  std::string_view state;
  bool lost = false;
};
ServerFailure FailureOf(PGconn* conn, const PGresult* result, const std::string& password) {
  const char* message = result ? PQresultErrorMessage(result) : "";
  if (!*message && conn) message = PQerrorMessage(conn);
  ServerFailure failure;
  failure.said = CauseOf(message, password);
  const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  if (state) failure.state = state;
  failure.fault = FaultOfState(failure.state);
  failure.lost = !conn || PQstatus(conn) != CONNECTION_OK || failure.fault == Fault::kLost;
  if (failure.lost) failure.fault = Fault::kLost;
  return failure;
}

// The cause of a failure that lost the connection.
std::string LostCause(const std::string& said) {
  return "the connection to the server was lost (" + said + ")";
}

// The fault of a connection that could not be made, from libpq's words (it gives no SQLSTATE
// for them).
Fault ConnectFault(PGconn* conn, const std::string& message) {
  auto has = [&](const char* words) { return message.find(words) != std::string::npos; };
  if (PQconnectionNeedsPassword(conn) || has("password authentication failed") ||
      has("no password supplied") || has("authentication failed") || has("no pg_hba.conf entry") ||
      (has("role \"") && has("does not exist"))) {
    return Fault::kAuthentication;
  }
  if (has("database \"") && has("does not exist")) return Fault::kNoDatabase;
  if (has("too many connections") || has("remaining connection slots")) {
    return Fault::kTooManyConnections;
  }
  return Fault::kUnreachable;
}

// Waits until the socket is ready for events: false once the deadline has passed. Error
// kStopped as soon as stop is set.
bool WaitForSocket(int socket, short events, Clock::time_point deadline,
                   const std::atomic<bool>& stop, const std::string& name,
                   const std::string& doing) {
  for (;;) {
    if (stop) throw ReadError(name, doing, Fault::kStopped, kStoppedCause);
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd ready{socket, events, 0};
    int n = poll(&ready, 1, static_cast<int>(std::min(left, kWaitSlice).count()));
    if (n > 0 || (n < 0 && errno != EINTR)) return true;  // libpq tells what the socket holds
  }
}

// Asks the server to cancel the connection's running query. A frozen server may never
// confirm: the request is sent from a thread of its own, waited for a moment at most.
void CancelQuery(PGconn* conn) {
  PGcancel* cancel = PQgetCancel(conn);
  if (!cancel) return;
  auto sent = std::make_shared<std::promise<void>>();
  std::future<void> done = sent->get_future();
  std::thread([cancel, sent] {
    char why[256];
    PQcancel(cancel, why, sizeof why);
    PQfreeCancel(cancel);
    sent->set_value();
  }).detach();
  done.wait_for(kCancelWait);
}

// A connection being made, in steps, within limits.connect and while stop is not set.
// Error "Cannot open ledger <server>: cannot connect: <cause>".
PGconn* Connect(const std::string& conninfo, const std::string& password,
                const LedgerLimits& limits, const std::atomic<bool>& stop) {
  const char* const keywords[] = {"fallback_application_name", "dbname", "client_encoding",
                                  nullptr};
  const char* const values[] = {"glnamelist", conninfo.c_str(), "UTF8", nullptr};
  PGconn* conn = PQconnectStartParams(keywords, values, 1);
  if (!conn) RefuseLedger("on a server", Fault::kOther, "out of memory");
  auto refuse = [&](Fault fault, const std::string& cause, const std::string& said) {
    std::string name = PQdb(conn) ? ServerName(conn) : CauseOf(conninfo, password);
    PQfinish(conn);
    RefuseLedger(name, fault, "cannot connect: " + cause, said);
  };
  if (PQstatus(conn) == CONNECTION_BAD) {  // at once: a wrong address, or nothing there
    std::string cause = CauseOf(PQerrorMessage(conn), password);
    char* wrong = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &wrong);
    PQconninfoFree(options);
    PQfreemem(wrong);
    refuse(options ? ConnectFault(conn, cause) : Fault::kOther, cause, cause);
  }
  const Clock::time_point deadline = Clock::now() + limits.connect;
  PostgresPollingStatusType polled = PGRES_POLLING_WRITING;
  while (polled != PGRES_POLLING_OK && polled != PGRES_POLLING_FAILED) {
    short events = polled == PGRES_POLLING_READING ? POLLIN : POLLOUT;
    bool ready = false;
    try {
      ready = WaitForSocket(PQsocket(conn), events, deadline, stop, "", "");
    } catch (const LedgerError&) {
      refuse(Fault::kStopped, kStoppedCause, "");
    }
    if (!ready) {
      refuse(Fault::kUnreachable, "no answer from the server within " + Seconds(limits.connect),
             "timeout expired");
    }
    polled = PQconnectPoll(conn);
  }
  if (PQstatus(conn) != CONNECTION_OK) {
    std::string cause = CauseOf(PQerrorMessage(conn), password);
    refuse(ConnectFault(conn, cause), cause, cause);
  }
  return conn;
}

// Every named table's kind and columns, in the order of the names (given as one text, see
// TableList).
constexpr std::string_view kShapesSql =
    "SELECT t.at, c.relkind::text, a.attname::text, format_type(a.atttypid, a.atttypmod), "
    "a.atttypid::bigint FROM unnest(string_to_array(?1, ',')) WITH ORDINALITY AS t(name, at) "
    "JOIN pg_class c ON c.oid = to_regclass(t.name) LEFT JOIN pg_attribute a "
    "ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped ORDER BY t.at, a.attnum";

// The names of tables as kShapesSql takes them (the names hold no comma).
std::string TableList(const std::vector<std::string_view>& tables) {
  std::string names;
  for (std::string_view table : tables) {
    if (!names.empty()) names += ',';
    names += table;
  }
  return names;
}

// The database, and what its table meta is (a table: "r"): which ledger a connection reads.
constexpr std::string_view kDatabaseSql =
    "SELECT d.oid::text, c.relkind::text FROM pg_database d LEFT JOIN pg_class c "
    "ON c.oid = to_regclass('meta') WHERE d.datname = current_database()";
// The rows of meta in one text, but the change sequence: it moves with every change of master
// data, which a session made again may see, as it may see the changed rows.
constexpr std::string_view kMetaRowsSql =
    "SELECT string_agg(key || '=' || value, ';' ORDER BY key) FROM meta WHERE key <> "
    "'change_seq'";
// The database (its oid, new when it is made again), the ledger it holds and the last change
// of its log.
constexpr std::string_view kStampSql =
    "SELECT d.oid::text, m.value, (SELECT max(seq) FROM master_changes)::text "
    "FROM pg_database d LEFT JOIN meta m ON m.key = 'ledger_id' "
    "WHERE d.datname = current_database()";

// sql, run only when each of the tables it reads is a table (so that a view standing in for
// one never runs): no rows otherwise.
std::string WhenTables(std::string_view sql, std::initializer_list<std::string_view> reads) {
  if (reads.size() == 0) return ServerSql(sql);
  std::string guarded = "SELECT * FROM (" + ServerSql(sql) + ") AS asked WHERE true";
  for (std::string_view table : reads) {
    guarded += " AND (SELECT relkind FROM pg_class WHERE oid = to_regclass('" + std::string(table) +
               "')) IN ('r', 'p')";
  }
  return guarded;
}

// A look-up and its values as one text, by which an answer read ahead is found.
std::string RequestKey(std::string_view sql, std::span<const SqlValue> values) {
  std::string key(sql);
  for (const SqlValue& value : values) {
    key += '\0';
    if (const auto* number = std::get_if<int64_t>(&value)) {
      key += "i" + std::to_string(*number);
    } else if (const auto* text = std::get_if<std::string_view>(&value)) {
      key += "t" + std::string(*text);
    }
  }
  return key;
}

// The shapes of `count` tables from the rows of kShapesSql.
std::vector<TableShape> ShapesIn(const PGresult* rows, size_t count) {
  constexpr Oid kVarchar = 1043, kBpchar = 1042;
  std::vector<TableShape> shapes(count);
  EachRow(rows, "", [&](const ResultRow& row) {
    TableShape& shape = shapes.at(static_cast<size_t>(row.Int(0) - 1));
    if (shape.kind == TableShape::Kind::kNone) {
      const std::string_view relkind = row.Text(1);
      shape.kind = relkind == "r" || relkind == "p" ? TableShape::Kind::kTable
                   : relkind == "v"                 ? TableShape::Kind::kView
                                                    : TableShape::Kind::kOther;
      shape.what = relkind == "v"   ? "a view"
                   : relkind == "m" ? "a materialized view"
                   : relkind == "f" ? "a foreign table"
                                    : "not a table";
    }
    if (row.IsNull(2)) return;
    const int64_t type = row.Int(4);
    shape.columns.push_back(
        {std::string(row.Text(2)),
         type == kInt8 || type == kInt4 || type == kInt2        ? TableShape::Type::kInteger
         : type == kText || type == kVarchar || type == kBpchar ? TableShape::Type::kText
                                                                : TableShape::Type::kOther,
         std::string(row.Text(3))});
  });
  return shapes;
}

// How a wait for the results of a command ended.
enum class Awaited { kDone, kNoAnswer, kBroken };

// Sends what libpq holds of the requests on conn (a non-blocking connection), each wait until
// deadline, taking in what comes meanwhile. kBroken when libpq cannot send or read. Error
// kStopped as soon as stop is set.
Awaited AwaitFlush(PGconn* conn, Clock::time_point deadline, const std::atomic<bool>& stop,
                   const std::string& name, const std::string& doing) {
  for (int flushed; (flushed = PQflush(conn)) != 0;) {
    if (flushed < 0) return Awaited::kBroken;
    if (!WaitForSocket(PQsocket(conn), POLLIN | POLLOUT, deadline, stop, name, doing)) {
      return Awaited::kNoAnswer;
    }
    if (!PQconsumeInput(conn)) return Awaited::kBroken;
  }
  return Awaited::kDone;
}

// Waits for the results of the command just sent on conn (a non-blocking connection), each
// step until deadline: into first the first result, or the first that failed after one that
// did not (a script of several statements); a COPY's start ends the wait, its rows left to
// their reader. kBroken when libpq cannot send or read (its PQerrorMessage tells why). Error
// kStopped as soon as stop is set.
Awaited AwaitResult(PGconn* conn, Clock::time_point deadline, const std::atomic<bool>& stop,
                    const std::string& name, const std::string& doing, Result& first) {
  if (Awaited sent = AwaitFlush(conn, deadline, stop, name, doing); sent != Awaited::kDone) {
    return sent;
  }
  auto failed = [](const Result& r) { return PQresultStatus(r.get()) == PGRES_FATAL_ERROR; };
  for (;;) {
    while (PQisBusy(conn)) {
      if (!WaitForSocket(PQsocket(conn), POLLIN, deadline, stop, name, doing)) {
        return Awaited::kNoAnswer;
      }
      if (!PQconsumeInput(conn)) return Awaited::kBroken;
    }
    Result next(PQgetResult(conn));
    if (!next) return Awaited::kDone;
    const bool copy = PQresultStatus(next.get()) == PGRES_COPY_OUT;
    if (!first || (!failed(first) && failed(next))) first = std::move(next);
    if (copy) return Awaited::kDone;
  }
}

// A ledger read on a server through one connection. A look-up runs on its own; a load, and
// the reads made Together, run in one read-only transaction, which ends with the last of
// them, so that between reads the connection is idle and the server's notices of changed
// master data reach it (LISTEN): a watcher thread waits for them on the connection's socket.
// A connection that is lost, or a transaction a failure ended, is made again by the next
// call or by the watcher, which checks that the ledger is still the one first read.
class ServerLedger final : public LedgerDb {
 public:
  ServerLedger(const std::string& conninfo, const LedgerLimits& limits)
      : conninfo_(conninfo), password_(PasswordIn(conninfo)), limits_(limits) {
    conn_ = Connect(conninfo_, password_, limits_, stopped_);
    name_ = ServerName(conn_);
    PQsetnonblocking(conn_, 1);
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  }
  ~ServerLedger() override {
    stopped_ = true;
    StopWatching();
    if (conn_) PQfinish(conn_);
    if (wake_ >= 0) close(wake_);
  }
  ServerLedger(const ServerLedger&) = delete;
  ServerLedger& operator=(const ServerLedger&) = delete;

  const std::string& name() const override { return name_; }

  void Lookup(std::string_view sql, std::initializer_list<SqlValue> values,
              const OnRow& on_row) override {
    std::lock_guard lock(mutex_);
    Ready(false);
    Result result = RunPrepared(sql, values);
    EachRow(result.get(), name_, on_row);
  }

  void Together(const std::function<void()>& reads) override {
    std::unique_lock lock(mutex_);
    InTransaction in(*this);
    RunUnlocked(lock, reads);  // other threads' reads join it meanwhile
  }

  void Watch(std::function<void(bool seen)> seen) override {
    std::lock_guard lock(watch_mutex_);
    if (watcher_.joinable() || stopped_) return;
    watcher_ = std::jthread(
        [this, seen = std::move(seen)](std::stop_token stop) { Watching(stop, seen); });
  }

  void Load(std::string_view sql, std::initializer_list<SqlValue> values,
            const OnRow& on_row) override {
    std::unique_lock lock(mutex_);
    InTransaction in(*this);
    if (values.size() == 0) return CopyOut(sql, on_row);
    const uint64_t session = session_;
    const std::string cursor = "glnamelist_rows_" + std::to_string(++cursors_);
    BoundValues bound(values);
    const std::string declare = "DECLARE " + cursor + " NO SCROLL CURSOR FOR " + ServerSql(sql);
    Check(Roundtrip([&](PGconn* conn) {
            return PQsendQueryParams(conn, declare.c_str(), bound.count(), bound.types(),
                                     bound.data(), bound.lengths(), bound.formats(), kBinary);
          }),
          PGRES_COMMAND_OK);
    const std::string fetch = "FETCH FORWARD " + std::to_string(kLoadBatch) + " FROM " + cursor;
    try {
      for (;;) {
        if (session != session_ || !conn_ || !in_transaction_) {  // another read's failure
          throw ReadError(name_, kDoing, Fault::kLost,
                          "the connection to the server was lost (opened again by another read)");
        }
        Result batch = Roundtrip([&](PGconn* conn) {
          return PQsendQueryParams(conn, fetch.c_str(), 0, nullptr, nullptr, nullptr, nullptr,
                                   kBinary);
        });
        Check(batch, PGRES_TUPLES_OK);
        if (PQntuples(batch.get()) == 0) break;
        // Other reads run between the batches, in the same transaction.
        lock.unlock();
        EachRow(batch.get(), name_, on_row);
        lock.lock();
      }
    } catch (...) {
      if (!lock.owns_lock()) lock.lock();
      CloseCursor(session, cursor);
      throw;
    }
    CloseCursor(session, cursor);
  }

  TableShape ShapeOf(std::string_view table) override { return ShapesOf({table}).front(); }

  // Every table's kind and columns in one query (the names hold no comma).
  std::vector<TableShape> ShapesOf(const std::vector<std::string_view>& tables) override {
    const std::string names = TableList(tables);
    std::lock_guard lock(mutex_);
    Ready(false);
    return ShapesIn(RunPrepared(kShapesSql, {std::string_view(names)}).get(), tables.size());
  }

  // The watcher is stopped too: it calls no one once this returns.
  void Interrupt() override {
    stopped_ = true;
    StopWatching();
  }

  std::string Identity() override {
    std::lock_guard lock(mutex_);
    Ready(false);
    Result result = RunPrepared(
        "SELECT 'server:' || pg_postmaster_start_time()::text || ':' || oid::text "
        "FROM pg_database WHERE datname = current_database()",
        {});
    return PQntuples(result.get()) > 0 ? PQgetvalue(result.get(), 0, 0) : "";
  }

  // The database on this server, the ledger it holds and the last change of its log
  // (kStampSql), as the read in progress sees them.
  std::optional<LedgerStamp> Stamp() override {
    std::lock_guard lock(mutex_);
    Ready(false);
    Result result = RunPrepared(kStampSql, {});
    if (PQntuples(result.get()) == 0 || PQgetisnull(result.get(), 0, 1)) return std::nullopt;
    const char* last = PQgetisnull(result.get(), 0, 2) ? "0" : PQgetvalue(result.get(), 0, 2);
    return LedgerStamp{
        name_ + "#" + PQgetvalue(result.get(), 0, 0) + " ledger " + PQgetvalue(result.get(), 0, 1),
        last};
  }

 private:
  static constexpr const char* kDoing = "cannot read";
  using Send = std::function<int(PGconn*)>;

  // The reads of a load or of Together: in one transaction, begun by the first of them and
  // ended by the last. Made and ended with mutex_ held.
  class InTransaction {
   public:
    explicit InTransaction(ServerLedger& db) : db_(db) {
      db.Ready(true);
      ++db.depth_;
    }
    ~InTransaction() {
      if (--db_.depth_ == 0) db_.EndTransaction();
    }
    InTransaction(const InTransaction&) = delete;
    InTransaction& operator=(const InTransaction&) = delete;

   private:
    ServerLedger& db_;
  };

  // Makes the connection fit for a read, with mutex_ held: connected, and in a transaction
  // when one is asked for or already open.
  void Ready(bool transaction) {
    if (stopped_) throw ReadError(name_, kDoing, Fault::kStopped, kStoppedCause);
    if (changed_) throw *changed_;
    // A loss the watcher met is the next read's, as one the read met itself would be.
    if (std::optional<LedgerError> lost = std::exchange(lost_, std::nullopt)) throw *lost;
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
      Drop();
      try {
        conn_ = Connect(conninfo_, password_, limits_, stopped_);
      } catch (const LedgerError& e) {  // told as a read of this ledger, not an opening
        throw ReadError(name_, kDoing, e.fault(), e.cause(), e.said());
      }
      PQsetnonblocking(conn_, 1);
    }
    if (!adopted_) Adopt();
    if (in_transaction_) return;
    if (PQtransactionStatus(conn_) != PQTRANS_IDLE) Exec("ROLLBACK");
    if (!transaction) return;
    ahead_.clear();
    Exec("BEGIN");
    in_transaction_ = true;
    ++session_;
  }

  // Readies a new connection, in one round trip: read-only REPEATABLE READ transactions, the
  // notices of changed master data listened for, the same ledger as the first connection
  // read. Notices sent while no connection listened are lost: the watcher is told to look.
  // The first connection also asks ahead what a form asks as it opens the ledger (Ahead).
  void Adopt() {
    const std::vector<Send> settle = {
        Command("SET SESSION CHARACTERISTICS AS TRANSACTION ISOLATION LEVEL REPEATABLE READ, "
                "READ ONLY"),
        Command(std::string("LISTEN ") + kNoticeChannel)};
    const std::string meta_rows = WhenTables(kMetaRowsSql, {"meta"});
    const BoundValues none(std::span<const SqlValue>{});
    std::vector<Send> ask = {Query(std::string(kDatabaseSql), none), Query(meta_rows, none)};
    std::vector<Asked> ahead;
    if (connections_ == 0) ahead = Ahead();
    for (const Asked& asked : ahead) ask.push_back(Query(asked.sql, asked.bound));
    // In two parts, so that a failure of one asked ahead leaves the session's settings: it
    // is asked again when it is needed, and fails then with its cause.
    std::vector<Result> results = Pipelined({settle, ask});
    Check(results[0], PGRES_COMMAND_OK);
    Check(results[1], PGRES_COMMAND_OK);
    Check(results[2], PGRES_TUPLES_OK);
    std::string print = Fingerprint(results[2], std::move(results[3]));
    for (size_t i = 0; i < ahead.size(); ++i) {
      Result& answer = results[4 + i];
      if (PQresultStatus(answer.get()) == PGRES_TUPLES_OK) {
        ahead_.emplace(std::move(ahead[i].key), std::move(answer));
      }
    }
    if (!fingerprint_) fingerprint_ = print;
    if (*fingerprint_ != print) {
      changed_ = ReadError(name_, kDoing, Fault::kChanged,
                           "the ledger on the server is not the one first read (it was replaced "
                           "or changed while the connection was lost)");
      throw *changed_;
    }
    if (connections_++ > 0) {
      noticed_ = true;
      Wake();
    }
    adopted_ = true;
  }

  // Ends the transaction of the reads just done, with mutex_ held; a failure to end it (a
  // lost connection) is the next read's.
  void EndTransaction() noexcept {
    if (!in_transaction_ || !conn_) return;
    try {
      Exec("COMMIT");
    } catch (const LedgerError&) {
      // Dropped or ended already.
    }
    in_transaction_ = false;  // the notices held back meanwhile came with the answer
  }

  // Notes the notices the connection holds, with mutex_ held, and wakes the watcher.
  void TakeNotices() {
    if (!conn_) return;
    while (PGnotify* notice = PQnotifies(conn_)) {
      PQfreemem(notice);
      noticed_ = true;
    }
    if (noticed_) Wake();
  }

  void StopWatching() {
    std::lock_guard lock(watch_mutex_);
    if (!watcher_.joinable()) return;
    watcher_.request_stop();
    Wake();
    watcher_.join();
  }

  void Wake() {
    const uint64_t one = 1;
    if (wake_ >= 0) {
      [[maybe_unused]] ssize_t written = write(wake_, &one, sizeof one);
    }
  }

  // The watcher's thread: waits on the idle connection for notices. A connection lost is
  // made again by the next read, or by the watcher once kReconnectAfter has passed without
  // one (so that a form left alone goes on learning of changes).
  void Watching(const std::stop_token& stop, const std::function<void(bool)>& seen) {
    while (!stop.stop_requested() && !stopped_) {
      int socket = -1;
      bool noticed = false, reconnect = false;
      {
        std::lock_guard lock(mutex_);
        // No request is under way while the lock is held: what came is notices, or a loss.
        if (conn_ && !PQconsumeInput(conn_)) {
          const ServerFailure failure = FailureOf(conn_, nullptr, password_);
          lost_ = ReadError(name_, kDoing, Fault::kLost, LostCause(failure.said), failure.said);
          Drop();
        }
        TakeNotices();
        noticed = std::exchange(noticed_, false);
        socket = conn_ ? PQsocket(conn_) : -1;
        reconnect = !conn_ && Clock::now() - dropped_at_ >= kReconnectAfter;
      }
      if (noticed) seen(true);
      if (reconnect && Reconnect()) continue;
      uint64_t woken = 0;
      pollfd ready[2] = {{wake_, POLLIN, 0}, {socket, POLLIN, 0}};
      const int n = poll(ready, socket < 0 ? 1 : 2, static_cast<int>(kWatchTick.count()));
      if (n > 0 && ready[0].revents) {
        [[maybe_unused]] ssize_t got = read(wake_, &woken, sizeof woken);
      }
      if (n == 0) seen(false);
    }
  }

  // A connection made by the watcher in place of a lost one, outside the lock (making it may
  // take a while); true once there is one again.
  bool Reconnect() {
    PGconn* conn = nullptr;
    try {
      conn = Connect(conninfo_, password_, limits_, stopped_);
    } catch (const LedgerError&) {
      return false;  // tried again next tick
    }
    std::lock_guard lock(mutex_);
    if (conn_) {
      PQfinish(conn);
      return true;
    }
    conn_ = conn;
    lost_.reset();  // made again before a read met the loss
    PQsetnonblocking(conn_, 1);
    try {
      Ready(false);
    } catch (const LedgerError&) {
      // The next read meets it.
    }
    return true;
  }

  // The database and the rows of its meta table (when it is a table), which tell whether a
  // session after a lost one reads the same ledger: from the answers to kDatabaseSql and
  // kMetaRowsSql. When the meta rows could not be read, they are asked again, for the cause.
  std::string Fingerprint(const Result& database, Result meta) {
    if (PQntuples(database.get()) == 0) Fail(database.get());
    std::string print = PQgetvalue(database.get(), 0, 0);
    if (std::string_view(PQgetvalue(database.get(), 0, 1)) != "r") return print;
    if (PQresultStatus(meta.get()) != PGRES_TUPLES_OK) meta = RunPrepared(kMetaRowsSql, {});
    if (PQntuples(meta.get()) > 0 && !PQgetisnull(meta.get(), 0, 0)) {
      print += ";" + std::string(PQgetvalue(meta.get(), 0, 0));
    }
    return print;
  }

  // A request asked ahead: the look-up it answers (RequestKey), its text as sent, its values.
  struct Asked {
    std::string key;
    std::string sql;
    BoundValues bound;
  };
  // What a form asks as it opens the ledger, asked ahead with the first connection's
  // settings: the schema check's shapes and schema version (CheckLedgerSchema), the position
  // of the change log and the stamp. Each is run only when the tables it reads are tables;
  // its answer is used once, by the first request for it before any other (see RunPrepared).
  std::vector<Asked> Ahead() {
    checked_tables_ = TableList(CheckedTables());
    std::vector<Asked> ahead;
    auto ask = [&](std::string_view sql, std::initializer_list<SqlValue> values,
                   std::initializer_list<std::string_view> reads) {
      const std::span<const SqlValue> bound(values.begin(), values.size());
      ahead.push_back({RequestKey(sql, bound), WhenTables(sql, reads), BoundValues(bound)});
    };
    ask(kShapesSql, {std::string_view(checked_tables_)}, {});
    ask(kMetaValueSql, {std::string_view("schema_version")}, {"meta"});
    ask(kLastChangeSql, {}, {"master_changes"});
    ask(kStampSql, {}, {"meta", "master_changes"});
    return ahead;
  }

  // Sends a command without values (in the extended protocol, as a pipeline needs).
  static Send Command(std::string sql) {
    return [sql = std::move(sql)](PGconn* conn) {
      return PQsendQueryParams(conn, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0);
    };
  }
  // Sends a query with its values (which must outlive the request) bound, for results in
  // binary.
  static Send Query(std::string sql, const BoundValues& bound) {
    return [sql = std::move(sql), &bound](PGconn* conn) {
      return PQsendQueryParams(conn, sql.c_str(), bound.count(), bound.types(), bound.data(),
                               bound.lengths(), bound.formats(), kBinary);
    };
  }

  // The results of requests sent together (one round trip), one for each, in their order,
  // within the time limit of an answer. Each part is one implicit transaction, which a
  // failed request ends: the requests after it in its part are PGRES_PIPELINE_ABORTED. A
  // connection that fails meanwhile is dropped.
  std::vector<Result> Pipelined(const std::vector<std::vector<Send>>& parts) {
    std::vector<Result> results;
    size_t sent = 0;
    try {
      if (!PQenterPipelineMode(conn_)) Fail(nullptr);
      for (const std::vector<Send>& part : parts) {
        for (const Send& send : part) {
          if (!send(conn_)) Fail(nullptr);
        }
        if (!PQpipelineSync(conn_)) Fail(nullptr);
        sent += part.size();
      }
      const Clock::time_point deadline = Clock::now() + limits_.answer;
      Guarded([&] {
        Flush(deadline);
        for (size_t synced = 0; synced < parts.size();) {
          while (PQisBusy(conn_)) AwaitSocket(POLLIN, deadline);
          Result next(PQgetResult(conn_));
          if (!next) continue;  // the end of one request's results
          if (PQresultStatus(next.get()) == PGRES_PIPELINE_SYNC) {
            ++synced;
          } else {
            results.push_back(std::move(next));
          }
        }
      });
      if (results.size() != sent || !PQexitPipelineMode(conn_)) Fail(nullptr);
      TakeNotices();
    } catch (const LedgerError&) {
      Drop();
      throw;
    }
    return results;
  }

  // The result of a prepared look-up (prepared on first use on this connection, in the same
  // round trip); or its answer asked ahead as the ledger opened, when no other request came
  // since (the answers asked ahead are let go at the first other one).
  Result RunPrepared(std::string_view sql, std::initializer_list<SqlValue> values) {
    if (!ahead_.empty()) {
      auto answer = ahead_.extract(RequestKey(sql, {values.begin(), values.size()}));
      if (!answer.empty()) return std::move(answer.mapped());
      ahead_.clear();
    }
    BoundValues bound(values);
    auto run = [&](const std::string& statement) {
      return [&](PGconn* conn) {
        return PQsendQueryPrepared(conn, statement.c_str(), bound.count(), bound.data(),
                                   bound.lengths(), bound.formats(), kBinary);
      };
    };
    auto found = prepared_.find(sql);
    if (found != prepared_.end()) {
      Result result = Roundtrip(run(found->second));
      Check(result, PGRES_TUPLES_OK);
      return result;
    }
    const std::string statement = "glnamelist_" + std::to_string(prepared_.size() + 1);
    const std::string text = ServerSql(sql);
    std::vector<Result> results =
        Pipelined({{[&](PGconn* conn) {
                      return PQsendPrepare(conn, statement.c_str(), text.c_str(), bound.count(),
                                           bound.types());
                    },
                    run(statement)}});
    Check(results[0], PGRES_COMMAND_OK);
    prepared_.emplace(std::string(sql), statement);
    Check(results[1], PGRES_TUPLES_OK);
    return std::move(results[1]);
  }

  // A load without values: one binary COPY of the query's rows, each row handed on as it
  // comes while the server reads on, each wait for the server within the time limit of an
  // answer. Other reads wait for it. When on_row fails, the rest of the rows go by unread
  // (the transaction stays) and its error is raised.
  void CopyOut(std::string_view sql, const OnRow& on_row) {
    const std::string copy = "COPY (" + ServerSql(sql) + ") TO STDOUT (FORMAT binary)";
    Check(Roundtrip([&](PGconn* conn) { return PQsendQuery(conn, copy.c_str()); }), PGRES_COPY_OUT);
    CopyRows rows(name_);
    std::exception_ptr refused;
    Guarded([&] {
      for (bool more = true;;) {
        if (stopped_) throw ReadError(name_, kDoing, Fault::kStopped, kStoppedCause);
        char* data = nullptr;
        const int size = PQgetCopyData(conn_, &data, 1);
        if (size == 0) {
          AwaitSocket(POLLIN, Clock::now() + limits_.answer);
          continue;
        }
        if (size < 0) break;  // the rows are over, or the connection failed
        std::unique_ptr<char, decltype(&PQfreemem)> message(data, &PQfreemem);
        if (!more || refused) continue;
        try {
          more = rows.Read({data, static_cast<size_t>(size)}, on_row);
        } catch (...) {
          refused = std::current_exception();
        }
      }
      Check(Results(Clock::now() + limits_.answer), PGRES_COMMAND_OK);
    });
    if (refused) std::rethrow_exception(refused);
  }

  void Exec(const std::string& sql) {
    Check(Roundtrip([&](PGconn* conn) { return PQsendQuery(conn, sql.c_str()); }),
          PGRES_COMMAND_OK);
  }

  // Sends a command and waits for its result, each step within the time limit of an
  // answer. On a timeout or a stop the query is cancelled and the connection dropped.
  Result Roundtrip(const std::function<int(PGconn*)>& send) {
    if (!send(conn_)) Fail(nullptr);
    return Guarded([&] { return Results(Clock::now() + limits_.answer); });
  }

  // call's result; on a stop the running query is cancelled and the connection dropped.
  template <class Call>
  auto Guarded(Call call) -> decltype(call()) {
    try {
      return call();
    } catch (const LedgerError& e) {
      if (e.fault() == Fault::kStopped && conn_) {
        CancelQuery(conn_);
        Drop();
      }
      throw;
    }
  }

  // Sends what libpq holds of the requests, each wait until deadline.
  void Flush(Clock::time_point deadline) {
    Settle(AwaitFlush(conn_, deadline, stopped_, name_, kDoing));
  }

  // Raises what a wait that ended without its answer tells: no answer in time (the query
  // cancelled, the connection dropped), or a connection that failed.
  void Settle(Awaited awaited) {
    switch (awaited) {
      case Awaited::kNoAnswer:
        NoAnswer();
      case Awaited::kBroken:
        Fail(nullptr);
      case Awaited::kDone:
        break;
    }
  }

  // Waits for the socket within the deadline (or else NoAnswer), then takes in what came.
  void AwaitSocket(short events, Clock::time_point deadline) {
    if (!WaitForSocket(PQsocket(conn_), events, deadline, stopped_, name_, kDoing)) NoAnswer();
    if (!PQconsumeInput(conn_)) Fail(nullptr);
  }

  // The result of the request sent (see AwaitResult), each wait within deadline. A COPY's
  // rows wait for their reader.
  Result Results(Clock::time_point deadline) {
    Result first;
    Settle(AwaitResult(conn_, deadline, stopped_, name_, kDoing, first));
    TakeNotices();
    return first;
  }

  [[noreturn]] void NoAnswer() {
    CancelQuery(conn_);
    Drop();
    throw ReadError(name_, kDoing, Fault::kNoAnswer,
                    "the server gave no answer within " + Seconds(limits_.answer));
  }

  void Check(const Result& result, ExecStatusType expect) {
    if (!result || PQresultStatus(result.get()) != expect) Fail(result.get());
  }

  [[noreturn]] void Fail(const PGresult* result) {
    ServerFailure failure = FailureOf(conn_, result, password_);
    std::string cause = failure.said;
    if (failure.lost) {
      cause = LostCause(failure.said);
      Drop();
    } else {
      in_transaction_ = false;  // the failure ended it: the next read begins another
    }
    throw ReadError(name_, kDoing, failure.fault, cause, failure.said);
  }

  void CloseCursor(uint64_t session, const std::string& cursor) {
    if (session != session_ || !conn_ || !in_transaction_ || stopped_) return;
    try {
      Exec("CLOSE " + cursor);
    } catch (const LedgerError&) {
      // The next read begins again.
    }
  }

  void Drop() {
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
    in_transaction_ = false;
    adopted_ = false;
    prepared_.clear();
    ahead_.clear();
    dropped_at_ = Clock::now();
  }

  static constexpr const char* kNoticeChannel = "glnamelist_master";
  static constexpr std::chrono::seconds kReconnectAfter{10};

  const std::string conninfo_;
  const std::string password_;
  const LedgerLimits limits_;
  std::string name_;
  std::atomic<bool> stopped_ = false;
  std::mutex mutex_;
  PGconn* conn_ = nullptr;
  bool adopted_ = false;  // Adopt has readied conn_
  int connections_ = 0;   // the connections adopted so far
  bool in_transaction_ = false;
  int depth_ = 0;                    // loads and Together under way
  bool noticed_ = false;             // a notice came that the watcher has not told of yet
  std::optional<LedgerError> lost_;  // the watcher found the connection lost
  Clock::time_point dropped_at_;     // when the last connection was let go
  int wake_ = -1;                    // written to wake the watcher
  std::mutex watch_mutex_;
  std::jthread watcher_;
  uint64_t session_ = 0;  // counts the transactions begun
  int cursors_ = 0;
  std::optional<std::string> fingerprint_;
  std::optional<LedgerError> changed_;
  std::map<std::string, std::string, std::less<>> prepared_;
  // The answers asked ahead as the ledger opened, by RequestKey; the checked tables' names
  // they were asked with.
  std::map<std::string, Result> ahead_;
  std::string checked_tables_;
};

// A connection that writes a ledger: the ledger tool's, one statement at a time.
class Writer {
 public:
  explicit Writer(const std::string& conninfo) : password_(PasswordIn(conninfo)) {
    std::atomic<bool> never = false;
    conn_ = Connect(conninfo, password_, LedgerLimits{}, never);
    name_ = ServerName(conn_);
  }
  ~Writer() { PQfinish(conn_); }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  const std::string& name() const { return name_; }
  PGconn* conn() const { return conn_; }

  // Runs the program's own SQL text, without values.
  void Exec(const std::string& sql, const std::string& doing,
            ExecStatusType expect = PGRES_COMMAND_OK) {
    Check(Result(PQexec(conn_, sql.c_str())), expect, doing);
  }

  // The first column of the first row of a query of the program's own.
  std::string Value(const std::string& sql, const std::string& doing) {
    Result result(PQexec(conn_, sql.c_str()));
    Check(result, PGRES_TUPLES_OK, doing);
    return PQntuples(result.get()) > 0 ? PQgetvalue(result.get(), 0, 0) : "";
  }

  std::string Identifier(std::string_view name) {
    char* quoted = PQescapeIdentifier(conn_, name.data(), name.size());
    if (!quoted) Fail("cannot quote a name", nullptr);
    std::string text(quoted);
    PQfreemem(quoted);
    return text;
  }

  void Check(const Result& result, ExecStatusType expect, const std::string& doing) {
    if (!result || PQresultStatus(result.get()) != expect) Fail(doing, result.get());
  }

  [[noreturn]] void Fail(const std::string& doing, const PGresult* result) {
    ServerFailure failure = FailureOf(conn_, result, password_);
    std::string cause = failure.said;
    if (failure.lost) {
      cause = LostCause(failure.said);
    } else if (failure.state == "55P03") {
      cause =
          "the ledger is in use (a form or another program reads it), so its tables cannot "
          "be replaced now; close what uses it and try again (" +
          failure.said + ")";
    }
    throw ReadError(name_, doing, failure.fault, cause, failure.said);
  }

 private:
  std::string password_;
  std::string name_;
  PGconn* conn_ = nullptr;
};

// A ledger on a server open for writing: a connection of its own, made again by the next
// Begin once lost. A statement not answered within limits.answer (waiting for another
// session's lock included) is cancelled and its connection dropped.
class ServerSession final : public LedgerSession {
 public:
  ServerSession(const std::string& conninfo, const LedgerLimits& limits)
      : conninfo_(conninfo), password_(PasswordIn(conninfo)), limits_(limits) {
    Connect();
  }
  ~ServerSession() override { Drop(); }

  const std::string& name() const override { return name_; }
  bool OnServer() const override { return true; }

  void Begin(bool write) override {
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
      Drop();
      try {
        Connect();
      } catch (const LedgerError& e) {  // told as a write of this ledger, not an opening
        throw ReadError(name_, kDoing, e.fault(), e.cause(), e.said());
      }
    }
    Exec(write ? "BEGIN ISOLATION LEVEL READ COMMITTED"
               : "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
  }
  void Commit() override { Exec("COMMIT"); }
  void Rollback() noexcept override {
    try {
      if (conn_ && PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) != PQTRANS_IDLE) {
        Exec("ROLLBACK");
      }
    } catch (const LedgerError&) {
      Drop();  // the server ends the transaction with the connection
    }
  }

  void Run(std::string_view sql, std::initializer_list<SqlValue> values,
           const OnRow& on_row) override {
    BoundValues bound(values);
    auto found = prepared_.find(sql);
    if (found == prepared_.end()) {
      std::string statement = "glnamelist_w" + std::to_string(prepared_.size() + 1);
      const std::string text = ServerSql(sql);
      Check(Roundtrip([&](PGconn* conn) {
        return PQsendPrepare(conn, statement.c_str(), text.c_str(), bound.count(), bound.types());
      }));
      found = prepared_.emplace(std::string(sql), statement).first;
    }
    Result result = Roundtrip([&](PGconn* conn) {
      return PQsendQueryPrepared(conn, found->second.c_str(), bound.count(), bound.data(),
                                 bound.lengths(), bound.formats(), kBinary);
    });
    Check(result);
    if (on_row) EachRow(result.get(), name_, on_row);
  }

  void Script(const std::string& sql) override { Exec(sql); }

 private:
  static constexpr const char* kDoing = "cannot write";

  void Connect() {
    std::atomic<bool> never = false;
    conn_ = ledger::Connect(conninfo_, password_, limits_, never);
    name_ = ServerName(conn_);
    PQsetnonblocking(conn_, 1);
  }

  void Exec(const std::string& sql) {
    Check(Roundtrip([&](PGconn* conn) { return PQsendQuery(conn, sql.c_str()); }));
  }

  // Sends a command and waits for its results within limits.answer; then the query is
  // cancelled and the connection dropped (the server undoes the transaction).
  Result Roundtrip(const std::function<int(PGconn*)>& send) {
    if (!conn_ || !send(conn_)) Fail(nullptr);
    Result first;
    switch (AwaitResult(conn_, Clock::now() + limits_.answer, never_, name_, kDoing, first)) {
      case Awaited::kNoAnswer:
        CancelQuery(conn_);
        Drop();
        throw ReadError(name_, kDoing, Fault::kNoAnswer,
                        "the server gave no answer within " + Seconds(limits_.answer));
      case Awaited::kBroken:
        Fail(nullptr);
      case Awaited::kDone:
        break;
    }
    return first;
  }

  void Check(const Result& result) {
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) Fail(result.get());
  }

  [[noreturn]] void Fail(const PGresult* result) {
    ServerFailure failure = FailureOf(conn_, result, password_);
    std::string cause = failure.said;
    if (failure.lost) {
      cause = LostCause(failure.said);
      Drop();
    } else if (failure.fault == Fault::kNoAnswer) {
      cause =
          "the server gave no answer within " + Seconds(limits_.answer) + " (" + failure.said + ")";
    } else if (failure.fault == Fault::kConflict) {
      cause = "another session wrote the same rows at the same time (" + failure.said + ")";
    }
    throw ReadError(name_, kDoing, failure.fault, cause, failure.said);
  }

  void Drop() {
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
    prepared_.clear();
  }

  const std::string conninfo_;
  const std::string password_;
  const LedgerLimits limits_;
  const std::atomic<bool> never_ = false;  // a write is never stopped half-way by a close
  std::string name_ = "on a server";
  PGconn* conn_ = nullptr;
  std::map<std::string, std::string, std::less<>> prepared_;
};

// Rows of one table sent with binary COPY.
class CopySink final : public RowSink {
 public:
  CopySink(Writer& server, std::string_view table, const std::vector<std::string_view>& columns)
      : server_(server) {
    std::string sql = "COPY " + server.Identifier(table) + " (";
    for (size_t i = 0; i < columns.size(); ++i) {
      sql += (i ? ", " : "") + server.Identifier(columns[i]);
    }
    server.Exec(sql + ") FROM STDIN (FORMAT binary)", "cannot write", PGRES_COPY_IN);
    open_ = true;
    buffer_.assign("PGCOPY\n\377\r\n\0", 11);
    Put32(0);  // flags
    Put32(0);  // header extension length
  }
  ~CopySink() override {
    if (!open_) return;
    PQputCopyEnd(server_.conn(), "abandoned");
    while (Result(PQgetResult(server_.conn()))) {
    }
  }

  void Add(std::span<const SqlValue> values) override {
    Put16(static_cast<uint16_t>(values.size()));
    for (const SqlValue& value : values) {
      if (const auto* number = std::get_if<int64_t>(&value)) {
        Put32(8);
        uint64_t big = htobe64(static_cast<uint64_t>(*number));
        buffer_.append(reinterpret_cast<const char*>(&big), 8);
      } else if (const auto* text = std::get_if<std::string_view>(&value)) {
        Put32(static_cast<uint32_t>(text->size()));
        buffer_.append(*text);
      } else {
        Put32(0xFFFFFFFFu);  // null
      }
    }
    if (buffer_.size() >= kCopyChunk) Send();
  }

  void Close() override {
    if (!open_) return;
    Put16(0xFFFFu);  // end of the rows
    Send();
    open_ = false;
    if (PQputCopyEnd(server_.conn(), nullptr) != 1) server_.Fail("cannot write", nullptr);
    Result result(PQgetResult(server_.conn()));
    while (Result(PQgetResult(server_.conn()))) {
    }
    server_.Check(result, PGRES_COMMAND_OK, "cannot write");
  }

 private:
  void Put16(uint16_t value) {
    uint16_t big = htobe16(value);
    buffer_.append(reinterpret_cast<const char*>(&big), 2);
  }
  void Put32(uint32_t value) {
    uint32_t big = htobe32(value);
    buffer_.append(reinterpret_cast<const char*>(&big), 4);
  }
  void Send() {
    if (PQputCopyData(server_.conn(), buffer_.data(), static_cast<int>(buffer_.size())) != 1) {
      server_.Fail("cannot write", nullptr);
    }
    buffer_.clear();
  }

  Writer& server_;
  std::string buffer_;
  bool open_ = false;
};

class ServerTarget final : public LedgerTarget {
 public:
  ServerTarget(const std::string& conninfo, bool replace) : server_(conninfo) {
    server_.Exec("BEGIN", "cannot write");
    if (server_.Value("SELECT pg_try_advisory_xact_lock(" + std::to_string(kWriterLock) + ")",
                      "cannot write") != "t") {
      throw Error(errc::kDataService,
                  "Cannot write " + server_.name() +
                      ": another program is writing this ledger; try again when it is done");
    }
    server_.Exec(std::string("SET LOCAL lock_timeout = '") + kReplaceLockWait + "'",
                 "cannot write");
    if (!server_.Value("SELECT to_regclass('meta')::text", "cannot write").empty()) {
      if (!replace) {
        throw Error(errc::kDataService, "Cannot create ledger " + server_.name() +
                                            ": the database already holds a ledger");
      }
      std::string tables =
          server_.Identifier("meta") + ", " + server_.Identifier(ChangeLogTable().name);
      for (const LedgerTable& table : LedgerTables())
        tables += ", " + server_.Identifier(table.name);
      server_.Exec("DROP TABLE IF EXISTS " + tables + " CASCADE", "cannot replace the ledger");
    }
    const std::string& schema = EmbeddedServerSchema();
    size_t after_rows = schema.find(kAfterRowsMarker);
    server_.Exec(schema.substr(0, after_rows), "cannot create the tables");
    RunSchemaSteps(
        1, true, [&](const std::string& sql) { server_.Exec(sql, "cannot create the tables"); },
        StepPart::kBeforeRows);
    if (after_rows != std::string::npos) keys_ = schema.substr(after_rows);
    RunSchemaSteps(
        1, true, [&](const std::string& sql) { keys_ += "\n" + sql; }, StepPart::kAfterRows);
  }

  const std::string& name() const override { return server_.name(); }

  std::unique_ptr<RowSink> Rows(std::string_view table,
                                const std::vector<std::string_view>& columns) override {
    return std::make_unique<CopySink>(server_, table, columns);
  }

  void Finish() override {
    server_.Exec(keys_, "cannot make the keys and indexes");
    std::string tables;
    for (const LedgerTable& table : LedgerTables()) {
      tables += (tables.empty() ? "" : ", ") + server_.Identifier(table.name);
    }
    server_.Exec("ANALYZE " + tables, "cannot analyze the tables");
    server_.Exec("COMMIT", "cannot commit the ledger");
  }

 private:
  Writer server_;
  std::string keys_;
};

}  // namespace

std::unique_ptr<LedgerDb> OpenLedgerServer(const std::string& conninfo,
                                           const LedgerLimits& limits) {
  return std::make_unique<ServerLedger>(conninfo, limits);
}

std::string ServerIdentityAt(const std::string& conninfo) {
  return ServerLedger(conninfo, LedgerLimits{}).Identity();
}

std::unique_ptr<LedgerSession> OpenLedgerServerSession(const std::string& conninfo,
                                                       const LedgerLimits& limits) {
  return std::make_unique<ServerSession>(conninfo, limits);
}

std::unique_ptr<LedgerTarget> CreateLedgerServer(const std::string& conninfo, bool replace) {
  return std::make_unique<ServerTarget>(conninfo, replace);
}

}  // namespace glnamelist::ledger
