// Opening the ledger a form will list from, before the form appears.
#ifndef GLNAMELIST_HOST_OPEN_LEDGER_H_
#define GLNAMELIST_HOST_OPEN_LEDGER_H_

#include <functional>
#include <string>

namespace glnamelist::host {

// Called before each step of OpenLedger: step counts from 1 to steps; what names the
// master data the step reads.
using LedgerProgress = std::function<void(int step, int steps, const std::string& what)>;

// Opens the data service registered with the installed environment and reads the master
// data every box of the voucher form lists, so that a file that is no ledger, or a damaged
// one, is found out before the form appears. The error of the first step that fails
// reaches the caller.
void OpenLedger(const LedgerProgress& progress = {});

}  // namespace glnamelist::host

#endif  // GLNAMELIST_HOST_OPEN_LEDGER_H_
