#include "ledger/pg_ledger.h"

#include <endian.h>
#include <libpq-fe.h>

#include <array>
#include <cstring>
#include <map>
#include <regex>
#include <string_view>
#include <vector>

#include "contracts/error.h"
#include "ledger/ledger_schema.h"
#include "ledger/pg_rows.h"

namespace glnamelist::ledger {

const std::string& EmbeddedServerSchema();

namespace {

// Type ids of the server's built-in types, as result columns report them.
constexpr Oid kInt8 = 20, kText = 25;
constexpr int kBinary = 1;
// Rows fetched from a load's cursor at a time.
constexpr int kLoadBatch = 20000;
// Bytes of COPY data gathered before they are sent.
constexpr size_t kCopyChunk = 256 * 1024;
// Where the server schema's keys and indexes start: they are made once the rows are in.
constexpr std::string_view kAfterRowsMarker = "-- Once the rows are in:";

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
  explicit BoundValues(std::initializer_list<SqlValue> values) {
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

class ServerLedger final : public LedgerDb {
 public:
  ServerLedger(const std::string& conninfo, bool read_only) : password_(PasswordIn(conninfo)) {
    const char* const keywords[] = {"connect_timeout", "fallback_application_name", "dbname",
                                    "client_encoding", nullptr};
    const char* const values[] = {"10", "glnamelist", conninfo.c_str(), "UTF8", nullptr};
    conn_ = PQconnectdbParams(keywords, values, 1);
    if (!conn_) RefuseLedger("on a server", "out of memory");
    if (PQstatus(conn_) != CONNECTION_OK) {
      std::string cause = "cannot connect: " + CauseOf(PQerrorMessage(conn_), password_);
      name_ = PQdb(conn_) ? ServerName(conn_) : CauseOf(conninfo, password_);
      PQfinish(conn_);
      conn_ = nullptr;
      RefuseLedger(name_, cause);
    }
    name_ = ServerName(conn_);
    if (read_only) Exec("SET default_transaction_read_only = on", "cannot start a session");
  }
  ~ServerLedger() override { PQfinish(conn_); }
  ServerLedger(const ServerLedger&) = delete;
  ServerLedger& operator=(const ServerLedger&) = delete;

  const std::string& name() const override { return name_; }

  void Lookup(std::string_view sql, std::initializer_list<SqlValue> values,
              const OnRow& on_row) override {
    BoundValues bound(values);
    auto found = prepared_.find(sql);
    if (found == prepared_.end()) {
      std::string statement = "glnamelist_" + std::to_string(prepared_.size() + 1);
      Check(Result(PQprepare(conn_, statement.c_str(), ServerSql(sql).c_str(), bound.count(),
                             bound.types())),
            PGRES_COMMAND_OK, "cannot prepare a query");
      found = prepared_.emplace(std::string(sql), statement).first;
    }
    Result result(PQexecPrepared(conn_, found->second.c_str(), bound.count(), bound.data(),
                                 bound.lengths(), bound.formats(), kBinary));
    Check(result, PGRES_TUPLES_OK, "cannot read");
    EachRow(result.get(), name_, on_row);
  }

  void Load(std::string_view sql, std::initializer_list<SqlValue> values,
            const OnRow& on_row) override {
    if (values.size() == 0) return CopyOut(sql, on_row);
    Exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", "cannot read");
    try {
      BoundValues bound(values);
      const std::string declare = "DECLARE glnamelist_rows NO SCROLL CURSOR FOR " + ServerSql(sql);
      Check(Result(PQexecParams(conn_, declare.c_str(), bound.count(), bound.types(), bound.data(),
                                bound.lengths(), bound.formats(), kBinary)),
            PGRES_COMMAND_OK, "cannot read");
      const std::string fetch =
          "FETCH FORWARD " + std::to_string(kLoadBatch) + " FROM glnamelist_rows";
      for (;;) {
        Result batch(
            PQexecParams(conn_, fetch.c_str(), 0, nullptr, nullptr, nullptr, nullptr, kBinary));
        Check(batch, PGRES_TUPLES_OK, "cannot read");
        if (PQntuples(batch.get()) == 0) break;
        EachRow(batch.get(), name_, on_row);
      }
      Exec("COMMIT", "cannot read");
    } catch (...) {
      if (PQstatus(conn_) == CONNECTION_OK) Result(PQexec(conn_, "ROLLBACK"));
      throw;
    }
  }

  // The server, the database (its name and its oid, new when it is made again) and the
  // ledger's change sequence, which triggers move on with every change of master data.
  std::optional<LedgerStamp> Stamp() override {
    std::optional<LedgerStamp> stamp;
    Lookup(
        "SELECT d.oid::bigint, m.value FROM pg_database d LEFT JOIN meta m "
        "ON m.key = 'change_seq' WHERE d.datname = current_database()",
        {}, [&](const ResultRow& row) {
          if (!row.IsNull(1)) {
            stamp =
                LedgerStamp{name() + "#" + std::to_string(row.Int(0)), std::string(row.Text(1))};
          }
        });
    return stamp;
  }

  std::map<std::string, std::vector<std::string>> TableColumns() override {
    std::map<std::string, std::vector<std::string>> columns;
    Lookup(
        "SELECT table_name::text, column_name::text FROM information_schema.columns "
        "WHERE table_schema = current_schema() ORDER BY table_name, ordinal_position",
        {},
        [&](const ResultRow& row) { columns[std::string(row.Text(0))].emplace_back(row.Text(1)); });
    return columns;
  }

  // Runs the program's own SQL text, without values.
  void Exec(const std::string& sql, const std::string& doing,
            ExecStatusType expect = PGRES_COMMAND_OK) {
    Check(Result(PQexec(conn_, sql.c_str())), expect, doing);
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
    const char* message = result ? PQresultErrorMessage(result) : "";
    if (!*message) message = PQerrorMessage(conn_);
    std::string cause = CauseOf(message, password_);
    if (PQstatus(conn_) != CONNECTION_OK) {
      cause = "the connection to the server was lost (" + cause + ")";
    }
    throw Error(errc::kDataService, "Ledger " + name_ + ": " + doing + ": " + cause);
  }

  PGconn* conn() const { return conn_; }

 private:
  // A query without values read as a binary COPY of its rows: one statement, so one
  // consistent snapshot, whose rows the server sends while the earlier ones are taken in
  // (the result's types come from describing the query, once).
  void CopyOut(std::string_view sql, const OnRow& on_row) {
    auto described = described_.find(sql);
    if (described == described_.end()) {
      Check(Result(PQprepare(conn_, "", ServerSql(sql).c_str(), 0, nullptr)), PGRES_COMMAND_OK,
            "cannot prepare a query");
      Result description(PQdescribePrepared(conn_, ""));
      Check(description, PGRES_COMMAND_OK, "cannot prepare a query");
      Columns columns;
      for (int c = 0; c < PQnfields(description.get()); ++c) {
        columns.types.push_back(PQftype(description.get(), c));
        columns.names.emplace_back(PQfname(description.get(), c));
      }
      described = described_.emplace(std::string(sql), std::move(columns)).first;
    }
    Exec("COPY (" + ServerSql(sql) + ") TO STDOUT (FORMAT binary)", "cannot read", PGRES_COPY_OUT);
    CopyRows rows(described->second.types, described->second.names, name_);
    bool more = true;
    try {
      for (;;) {
        char* data = nullptr;
        const int size = PQgetCopyData(conn_, &data, 0);
        if (size == -1) break;
        if (size < 0) Fail("cannot read", nullptr);
        std::unique_ptr<char, decltype(&PQfreemem)> message(data, &PQfreemem);
        if (more) more = rows.Read(std::string_view(data, static_cast<size_t>(size)), on_row);
      }
    } catch (...) {
      // The rest of the rows is let go, so that the connection serves the next query.
      if (PQstatus(conn_) == CONNECTION_OK) {
        PGcancel* cancel = PQgetCancel(conn_);
        char why[256];
        if (cancel) PQcancel(cancel, why, sizeof why);
        PQfreeCancel(cancel);
        for (char* data = nullptr; PQgetCopyData(conn_, &data, 0) >= 0; data = nullptr) {
          PQfreemem(data);
        }
        while (Result(PQgetResult(conn_))) {
        }
      }
      throw;
    }
    Result done(PQgetResult(conn_));
    Check(done, PGRES_COMMAND_OK, "cannot read");
    while (Result(PQgetResult(conn_))) {
    }
  }

  struct Columns {
    std::vector<Oid> types;
    std::vector<std::string> names;
  };
  std::string password_;
  std::string name_;
  PGconn* conn_ = nullptr;
  std::map<std::string, std::string, std::less<>> prepared_;
  std::map<std::string, Columns, std::less<>> described_;
};

// Rows of one table sent with binary COPY.
class CopySink final : public RowSink {
 public:
  CopySink(ServerLedger& server, std::string_view table,
           const std::vector<std::string_view>& columns)
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

  ServerLedger& server_;
  std::string buffer_;
  bool open_ = false;
};

class ServerTarget final : public LedgerTarget {
 public:
  ServerTarget(const std::string& conninfo, bool replace) : server_(conninfo, false) {
    server_.Exec("BEGIN", "cannot write");
    if (server_.TableColumns().contains("meta")) {
      if (!replace) {
        throw Error(errc::kDataService, "Cannot create ledger " + server_.name() +
                                            ": the database already holds a ledger");
      }
      std::string tables = server_.Identifier("meta");
      for (const LedgerTable& table : LedgerTables())
        tables += ", " + server_.Identifier(table.name);
      server_.Exec("DROP TABLE IF EXISTS " + tables + " CASCADE", "cannot replace the ledger");
    }
    const std::string& schema = EmbeddedServerSchema();
    size_t after_rows = schema.find(kAfterRowsMarker);
    server_.Exec(schema.substr(0, after_rows), "cannot create the tables");
    if (after_rows != std::string::npos) keys_ = schema.substr(after_rows);
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
  ServerLedger server_;
  std::string keys_;
};

}  // namespace

std::unique_ptr<LedgerDb> OpenLedgerServer(const std::string& conninfo) {
  auto db = std::make_unique<ServerLedger>(conninfo, true);
  CheckLedgerSchema(*db);
  return db;
}

std::unique_ptr<LedgerTarget> CreateLedgerServer(const std::string& conninfo, bool replace) {
  return std::make_unique<ServerTarget>(conninfo, replace);
}

}  // namespace glnamelist::ledger
