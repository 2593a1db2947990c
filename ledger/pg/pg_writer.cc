// The server's writer: a ledger on a PostgreSQL server open for writing (LedgerSession), for
// the upgrade of its schema and the vouchers saved.
#include <map>
#include <string_view>

#include "ledger/db/ledger_session.h"
#include "ledger/pg/pg_conn.h"
#include "ledger/pg/pg_ledger.h"

namespace glnamelist::ledger::pg {
namespace {

// A ledger on a server open for writing: a connection of its own, made again by the next
// Begin once lost. A statement not answered within limits.answer (waiting for another
// session's lock included) is cancelled and its connection dropped.
class ServerSession final : public LedgerSession {
 public:
  ServerSession(const std::string& conninfo, const LedgerLimits& limits)
      : location_(conninfo), limits_(limits) {
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
    conn_ = pg::Connect(location_, limits_, never);
    name_ = ServerName(conn_);
    PQsetnonblocking(conn_, 1);
  }

  void Exec(const std::string& sql) {
    Check(Roundtrip([&](PGconn* conn) { return PQsendQuery(conn, sql.c_str()); }));
  }

  // Sends a command and waits for its results within limits.answer; then the query is
  // cancelled and the connection dropped (the server undoes the transaction).
  Result Roundtrip(const std::function<int(PGconn*)>& send) {
    if (!conn_ || !send(conn_)) Raise(nullptr);
    Result first;
    switch (AwaitResult(conn_, Clock::now() + limits_.answer, never_, name_, kDoing, first)) {
      case Awaited::kNoAnswer:
        CancelQuery(conn_);
        Drop();
        throw ReadError(name_, kDoing, Fault::kNoAnswer,
                        "the server gave no answer within " + Seconds(limits_.answer));
      case Awaited::kBroken:
        Raise(nullptr);
      case Awaited::kDone:
        break;
    }
    return first;
  }

  void Check(const Result& result) {
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) Raise(result.get());
  }

  [[noreturn]] void Raise(const PGresult* result) {
    Fail({conn_, location_, name_, kDoing, limits_.answer}, result, [this](bool lost) {
      if (lost) Drop();
    });
  }

  void Drop() {
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
    prepared_.clear();
  }

  const Location location_;
  const LedgerLimits limits_;
  const std::atomic<bool> never_ = false;  // a write is never stopped half-way by a close
  std::string name_ = "on a server";
  PGconn* conn_ = nullptr;
  std::map<std::string, std::string, std::less<>> prepared_;
};

}  // namespace
}  // namespace glnamelist::ledger::pg

namespace glnamelist::ledger {

std::unique_ptr<LedgerSession> OpenLedgerServerSession(const std::string& conninfo,
                                                       const LedgerLimits& limits) {
  return std::make_unique<pg::ServerSession>(conninfo, limits);
}

}  // namespace glnamelist::ledger
