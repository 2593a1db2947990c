// What makes a database a ledger this program serves, for every kind of database, and the
// steps that bring an older ledger up to it.
#ifndef GLNAMELIST_LEDGER_LEDGER_SCHEMA_H_
#define GLNAMELIST_LEDGER_LEDGER_SCHEMA_H_

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/api.h"
#include "ledger/db/ledger_db.h"
#include "ledger/db/ledger_error.h"

namespace glnamelist::ledger {

// The schema version this code reads and writes (meta.schema_version).
inline constexpr int kSchemaVersion = 6;

// A ledger file keeps its changes in a write-ahead log, so that reading it never makes
// another program's write wait or fail: set when the file is made or upgraded (and by a
// form that finds a file without it). It answers the mode in force: "wal", or the mode
// kept where the log cannot work (a file system without shared memory, a network share).
inline constexpr const char* kWriteAheadLog = "PRAGMA journal_mode = WAL";

struct GLNAMELIST_INTERNAL LedgerTable {
  std::string_view name;
  std::vector<std::string_view> columns;
  // The columns that hold text; the others hold integers (ids, levels, flags, cents).
  std::vector<std::string_view> texts;
  // The columns that order its rows, one row to a key.
  std::string_view key = "id";

  bool IsInteger(std::string_view column) const;
};

// The tables of a ledger besides meta, with all their columns in schema order, parents
// before the tables that refer to them.
GLNAMELIST_INTERNAL const std::vector<LedgerTable>& LedgerTables();

// The change log of the master tables (schema_steps/3_changes.sql): filled by the ledger's
// triggers, read by the data service, never copied to another ledger.
GLNAMELIST_INTERNAL const LedgerTable& ChangeLogTable();

// One step of the schema: the SQL that brings a ledger of version - 1 to version, for a file
// and for a server; each ends by setting meta.schema_version.
struct SchemaStep {
  int version;
  std::string_view file_sql;
  std::string_view server_sql;
};

// Every step from version 1 to kSchemaVersion, in order (schema.sql and schema_server.sql
// make version 1).
const std::vector<SchemaStep>& SchemaSteps();

// Where the part of a schema text (the server's schema, a step) that a new ledger runs once
// its rows are written begins: keys checked once over all rows, triggers that watch the
// rows, which the rows the program writes need not fire.
inline constexpr std::string_view kAfterRowsMarker = "-- Once the rows are in:";

// Which part of the steps to run: all of each (an upgrade), or for a new ledger the parts
// before its rows are written and after (kAfterRowsMarker).
enum class StepPart { kAll, kBeforeRows, kAfterRows };

// The indexes of a ledger file that its account lists use while a cold start reads the
// account set (the accounts that are banks or cash, which every account list maps to their
// pictures), whatever the ledger's version: made with a new file and by every upgrade of
// one, never required.
inline constexpr std::string_view kListIndexes =
    "CREATE INDEX IF NOT EXISTS accounts_marked ON accounts (number) "
    "WHERE is_bank <> 0 OR is_cash <> 0";

// Runs, through exec, the SQL of the steps after version `from`, in order: a ledger of that
// version becomes one of kSchemaVersion; then, for a file (but for the part before a new
// ledger's rows), kListIndexes.
GLNAMELIST_INTERNAL void RunSchemaSteps(int from, bool on_server,
                                        const std::function<void(const std::string& sql)>& exec,
                                        StepPart part = StepPart::kAll);

// The schema version a meta.schema_version text tells; -1 when it is not a number.
GLNAMELIST_INTERNAL int SchemaVersionOf(const std::string& text);

// The tables CheckLedgerSchema looks at, in the order it asks for their shapes: meta, the
// ledger's tables, the change log.
GLNAMELIST_INTERNAL std::vector<std::string_view> CheckedTables();

// Checks that db holds a ledger of kSchemaVersion whose every table is a table (not a view
// or anything else standing in for one) with every column, of its type; otherwise
// RefuseLedger with "wrong schema: ..." (Fault::kNotALedger without a meta table,
// kWrongVersion, kWrongSchema). An older ledger's cause names `glledger upgrade`. A failure
// of the database while it looks is raised as "Cannot open ledger <name>: <cause>" with its
// fault.
GLNAMELIST_INTERNAL void CheckLedgerSchema(LedgerDb& db);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_LEDGER_SCHEMA_H_
