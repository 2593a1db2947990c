// The database layer: the little the ledger needs of a database, so that the data service,
// the copy and the generator are one piece of code over SQLite files (ledger/sqlite/) and
// PostgreSQL servers (ledger/pg/) alike. The rest of this folder: a ledger's location
// (location.h), the one error type (ledger_error.h), a ledger open for writing
// (ledger_session.h) and the decorators of a LedgerDb over one forwarding base
// (forwarding_ledger.h). Which backend a location opens is ledger/ledger_at.h's.
//
// Values only ever reach SQL as bound parameters; SQL text is the program's own.
//
// Failures raise LedgerError (ledger_error.h): errc::kDataService, a text naming the ledger,
// and the fault with the database's own words.
#ifndef GLNAMELIST_LEDGER_DB_LEDGER_DB_H_
#define GLNAMELIST_LEDGER_DB_LEDGER_DB_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "contracts/api.h"
#include "ledger/db/location.h"

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

// What a ledger's table is, as the schema check sees it.
struct TableShape {
  enum class Kind { kNone, kTable, kView, kOther };
  enum class Type { kInteger, kText, kOther };
  struct Column {
    std::string name;
    Type type;
    std::string declared;  // the type as the database names it
  };
  Kind kind = Kind::kNone;
  std::string what;  // kView, kOther: what it is instead of a table ("a view", ...)
  std::vector<Column> columns;
};

// Which ledger is open (identity) and which version of its master data (version): two
// ledgers, or two versions of one, never share both. A ledger with a change log
// (ChangeLogTable) is versioned by the last change it holds, in decimal, so that a later
// version compares greater (ChangeOf); any other's version is a text that changes with it.
struct LedgerStamp {
  std::string identity;
  std::string version;
};

// The last change of a stamp's version when it is a change log's, else nothing.
GLNAMELIST_INTERNAL std::optional<int64_t> ChangeOf(const LedgerStamp& stamp);

// One change of master data, as the ledger's change log holds it (ChangeLogTable).
struct MasterChange {
  int64_t seq = 0;
  std::string table;
  std::optional<int64_t> row;     // none: every row of the table may have changed
  std::optional<int64_t> parent;  // an item's or SubMes entry's class, a unit's group
};

// How long a reader waits before it gives up.
struct LedgerLimits {
  // For a ledger file another program holds locked.
  std::chrono::milliseconds lock_wait{2000};
  // For a server to answer one request (a look-up, a batch of a load).
  std::chrono::milliseconds answer{5000};
  // For a server to accept a connection.
  std::chrono::milliseconds connect{10000};
};

// A ledger open for reading. Queries are written with numbered parameters ?1, ?2, ...
//
// Each call reads one state of the ledger, and the calls made Together read the same one;
// later calls read what others committed meanwhile (the change log tells what changed). A
// file is read through one connection that checks at every read that the file still holds
// the ledger it opened, its change log gone on from where it was: a file made of another
// ledger (or of an older copy of this one) in its place fails every read with
// Fault::kChanged. On a server a look-up runs on its own and a load in one read-only
// transaction; a lost connection is opened again by the next call, which fails with
// Fault::kChanged when the ledger's database or meta table are no longer what they were.
//
// Calls may come from several threads (a form's and its data service's worker): they are
// served one at a time, a long Load letting others in between its batches of rows (on a
// server, a Load without values streams its rows in one piece: others wait for its end).
class GLNAMELIST_INTERNAL LedgerDb {
 public:
  virtual ~LedgerDb() = default;

  // The ledger as messages name it: its path, or the server and database (never a
  // password).
  virtual const std::string& name() const = 0;

  // A query expected to give a few rows (a look-up): prepared once, run again and again.
  virtual void Lookup(std::string_view sql, std::span<const SqlValue> values,
                      const OnRow& on_row) = 0;
  void Lookup(std::string_view sql, std::initializer_list<SqlValue> values, const OnRow& on_row) {
    Lookup(sql, std::span<const SqlValue>(values.begin(), values.size()), on_row);
  }
  // A query that may give very many rows: read in one consistent snapshot, without holding
  // every row in memory at once. on_row, of either, does not use this ledger.
  virtual void Load(std::string_view sql, std::initializer_list<SqlValue> values,
                    const OnRow& on_row) = 0;
  // What the table of this name is: a table, a view, ... with its columns and their types.
  virtual TableShape ShapeOf(std::string_view table) = 0;
  // The shapes of these tables, in their order: by default one ShapeOf each; a server asks
  // for all of them at once.
  virtual std::vector<TableShape> ShapesOf(const std::vector<std::string_view>& tables);
  // The column names of a table of the ledger; none when there is no such table.
  std::vector<std::string> ColumnsOf(std::string_view table);
  // The value of the ledger's meta table under key, nothing when it has none: by default a
  // look-up; a server answers from what it read as its transaction began.
  virtual std::optional<std::string> MetaValue(std::string_view key);

  // Makes the calls running now and every later one end at once with Fault::kStopped (a
  // running server query is cancelled). Called from any thread, when the program closes.
  virtual void Interrupt() = 0;

  // Which ledger this is, the same for two connections to one ledger file or database and
  // different otherwise (see LedgerIdentityAt).
  virtual std::string Identity() = 0;

  // The stamp of the state this connection reads, found in milliseconds without reading the
  // ledger's tables; nothing when the ledger cannot tell its version (a server ledger without
  // a change log).
  virtual std::optional<LedgerStamp> Stamp() = 0;

  // Runs reads (the calls of this object that the calling thread makes within it, and those
  // other threads make meanwhile) in one transaction: they read one state of the ledger.
  virtual void Together(const std::function<void()>& reads) = 0;

  // Has seen called, from a thread of its own, until the ledger is interrupted or destroyed:
  // soon after another program commits a change to the ledger with seen(true) (for a file
  // any write, for a server a change of master data; a call may find nothing changed), and
  // with seen(false) about once every kWatchTick besides. Without a cheap way to learn of
  // changes (a folder that cannot be watched) every call says true. Called once at most.
  virtual void Watch(std::function<void(bool seen)> seen) = 0;
  static constexpr std::chrono::milliseconds kWatchTick{1000};
};

// The look-ups a reader makes as a form opens the ledger (LedgerDb::MetaValue, LastChange):
// a server sends them ahead with the new connection's first requests.
inline constexpr std::string_view kMetaValueSql = "SELECT value FROM meta WHERE key = ?1";
inline constexpr std::string_view kLastChangeSql = "SELECT max(seq) FROM master_changes";

// The last change of master data the ledger's log holds (0: none), as the read in progress
// sees it.
GLNAMELIST_INTERNAL int64_t LastChange(LedgerDb& db);

// Runs reads with lock released and holds it again when they end, however they end: the
// reads of LedgerDb::Together, which other threads' reads may join meanwhile.
GLNAMELIST_INTERNAL void RunUnlocked(std::unique_lock<std::mutex>& lock,
                                     const std::function<void()>& reads);
// The changes logged after seq `after` up to `last`, in order.
GLNAMELIST_INTERNAL std::vector<MasterChange> ChangesBetween(LedgerDb& db, int64_t after,
                                                             int64_t last);

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

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_DB_LEDGER_DB_H_
