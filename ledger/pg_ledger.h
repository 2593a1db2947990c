// Ledgers on a PostgreSQL server, shared by the clerks of an office (libpq).
#ifndef GLNAMELIST_LEDGER_PG_LEDGER_H_
#define GLNAMELIST_LEDGER_PG_LEDGER_H_

#include <memory>
#include <string>

#include "ledger/ledger_db.h"

namespace glnamelist::ledger {

// Connects to the server with a libpq connection string (URI or keyword form), in UTF-8
// and read-only, and checks the database holds a ledger (CheckLedgerSchema). A server that
// is down, a wrong database, user or password: one Error "Cannot open ledger
// postgresql://user@host:port/dbname: <cause>"; the password never appears in a message.
// Look-ups are prepared statements; loads read through a cursor in one read-only snapshot,
// a batch of rows at a time. Values are bound in binary, results read in binary.
std::unique_ptr<LedgerDb> OpenLedgerServer(const std::string& conninfo);

// Writes a ledger into the (existing) database in one transaction: the schema's tables,
// rows by binary COPY, then the keys and indexes; see CreateLedger.
std::unique_ptr<LedgerTarget> CreateLedgerServer(const std::string& conninfo, bool replace);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_PG_LEDGER_H_
