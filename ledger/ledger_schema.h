// What makes a database a ledger this program serves, for every kind of database.
#ifndef GLNAMELIST_LEDGER_LEDGER_SCHEMA_H_
#define GLNAMELIST_LEDGER_LEDGER_SCHEMA_H_

#include <string>
#include <string_view>
#include <vector>

#include "ledger/ledger_db.h"
#include "ledger/ledger_error.h"

namespace glnamelist::ledger {

// The schema version this code reads and writes (meta.schema_version).
inline constexpr int kSchemaVersion = 1;

struct LedgerTable {
  std::string_view name;
  std::vector<std::string_view> columns;
};

// The tables of a ledger besides meta, with all their columns in schema order, parents
// before the tables that refer to them.
const std::vector<LedgerTable>& LedgerTables();

// Whether a column of LedgerTables holds integers (ids, levels, flags) rather than text.
bool IsIntegerColumn(std::string_view column);

// Checks that db holds a ledger of kSchemaVersion whose every table is a table (not a view
// or anything else standing in for one) with every column, of its type; otherwise
// RefuseLedger with "wrong schema: ..." (Fault::kNotALedger without a meta table,
// kWrongVersion, kWrongSchema). A failure of the database while it looks is raised as
// "Cannot open ledger <name>: <cause>" with its fault.
void CheckLedgerSchema(LedgerDb& db);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_LEDGER_SCHEMA_H_
