// The little the ledger needs of a database, so that the data service, the copy and the
// generator are one piece of code over SQLite files and PostgreSQL servers alike.
//
// A ledger's location is a file path or a PostgreSQL connection string: a URI
// (postgresql://user@host/dbname) or libpq's keyword form (host=... dbname=...).
// Values only ever reach SQL as bound parameters; SQL text is the program's own.
#ifndef GLNAMELIST_LEDGER_LEDGER_DB_H_
#define GLNAMELIST_LEDGER_LEDGER_DB_H_

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace glnamelist::ledger {

// A value bound to a query or written to a table: SQL null, an integer or a text.
using SqlValue = std::variant<std::monostate, int64_t, std::string_view>;

// The current row of a result. Text stays valid until the callback returns.
class ResultRow {
 public:
  virtual bool IsNull(int column) const = 0;
  virtual int64_t Int(int column) const = 0;
  virtual std::string_view Text(int column) const = 0;

 protected:
  ~ResultRow() = default;
};

using OnRow = std::function<void(const ResultRow&)>;

// Which ledger is open (identity) and which version of its data (version): two ledgers, or
// two versions of one, never share both.
struct LedgerStamp {
  std::string identity;
  std::string version;
};

// A ledger open for reading. Queries are written with numbered parameters ?1, ?2, ...
// Failures raise Error (errc::kDataService) naming the ledger.
class LedgerDb {
 public:
  virtual ~LedgerDb() = default;

  // The ledger as messages name it: its path, or the server and database (never a
  // password).
  virtual const std::string& name() const = 0;

  // A query expected to give a few rows (a look-up): prepared once, run again and again.
  virtual void Lookup(std::string_view sql, std::initializer_list<SqlValue> values,
                      const OnRow& on_row) = 0;
  // A query that may give very many rows: read in one consistent snapshot, without holding
  // every row in memory at once.
  virtual void Load(std::string_view sql, std::initializer_list<SqlValue> values,
                    const OnRow& on_row) = 0;
  // The column names of every table of the ledger, by table, in one query.
  virtual std::map<std::string, std::vector<std::string>> TableColumns() = 0;
  // The ledger's stamp, found in milliseconds without reading its tables; nothing when the
  // ledger cannot tell its version (a server ledger without a change sequence).
  virtual std::optional<LedgerStamp> Stamp() = 0;
};

// Rows into one table of a ledger being written, in the column order given when it was
// opened.
class RowSink {
 public:
  virtual ~RowSink() = default;
  virtual void Add(std::span<const SqlValue> values) = 0;
  void Add(std::initializer_list<SqlValue> values) { Add({values.begin(), values.size()}); }
  // Ends the table; the sink takes no more rows. Done by the destructor when not before,
  // but only Close reports a failure.
  virtual void Close() = 0;
};

// A ledger being written: made with the schema and no rows, filled table by table, then
// finished in one step. A target dropped unfinished leaves nothing behind (no file, no
// tables on the server).
class LedgerTarget {
 public:
  virtual ~LedgerTarget() = default;
  virtual const std::string& name() const = 0;
  // One table open at a time; columns are the table's own names.
  virtual std::unique_ptr<RowSink> Rows(std::string_view table,
                                        const std::vector<std::string_view>& columns) = 0;
  virtual void Finish() = 0;
};

// True when location is a connection string rather than a file path.
bool IsServerLocation(std::string_view location);

// The location as it may be shown to a person: a server address with its password written
// as "***"; a file path unchanged.
std::string ShownLocation(const std::string& location);

// Opens the ledger at location for reading and checks it is one this program serves
// (schema version, tables and columns). Error "Cannot open ledger <name>: <cause>".
std::unique_ptr<LedgerDb> OpenLedger(const std::string& location);

// Starts writing a new ledger at location. A file is written under a temporary name and
// renamed into place by Finish. On a server the database must exist; the ledger's tables
// are made in one transaction committed by Finish. A database that already holds a ledger
// is refused unless replace is set, in which case the old tables go in that transaction.
std::unique_ptr<LedgerTarget> CreateLedger(const std::string& location, bool replace);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_LEDGER_DB_H_
