// Copying a ledger from one place to another: a desk's file onto the office's server, or
// a server's ledger into a file.
#ifndef GLNAMELIST_APPS_GLLEDGER_LEDGER_COPY_H_
#define GLNAMELIST_APPS_GLLEDGER_LEDGER_COPY_H_

#include <string>

namespace glnamelist::ledger {

// Reads every table of the ledger at from (a file path or a connection string) and
// writes a new ledger at to with the same rows (CreateLedger; replace as there). With
// progress, shows the rows copied on stderr. Error naming the ledger that failed; a failed
// copy leaves nothing at to. A copy onto its own source (the same file, the same database)
// is refused before anything is written.
void CopyLedger(const std::string& from, const std::string& to, bool replace, bool progress);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_APPS_GLLEDGER_LEDGER_COPY_H_
