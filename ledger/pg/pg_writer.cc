// The server's writer: a ledger on a PostgreSQL server open for writing (LedgerSession), for
// the upgrade of its schema and the vouchers saved, over the connection it shares with the
// form's reader (pg_link.h).
#include <string_view>

#include "ledger/db/ledger_session.h"
#include "ledger/pg/pg_ledger.h"
#include "ledger/pg/pg_link.h"

namespace glnamelist::ledger::pg {
namespace {

// A ledger on a server open for writing, on the link of the form's reader when there is one.
// Each transaction takes the link's turn from its Begin to its end; Begin first tests the
// connection and makes it again when the server ended it (a restart), so that a save after a
// fault that has passed goes through at once. A statement not answered within limits.answer
// (waiting for another session's lock included), or running when Stop is called, is
// cancelled and its connection dropped. A close of the program never stops a write half-way:
// only Stop does (the person giving the wait up).
class ServerSession final : public LedgerSession {
 public:
  ServerSession(const std::string& conninfo, const LedgerLimits& limits)
      : link_(Link::Take(conninfo, limits, Role::kWriter, never_)) {}
  ~ServerSession() override {
    Rollback();
    link_->Leave(Role::kWriter);
  }
  ServerSession(const ServerSession&) = delete;
  ServerSession& operator=(const ServerSession&) = delete;

  const std::string& name() const override { return link_->name(); }
  bool OnServer() const override { return true; }

  void Stop(bool stop) override {
    stop_ = stop;
    if (stop) link_->turns().Wake();
  }

  void Begin(bool write) override {
    link_->turns().BeginWrite(writing_, name(), link_->limits().answer);
    try {
      Turns::Lock lock = link_->turns().Hold();
      const std::string begin = write ? "BEGIN ISOLATION LEVEL READ COMMITTED, READ WRITE"
                                      : "BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY";
      link_->Ensure(writing_);
      try {
        link_->Exec(writing_, begin);
      } catch (const LedgerError& e) {
        // Nothing was written: a connection that broke since it was tested is made again.
        if (e.fault() != Fault::kLost) throw;
        link_->Ensure(writing_);
        link_->Exec(writing_, begin);
      }
    } catch (...) {
      link_->turns().EndWrite();
      throw;
    }
    in_turn_ = true;
  }

  // The transaction ends however the commit ends: the turn is given back.
  void Commit() override {
    if (!in_turn_) return;
    struct Ending {
      ServerSession& session;
      ~Ending() {
        session.in_turn_ = false;
        session.link_->turns().EndWrite();
      }
    } ending{*this};
    Turns::Lock lock = link_->turns().Hold();
    link_->Exec(writing_, "COMMIT");
  }

  void Rollback() noexcept override {
    if (!in_turn_) return;
    {
      Turns::Lock lock = link_->turns().Hold();
      PGconn* conn = link_->conn();
      try {
        if (conn && PQstatus(conn) == CONNECTION_OK && PQtransactionStatus(conn) != PQTRANS_IDLE) {
          link_->Exec(writing_, "ROLLBACK");
        }
      } catch (const LedgerError&) {
        link_->Drop();  // the server ends the transaction with the connection
      }
    }
    in_turn_ = false;
    link_->turns().EndWrite();
  }

  // A statement refused for want of a right to write is told so: the role may read.
  void Run(std::string_view sql, std::initializer_list<SqlValue> values,
           const OnRow& on_row) override {
    Turns::Lock lock = link_->turns().Hold();
    Result result;
    try {
      result = link_->RunPrepared(writing_, sql, {values.begin(), values.size()});
    } catch (const LedgerError& e) {
      if (e.fault() != Fault::kNoPermission || sql.starts_with("SELECT")) throw;
      throw LedgerError(Fault::kNoWritePermission, e.ledger(), e.what(), e.cause(), e.said());
    }
    if (on_row) EachRow(result.get(), name(), on_row);
  }

  // A schema step: its last statement may give rows.
  void Script(const std::string& sql) override {
    Turns::Lock lock = link_->turns().Hold();
    Result result =
        link_->Roundtrip(writing_, [&](PGconn* conn) { return PQsendQuery(conn, sql.c_str()); });
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
      link_->Check(writing_, result, PGRES_COMMAND_OK);
    }
  }

 private:
  const std::atomic<bool> never_ = false;  // the link's first connection is not stopped
  std::atomic<bool> stop_ = false;
  const Errand writing_{"cannot write", stop_};
  std::shared_ptr<Link> link_;
  bool in_turn_ = false;  // a transaction begun holds the link's turn
};

}  // namespace
}  // namespace glnamelist::ledger::pg

namespace glnamelist::ledger {

std::unique_ptr<LedgerSession> OpenLedgerServerSession(const std::string& conninfo,
                                                       const LedgerLimits& limits) {
  return std::make_unique<pg::ServerSession>(conninfo, limits);
}

}  // namespace glnamelist::ledger
