#include "ledger/pg/pg_conn.h"

#include <endian.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>
#include <thread>
#include <utility>

#include "contracts/error.h"

namespace glnamelist::ledger::pg {
namespace {

// How often a wait for the server looks whether the ledger was interrupted.
constexpr std::chrono::milliseconds kWaitSlice(20);

// A libpq message made one line, without the parts that repeat what the error says.
std::string CauseOf(std::string message, const Location& location) {
  message = location.Masked(std::move(message));
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

// libpq's notice processor: the server's notice on one line.
void LogNotice(void* location, const char* message) {
  if (isatty(STDERR_FILENO)) return;
  const std::string line = CauseOf(message, *static_cast<const Location*>(location));
  std::fprintf(stderr, "glnamelist: server: %s\n", line.c_str());
}

}  // namespace

std::string ServerName(PGconn* conn) {
  auto text = [](const char* value) { return std::string(value ? value : ""); };
  std::string host;
  for (char c : text(PQhost(conn))) host += c == '/' ? std::string("%2F") : std::string(1, c);
  std::string port = text(PQport(conn));
  return "postgresql://" + text(PQuser(conn)) + "@" + host + (port.empty() ? "" : ":" + port) +
         "/" + text(PQdb(conn));
}

std::string ServerSql(std::string_view sql) {
  std::string text(sql);
  for (char& c : text) {
    if (c == '?') c = '$';
  }
  return text;
}

BoundValues::BoundValues(std::span<const SqlValue> values) {
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

void BoundValues::Add(Oid type, const char* data, int length) {
  types_.push_back(type);
  data_.push_back(data);
  lengths_.push_back(length);
  formats_.push_back(kBinary);
}

void EachRow(const PGresult* result, const std::string& name, const OnRow& on_row) {
  ServerRow row(result, name);
  for (int i = 0, n = PQntuples(result); i < n; ++i) {
    row.At(i);
    on_row(row);
  }
}

std::string Seconds(std::chrono::milliseconds time) {
  std::string text = std::to_string(time.count() / 1000);
  if (time.count() % 1000) text += "." + std::to_string(time.count() % 1000 / 100);
  return text + " s";
}

ServerFailure FailureOf(PGconn* conn, const PGresult* result, const Location& location) {
  const char* message = result ? PQresultErrorMessage(result) : "";
  if (!*message && conn) message = PQerrorMessage(conn);
  ServerFailure failure;
  failure.said = CauseOf(message, location);
  const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  if (state) failure.state = state;
  failure.fault = FaultOfState(failure.state);
  failure.lost = !conn || PQstatus(conn) != CONNECTION_OK || failure.fault == Fault::kLost;
  if (failure.lost) failure.fault = Fault::kLost;
  return failure;
}

std::string LostCause(const std::string& said) {
  return "the connection to the server was lost (" + said + ")";
}

void Fail(const Request& request, const PGresult* result,
          const std::function<void(bool lost)>& settle) {
  const ServerFailure failure = FailureOf(request.conn, result, request.location);
  std::string cause = failure.said;
  if (failure.lost) {
    cause = LostCause(failure.said);
  } else if (failure.fault == Fault::kNoAnswer) {
    cause =
        "the server gave no answer within " + Seconds(request.answer) + " (" + failure.said + ")";
  } else if (failure.fault == Fault::kConflict) {
    cause = "another session wrote the same rows at the same time (" + failure.said + ")";
  } else if (failure.state == "55P03") {
    cause =
        "the ledger is in use (a form or another program reads it), so its tables cannot be "
        "replaced now; close what uses it and try again (" +
        failure.said + ")";
  }
  if (settle) settle(failure.lost);
  throw ReadError(request.name, std::string(request.doing), failure.fault, cause, failure.said);
}

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

void CancelQuery(PGconn* conn, std::chrono::milliseconds wait) {
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
  done.wait_for(wait);
}

PGconn* Connect(const Location& location, const LedgerLimits& limits,
                const std::atomic<bool>& stop) {
  const std::string& conninfo = location.text();
  const char* const keywords[] = {"fallback_application_name", "dbname", "client_encoding",
                                  nullptr};
  const char* const values[] = {"glnamelist", conninfo.c_str(), "UTF8", nullptr};
  PGconn* conn = PQconnectStartParams(keywords, values, 1);
  if (!conn) RefuseLedger("on a server", Fault::kOther, "out of memory");
  PQsetNoticeProcessor(conn, &LogNotice, const_cast<Location*>(&location));
  auto refuse = [&](Fault fault, const std::string& cause, const std::string& said) {
    std::string name = PQdb(conn) ? ServerName(conn) : CauseOf(conninfo, location);
    PQfinish(conn);
    RefuseLedger(name, fault, "cannot connect: " + cause, said);
  };
  if (PQstatus(conn) == CONNECTION_BAD) {  // at once: a wrong address, or nothing there
    std::string cause = CauseOf(PQerrorMessage(conn), location);
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
    std::string cause = CauseOf(PQerrorMessage(conn), location);
    refuse(ConnectFault(conn, cause), cause, cause);
  }
  return conn;
}

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

}  // namespace glnamelist::ledger::pg
