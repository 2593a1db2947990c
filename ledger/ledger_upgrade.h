// Bringing a ledger of an older schema version up to the one this program reads.
#ifndef GLNAMELIST_LEDGER_LEDGER_UPGRADE_H_
#define GLNAMELIST_LEDGER_LEDGER_UPGRADE_H_

#include <string>

namespace glnamelist::ledger {

struct UpgradeResult {
  int from = 0;  // the version the ledger had
  int to = 0;    // the version it has now (kSchemaVersion)
};

// Runs the schema steps after the ledger's version (SchemaSteps), in one transaction: a
// run that fails or is killed leaves the ledger as it was. A ledger of this program's
// version is left alone (from == to). Forms reading the ledger meanwhile go on; a second
// upgrade waits for the first (a bounded time). Errors (a LedgerError naming the ledger):
// no ledger there (Fault::kNotALedger), a version newer than this program's or not a
// number (kWrongVersion), and the faults of opening and writing. The upgraded ledger is then
// checked as the data service checks it.
UpgradeResult UpgradeLedger(const std::string& location);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_LEDGER_UPGRADE_H_
