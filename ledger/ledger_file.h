// Opening a ledger file for reading, with the checks that make a bad file fail early.
#ifndef GLNAMELIST_LEDGER_LEDGER_FILE_H_
#define GLNAMELIST_LEDGER_LEDGER_FILE_H_

#include <memory>
#include <string>

#include "ledger/sqlite_db.h"

namespace glnamelist::ledger {

// The schema version this code reads and writes (meta.schema_version).
inline constexpr int kSchemaVersion = 1;

// Opens the ledger at path read-only and checks that it is one: the file exists and is
// readable, SQLite accepts it, its schema version is kSchemaVersion and every table with
// the columns the data service reads is there. Otherwise one Error (errc::kDataService)
// "Cannot open ledger <path>: <cause>". Nothing is ever written to the file.
std::unique_ptr<Database> OpenLedgerFile(const std::string& path);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_LEDGER_FILE_H_
