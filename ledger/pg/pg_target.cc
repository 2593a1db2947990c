// The server's copy target: a new ledger written into a PostgreSQL database in one
// transaction (the schema's tables, rows by binary COPY, then the keys and indexes), for the
// ledger tool's build and copy.
#include <endian.h>

#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "contracts/error.h"
#include "ledger/ledger_schema.h"
#include "ledger/pg/pg_conn.h"
#include "ledger/pg/pg_ledger.h"

namespace glnamelist::ledger {
const std::string& EmbeddedServerSchema();
}  // namespace glnamelist::ledger

namespace glnamelist::ledger::pg {
namespace {

// How long the ledger tool waits for the tables it replaces, which forms may be reading.
constexpr const char* kReplaceLockWait = "10s";
// The advisory lock a writer of a ledger holds in its database while it writes.
constexpr int64_t kWriterLock = 0x676c6e616d656c;  // "glnamel"
// Bytes of COPY data gathered before they are sent.
constexpr size_t kCopyChunk = 256 * 1024;

// A connection that writes a ledger: the ledger tool's, one statement at a time.
class Writer {
 public:
  explicit Writer(const std::string& conninfo) : location_(conninfo) {
    std::atomic<bool> never = false;
    conn_ = Connect(location_, LedgerLimits{}, never);
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
    if (!quoted) Raise("cannot quote a name", nullptr);
    std::string text(quoted);
    PQfreemem(quoted);
    return text;
  }

  void Check(const Result& result, ExecStatusType expect, const std::string& doing) {
    if (!result || PQresultStatus(result.get()) != expect) Raise(doing, result.get());
  }

  [[noreturn]] void Raise(const std::string& doing, const PGresult* result) {
    Fail({conn_, location_, name_, doing, LedgerLimits{}.answer}, result);
  }

 private:
  const Location location_;
  std::string name_;
  PGconn* conn_ = nullptr;
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
    if (PQputCopyEnd(server_.conn(), nullptr) != 1) server_.Raise("cannot write", nullptr);
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
      server_.Raise("cannot write", nullptr);
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
}  // namespace glnamelist::ledger::pg

namespace glnamelist::ledger {

std::unique_ptr<LedgerTarget> CreateLedgerServer(const std::string& conninfo, bool replace) {
  return std::make_unique<pg::ServerTarget>(conninfo, replace);
}

}  // namespace glnamelist::ledger
