// The server's reader: a ledger read on a PostgreSQL server through the form's one
// connection (pg_link.h), which it readies (pg_readying.h) and watches for the notices of
// changed master data (pg_watcher.h); loads and the reads made Together in one read-only
// transaction.
#include <poll.h>

#include <atomic>
#include <exception>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "ledger/pg/pg_copy_rows.h"
#include "ledger/pg/pg_ledger.h"
#include "ledger/pg/pg_link.h"
#include "ledger/pg/pg_readying.h"
#include "ledger/pg/pg_watcher.h"

namespace glnamelist::ledger::pg {
namespace {

// Rows fetched from a load's cursor at a time: other reads wait at most for one batch.
constexpr int kLoadBatch = 5000;

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

// A ledger read on a server through the link it shares with a writer of the same form. A
// look-up runs on its own; a load, and the reads made Together, run in one read-only
// transaction, which ends with the last of them, so that between reads the connection is
// idle and the notices of changed master data reach it. A connection that is lost, or a
// transaction a failure ended, is made again by the next call or by the watcher.
class ServerLedger final : public LedgerDb {
 public:
  ServerLedger(const std::string& conninfo, const LedgerLimits& limits)
      : link_(Link::Take(conninfo, limits, Role::kReader, stopped_)),
        watcher_(*link_, reading_, [this] { ReadyIdle(); }) {
    Turns::Lock lock = link_->turns().Hold();
    link_->OnNotice([this] { watcher_.Wake(); });
  }
  ~ServerLedger() override {
    stopped_ = true;
    watcher_.Stop();
    {
      Turns::Lock lock = link_->turns().Hold();
      link_->OnNotice(nullptr);
    }
    link_->Leave(Role::kReader);
  }
  ServerLedger(const ServerLedger&) = delete;
  ServerLedger& operator=(const ServerLedger&) = delete;

  const std::string& name() const override { return link_->name(); }

  using LedgerDb::Lookup;
  void Lookup(std::string_view sql, std::span<const SqlValue> values,
              const OnRow& on_row) override {
    Turns::Lock lock = Turn();
    Result result = LookUp(sql, values);
    EachRow(result.get(), name(), on_row);
  }

  void Together(const std::function<void()>& reads) override {
    Turns::Lock lock = Turn();
    ReadsTransaction in(*this);
    RunUnlocked(lock, reads);  // other threads' reads join it meanwhile
  }

  void Watch(std::function<void(bool seen)> seen) override { watcher_.Start(std::move(seen)); }

