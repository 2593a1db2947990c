// Bringing a ledger of an older schema version up to the one this program reads.
#ifndef GLNAMELIST_LEDGER_LEDGER_UPGRADE_H_
#define GLNAMELIST_LEDGER_LEDGER_UPGRADE_H_

#include <string>

namespace glnamelist::ledger {

class LedgerSession;

struct UpgradeResult {
  int from = 0;  // the version the ledger had
  int to = 0;    // the version it has now (kSchemaVersion)
  // A file's journal mode after the upgrade set the write-ahead log (kWriteAheadLog):
  // "wal", or the mode it keeps where the log cannot work. Empty on a server.
  std::string journal;
};

// Runs the schema steps after the ledger's version (SchemaSteps), in one transaction: a
// run that fails or is killed leaves the ledger as it was. A ledger of this program's
// version is left alone (from == to). Forms reading the ledger meanwhile go on; a second
// upgrade waits for the first (a bounded time). Errors (a LedgerError naming the ledger):
// no ledger there (Fault::kNotALedger), a version newer than this program's or not a
// number (kWrongVersion), and the faults of opening and writing. A file is then put in
// write-ahead-log mode, if it is not. The upgraded ledger is then checked as the data
// service checks it.
UpgradeResult UpgradeLedger(const std::string& location);

// Puts the ledger file of session (outside a transaction) in write-ahead-log mode, waiting
// for its lock as a write does; the mode in force after: "wal", or the one it keeps where
// the log cannot work.
std::string JournalMode(LedgerSession& session);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_LEDGER_UPGRADE_H_
