#include "ledger/pg/pg_readying.h"

#include <utility>

#include "ledger/ledger_schema.h"

namespace glnamelist::ledger::pg {
namespace {

constexpr const char* kNoticeChannel = "glnamelist_master";

// The database, and what its table meta is (a table: "r"): which ledger a connection reads.
constexpr std::string_view kDatabaseSql =
    "SELECT d.oid::text, c.relkind::text FROM pg_database d LEFT JOIN pg_class c "
    "ON c.oid = to_regclass('meta') WHERE d.datname = current_database()";
// The rows of meta in one text, but the change sequence: it moves with every change of master
// data, which a session made again may see, as it may see the changed rows.
constexpr std::string_view kMetaRowsSql =
    "SELECT string_agg(key || '=' || value, ';' ORDER BY key) FROM meta WHERE key <> "
    "'change_seq'";

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

// Sends a command without values (in the extended protocol, as a pipeline needs).
Send Command(std::string sql) {
  return [sql = std::move(sql)](PGconn* conn) {
    return PQsendQueryParams(conn, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0);
  };
}

// Sends a query with its values (which must outlive the request) bound, for results in
// binary.
Send Query(std::string sql, const BoundValues& bound) {
  return [sql = std::move(sql), &bound](PGconn* conn) {
    return PQsendQueryParams(conn, sql.c_str(), bound.count(), bound.types(), bound.data(),
                             bound.lengths(), bound.formats(), kBinary);
  };
}

}  // namespace

std::string TableList(const std::vector<std::string_view>& tables) {
  std::string names;
  for (std::string_view table : tables) {
    if (!names.empty()) names += ',';
    names += table;
  }
  return names;
}

// A request asked ahead: the look-up it answers (RequestKey), its text as sent, its values.
struct Readying::Asked {
  std::string key;
  std::string sql;
  BoundValues bound;
};

bool Readying::Ready(Link& link, const Errand& errand) {
  if (changed_) throw *changed_;
  if (Readied(link)) return false;
  const std::vector<Send> settle = {
      Command("SET SESSION CHARACTERISTICS AS TRANSACTION ISOLATION LEVEL REPEATABLE READ, "
              "READ ONLY"),
      Command(std::string("LISTEN ") + kNoticeChannel)};
  const std::string meta_rows = WhenTables(kMetaRowsSql, {"meta"});
  const BoundValues none(std::span<const SqlValue>{});
  std::vector<Send> ask = {Query(std::string(kDatabaseSql), none), Query(meta_rows, none)};
  std::vector<Asked> ahead;
  if (connections_ == 0) ahead = AskAhead();
  for (const Asked& asked : ahead) ask.push_back(Query(asked.sql, asked.bound));
  // In two parts, so that a failure of one asked ahead leaves the session's settings: it is
  // asked again when it is needed, and fails then with its cause.
  std::vector<Result> results = link.Pipelined(errand, {settle, ask});
  link.Check(errand, results[0], PGRES_COMMAND_OK);
  link.Check(errand, results[1], PGRES_COMMAND_OK);
  link.Check(errand, results[2], PGRES_TUPLES_OK);
  std::string print = Fingerprint(link, errand, results[2], std::move(results[3]));
  for (size_t i = 0; i < ahead.size(); ++i) {
    Result& answer = results[4 + i];
    if (PQresultStatus(answer.get()) == PGRES_TUPLES_OK) {
      ahead_.emplace(std::move(ahead[i].key), std::move(answer));
    }
  }
  if (!fingerprint_) fingerprint_ = print;
  if (*fingerprint_ != print) {
    changed_ = ReadError(link.name(), errand.doing, Fault::kChanged,
                         "the ledger on the server is not the one first read (it was replaced "
                         "or changed while the connection was lost)");
    throw *changed_;
  }
  readied_ = link.made();
  return connections_++ > 0;
}

std::optional<Result> Readying::Ahead(std::string_view sql, std::span<const SqlValue> values) {
  if (ahead_.empty()) return std::nullopt;
  auto answer = ahead_.extract(RequestKey(sql, values));
  if (!answer.empty()) return std::move(answer.mapped());
  ahead_.clear();
  return std::nullopt;
}

// What a form asks as it opens the ledger, asked ahead with the first connection's settings:
// the schema check's shapes and schema version (CheckLedgerSchema), the position of the
// change log and the stamp. Each is run only when the tables it reads are tables.
std::vector<Readying::Asked> Readying::AskAhead() {
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

// The database and the rows of its meta table (when it is a table), which tell whether a
// session after a lost one reads the same ledger: from the answers to kDatabaseSql and
// kMetaRowsSql. When the meta rows could not be read, they are asked again, for the cause.
std::string Readying::Fingerprint(Link& link, const Errand& errand, const Result& database,
                                  Result meta) {
  if (PQntuples(database.get()) == 0) link.Raise(errand, database.get());
  std::string print = PQgetvalue(database.get(), 0, 0);
  if (std::string_view(PQgetvalue(database.get(), 0, 1)) != "r") return print;
  if (PQresultStatus(meta.get()) != PGRES_TUPLES_OK) {
    meta = link.RunPrepared(errand, kMetaRowsSql, {});
  }
  if (PQntuples(meta.get()) > 0 && !PQgetisnull(meta.get(), 0, 0)) {
    print += ";" + std::string(PQgetvalue(meta.get(), 0, 0));
  }
  return print;
}

}  // namespace glnamelist::ledger::pg
