// What makes a database a ledger this program serves, for every kind of database.
#ifndef GLNAMELIST_LEDGER_LEDGER_SCHEMA_H_
#define GLNAMELIST_LEDGER_LEDGER_SCHEMA_H_

#include <string>
#include <string_view>
#include <vector>

#include "ledger/ledger_db.h"

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

// Error (errc::kDataService) "Cannot open ledger <name>: <cause>".
[[noreturn]] void RefuseLedger(const std::string& name, const std::string& cause);

// Checks that db holds a ledger of kSchemaVersion with every table and column; otherwise
// RefuseLedger with "wrong schema: ...".
void CheckLedgerSchema(LedgerDb& db);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_LEDGER_SCHEMA_H_
