// Ledgers in SQLite files, the embedded default for one desk: where a reader of this folder
// starts.
#ifndef GLNAMELIST_LEDGER_SQLITE_SQLITE_LEDGER_H_
#define GLNAMELIST_LEDGER_SQLITE_SQLITE_LEDGER_H_

#include <memory>
#include <string>

#include "contracts/api.h"
#include "ledger/db/ledger_db.h"

namespace glnamelist::ledger {

// Opens the ledger file at path read-only, one connection for every thread: the file
// exists, is a file, is readable and not empty; otherwise one LedgerError "Cannot open
// ledger <path>: <cause>". Nothing is ever written to the file. A read that finds the file
// locked waits limits.lock_wait for it.
GLNAMELIST_INTERNAL std::unique_ptr<LedgerDb> OpenLedgerFile(const std::string& path,
                                                             const LedgerLimits& limits);

// The identity of the file at path (its device and inode); empty when there is none.
GLNAMELIST_INTERNAL std::string FileIdentityAt(const std::string& path);

class LedgerSession;
// The ledger file at path open for writing (OpenLedgerSession).
GLNAMELIST_INTERNAL std::unique_ptr<LedgerSession> OpenLedgerFileSession(
    const std::string& path, const LedgerLimits& limits);

// A new ledger file at path, written through a temporary file of its own (see CreateLedger).
GLNAMELIST_INTERNAL std::unique_ptr<LedgerTarget> CreateLedgerFile(const std::string& path);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SQLITE_SQLITE_LEDGER_H_
