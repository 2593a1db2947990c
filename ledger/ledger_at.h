// The ledger at a location, by the backend its location names (a file: ledger/sqlite/, a
// server: ledger/pg/): opened for reading or writing, identified, or written anew.
#ifndef GLNAMELIST_LEDGER_LEDGER_AT_H_
#define GLNAMELIST_LEDGER_LEDGER_AT_H_

#include <memory>
#include <string>

#include "ledger/db/ledger_db.h"
#include "ledger/db/ledger_session.h"

namespace glnamelist::ledger {

// Opens the ledger at location for reading and checks it is one this program serves
// (CheckLedgerSchema). Error "Cannot open ledger <name>: <cause>".
std::unique_ptr<LedgerDb> OpenLedger(const std::string& location, const LedgerLimits& limits = {});
// Opens it without the check (a fault-injecting wrapper runs the check through itself).
std::unique_ptr<LedgerDb> OpenUncheckedLedger(const std::string& location,
                                              const LedgerLimits& limits = {});

// The Identity of what is at location: of the file there (empty when there is none), of the
// server's database. Error when a server cannot be reached.
std::string LedgerIdentityAt(const std::string& location);

// Starts writing a new ledger at location. A file is written under a temporary name of its
// own beside it, written through to the disk and renamed into place by Finish (the folder
// too); a run killed half-way leaves the old file as it was. While one program writes a
// target, another that starts writing it is refused ("another program is writing ...").
// On a server the database must exist; the ledger's tables are made in one transaction
// committed by Finish. A database that already holds a ledger is refused unless replace is
// set, in which case the old tables go in that transaction.
std::unique_ptr<LedgerTarget> CreateLedger(const std::string& location, bool replace);

// Opens the ledger at location for writing, without checking its schema. Error "Cannot open
// ledger <name>: <cause>" as OpenLedger says it.
std::unique_ptr<LedgerSession> OpenLedgerSession(const std::string& location,
                                                 const LedgerLimits& limits = {});

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_LEDGER_AT_H_