  void Load(std::string_view sql, std::initializer_list<SqlValue> values,
            const OnRow& on_row) override {
    Turns::Lock lock = Turn();
    ReadsTransaction in(*this);
    if (values.size() == 0) return CopyOut(sql, on_row);
    const uint64_t session = session_;
    const std::string cursor = "glnamelist_rows_" + std::to_string(++cursors_);
    BoundValues bound(values);
    const std::string declare = "DECLARE " + cursor + " NO SCROLL CURSOR FOR " + ServerSql(sql);
    link_->Check(reading_,
                 link_->Roundtrip(reading_,
                                  [&](PGconn* conn) {
                                    return PQsendQueryParams(
                                        conn, declare.c_str(), bound.count(), bound.types(),
                                        bound.data(), bound.lengths(), bound.formats(), kBinary);
                                  }),
                 PGRES_COMMAND_OK);
    const std::string fetch = "FETCH FORWARD " + std::to_string(kLoadBatch) + " FROM " + cursor;
    try {
      for (;;) {
        if (session != session_ || !InTransaction()) {  // another read's failure
          throw ReadError(name(), kDoing, Fault::kLost,
                          "the connection to the server was lost (opened again by another read)");
        }
        Result batch = link_->Roundtrip(reading_, [&](PGconn* conn) {
          return PQsendQueryParams(conn, fetch.c_str(), 0, nullptr, nullptr, nullptr, nullptr,
                                   kBinary);
        });
        link_->Check(reading_, batch, PGRES_TUPLES_OK);
        if (PQntuples(batch.get()) == 0) break;
        // Other reads run between the batches, in the same transaction.
        lock.unlock();
        EachRow(batch.get(), name(), on_row);
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
    Turns::Lock lock = Turn();
    const SqlValue value = std::string_view(names);
    return ShapesIn(LookUp(kShapesSql, {&value, 1}).get(), tables.size());
  }

  // The watcher is stopped too: it calls no one once this returns.
  void Interrupt() override {
    stopped_ = true;
    link_->turns().Wake();
    watcher_.Stop();
  }

  std::string Identity() override {
    Turns::Lock lock = Turn();
    Result result = LookUp(
        "SELECT 'server:' || pg_postmaster_start_time()::text || ':' || oid::text "
        "FROM pg_database WHERE datname = current_database()",
        {});
    return PQntuples(result.get()) > 0 ? PQgetvalue(result.get(), 0, 0) : "";
  }

  // The database on this server, the ledger it holds and the last change of its log
  // (kStampSql), as the read in progress sees them.
  std::optional<LedgerStamp> Stamp() override {
    Turns::Lock lock = Turn();
    Result result = LookUp(kStampSql, {});
    if (PQntuples(result.get()) == 0 || PQgetisnull(result.get(), 0, 1)) return std::nullopt;
    const char* last = PQgetisnull(result.get(), 0, 2) ? "0" : PQgetvalue(result.get(), 0, 2);
    return LedgerStamp{
        name() + "#" + PQgetvalue(result.get(), 0, 0) + " ledger " + PQgetvalue(result.get(), 0, 1),
        last};
  }

 private:
  static constexpr const char* kDoing = "cannot read";

  // The reads of a load or of Together: in one transaction, begun by the first of them and
  // ended by the last. Made and ended with the turn held.
  class ReadsTransaction {
   public:
    explicit ReadsTransaction(ServerLedger& db) : db_(db) {
      db.Ready(true);
      db.link_->turns().EnterReads();
    }
    ~ReadsTransaction() {
      if (!db_.link_->turns().LeaveReads()) return;
      db_.EndTransaction();
      db_.link_->turns().Wake();  // a save waiting for the transaction's end
    }
    ReadsTransaction(const ReadsTransaction&) = delete;
    ReadsTransaction& operator=(const ReadsTransaction&) = delete;

   private:
    ServerLedger& db_;
  };

  Turns::Lock Turn() { return link_->turns().Read(reading_, name(), link_->limits().answer); }

  // Whether the reads' transaction this reader began is in progress on the link.
  bool InTransaction() const {
    PGconn* conn = link_->conn();
    return in_transaction_ && conn && link_->made() == transaction_of_ &&
           PQtransactionStatus(conn) == PQTRANS_INTRANS;
  }

  // Makes the connection fit for a read, with the turn held: connected, readied, and in a
  // transaction when one is asked for or already open.
  void Ready(bool transaction) {
    if (stopped_) throw ReadError(name(), kDoing, Fault::kStopped, kStoppedCause);
    // A loss the watcher met between the reads of a transaction fails the next of them, as
    // one the read met itself would; a loss between transactions is mended by the next read
    // (the ledger checked by its readying), so that a server restarted costs no failure. A
    // connection that cannot be made again tells why.
    std::optional<LedgerError> lost = watcher_.TakeLost();
    link_->Ensure(reading_);
    if (lost && in_transaction_) {
      in_transaction_ = false;
      throw *lost;
    }
    if (readying_.Ready(*link_, reading_)) link_->Note();
    if (InTransaction()) return;
    in_transaction_ = false;
    if (PQtransactionStatus(link_->conn()) != PQTRANS_IDLE) link_->Exec(reading_, "ROLLBACK");
    if (!transaction) return;
    readying_.ForgetAhead();
    Renewed([&] { link_->Exec(reading_, "BEGIN"); });
    in_transaction_ = true;
    transaction_of_ = link_->made();
    ++session_;
  }

  // Readies a connection made by another (a save, the watcher) for reading, and so for the
  // notices: called by the watcher.
  void ReadyIdle() noexcept {
    try {
      Turns::Lock lock = Turn();
      if (stopped_ || !link_->conn() || readying_.Readied(*link_)) return;
      if (readying_.Ready(*link_, reading_)) link_->Note();
    } catch (const LedgerError&) {
      // The next read meets it.
    }
  }

  // Ends the transaction of the reads just done, with the turn held; a failure to end it (a
  // lost connection) is the next read's.
  void EndTransaction() noexcept {
    if (InTransaction()) {
      try {
        link_->Exec(reading_, "COMMIT");
      } catch (const LedgerError&) {
        // Dropped or ended already.
      }
    }
    in_transaction_ = false;  // the notices held back meanwhile came with the answer
  }

  // The result of a look-up made with the turn held, in the reads' transaction when one is
  // open. Outside one, as at a transaction's BEGIN, a connection the server ended before the
  // watcher saw it (a restart, a session ended) is made again, as a save's is.
  Result LookUp(std::string_view sql, std::span<const SqlValue> values) {
    Ready(false);
    if (InTransaction()) return RunPrepared(sql, values);
    return Renewed([&] { return RunPrepared(sql, values); });
  }

  // call, made once more on a new connection when it failed as lost. Only for what reads
  // nothing that a transaction must see whole.
  template <class Call>
  auto Renewed(Call call) -> decltype(call()) {
    try {
      return call();
    } catch (const LedgerError& e) {
      if (e.fault() != Fault::kLost) throw;
    }
    link_->Ensure(reading_);
    if (readying_.Ready(*link_, reading_)) link_->Note();
    return call();
  }

  // The result of a prepared look-up, or its answer asked ahead as the ledger opened.
  Result RunPrepared(std::string_view sql, std::span<const SqlValue> values) {
    if (std::optional<Result> answer = readying_.Ahead(sql, values)) {
      return std::move(*answer);
    }
    return link_->RunPrepared(reading_, sql, values);
  }

  // A load without values: one binary COPY of the query's rows, each row handed on as it
  // comes while the server reads on, each wait for the server within the time limit of an
  // answer. Other reads wait for it. When on_row fails, the rest of the rows go by unread
  // (the transaction stays) and its error is raised.
  void CopyOut(std::string_view sql, const OnRow& on_row) {
    const std::string copy = "COPY (" + ServerSql(sql) + ") TO STDOUT (FORMAT binary)";
    link_->Check(
        reading_,
        link_->Roundtrip(reading_, [&](PGconn* conn) { return PQsendQuery(conn, copy.c_str()); }),
        PGRES_COPY_OUT);
    CopyRows rows(name());
    std::exception_ptr refused;
    const Clock::duration answer = link_->limits().answer;
    link_->Guarded([&] {
      for (bool more = true;;) {
        if (stopped_) throw ReadError(name(), kDoing, Fault::kStopped, kStoppedCause);
        char* data = nullptr;
        const int size = PQgetCopyData(link_->conn(), &data, 1);
        if (size == 0) {
          link_->AwaitSocket(reading_, POLLIN, Clock::now() + answer);
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
      link_->Check(reading_, link_->Results(reading_, Clock::now() + answer), PGRES_COMMAND_OK);
    });
    if (refused) std::rethrow_exception(refused);
  }

  void CloseCursor(uint64_t session, const std::string& cursor) {
    if (session != session_ || !InTransaction() || stopped_) return;
    try {
      link_->Exec(reading_, "CLOSE " + cursor);
    } catch (const LedgerError&) {
      // The next read begins again.
    }
  }

  std::atomic<bool> stopped_ = false;
  const Errand reading_{kDoing, stopped_};
  std::shared_ptr<Link> link_;
  Readying readying_;
  NoticeWatcher watcher_;
  bool in_transaction_ = false;
  uint64_t transaction_of_ = 0;  // Link::made of the connection the transaction is on
  uint64_t session_ = 0;         // counts the transactions begun
  int cursors_ = 0;
};

}  // namespace
}  // namespace glnamelist::ledger::pg

namespace glnamelist::ledger {

std::unique_ptr<LedgerDb> OpenLedgerServer(const std::string& conninfo,
                                           const LedgerLimits& limits) {
  return std::make_unique<pg::ServerLedger>(conninfo, limits);
}

std::string ServerIdentityAt(const std::string& conninfo) {
  return pg::ServerLedger(conninfo, LedgerLimits{}).Identity();
}

}  // namespace glnamelist::ledger
