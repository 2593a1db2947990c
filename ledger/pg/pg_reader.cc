// The server's reader: a ledger read on a PostgreSQL server through one connection, with its
// watcher of the server's notices of changed master data.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "ledger/ledger_schema.h"
#include "ledger/pg/pg_conn.h"
#include "ledger/pg/pg_copy_rows.h"
#include "ledger/pg/pg_ledger.h"

namespace glnamelist::ledger::pg {
namespace {

// Rows fetched from a load's cursor at a time: other reads wait at most for one batch.
constexpr int kLoadBatch = 5000;

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

// A ledger read on a server through one connection. A look-up runs on its own; a load, and
// the reads made Together, run in one read-only transaction, which ends with the last of
// them, so that between reads the connection is idle and the server's notices of changed
// master data reach it (LISTEN): a watcher thread waits for them on the connection's socket.
// A connection that is lost, or a transaction a failure ended, is made again by the next
// call or by the watcher, which checks that the ledger is still the one first read.
class ServerLedger final : public LedgerDb {
 public:
  ServerLedger(const std::string& conninfo, const LedgerLimits& limits)
      : location_(conninfo), limits_(limits) {
    conn_ = Connect(location_, limits_, stopped_);
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
        conn_ = Connect(location_, limits_, stopped_);
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
          const ServerFailure failure = FailureOf(conn_, nullptr, location_);
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
      conn = Connect(location_, limits_, stopped_);
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
    if (PQntuples(database.get()) == 0) Raise(database.get());
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
      if (!PQenterPipelineMode(conn_)) Raise(nullptr);
      for (const std::vector<Send>& part : parts) {
        for (const Send& send : part) {
          if (!send(conn_)) Raise(nullptr);
        }
        if (!PQpipelineSync(conn_)) Raise(nullptr);
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
      if (results.size() != sent || !PQexitPipelineMode(conn_)) Raise(nullptr);
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
    if (!send(conn_)) Raise(nullptr);
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
        Raise(nullptr);
      case Awaited::kDone:
        break;
    }
  }

  // Waits for the socket within the deadline (or else NoAnswer), then takes in what came.
  void AwaitSocket(short events, Clock::time_point deadline) {
    if (!WaitForSocket(PQsocket(conn_), events, deadline, stopped_, name_, kDoing)) NoAnswer();
    if (!PQconsumeInput(conn_)) Raise(nullptr);
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
    if (!result || PQresultStatus(result.get()) != expect) Raise(result.get());
  }

  [[noreturn]] void Raise(const PGresult* result) {
    Fail({conn_, location_, name_, kDoing, limits_.answer}, result, [this](bool lost) {
      if (lost) {
        Drop();
      } else {
        in_transaction_ = false;  // the failure ended it: the next read begins another
      }
    });
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

  const Location location_;
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
