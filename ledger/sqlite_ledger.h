// Ledgers in SQLite files: the embedded default for one desk.
#ifndef GLNAMELIST_LEDGER_SQLITE_LEDGER_H_
#define GLNAMELIST_LEDGER_SQLITE_LEDGER_H_

#include <memory>
#include <string>

#include "ledger/ledger_db.h"

namespace glnamelist::ledger {

// Opens the ledger file at path read-only and checks that it is one: the file exists and
// is readable, SQLite accepts it, and CheckLedgerSchema passes. Otherwise one Error
// "Cannot open ledger <path>: <cause>". Nothing is ever written to the file.
std::unique_ptr<LedgerDb> OpenLedgerFile(const std::string& path);

// A new ledger file at path, written through path + ".part" (see CreateLedger).
std::unique_ptr<LedgerTarget> CreateLedgerFile(const std::string& path);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SQLITE_LEDGER_H_
