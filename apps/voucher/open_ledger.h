// Opening the ledger a form will list from, before the form appears.
#ifndef GLNAMELIST_APPS_VOUCHER_OPEN_LEDGER_H_
#define GLNAMELIST_APPS_VOUCHER_OPEN_LEDGER_H_

#include "contracts/data_service.h"

namespace glnamelist::voucher {

// Opens the data service registered with the installed environment, so that a ledger that
// cannot be opened (missing, foreign, damaged, of another schema; a server that is down or
// refuses the login) is found out before the form appears: its error reaches the caller.
// The master data is read after that, while the form is in use; an error there is shown
// by the box that lists it.
GLDataPtr OpenLedger();

// Stops the ledger's data service as a form closes: its reading ends at once, and its
// background's running task is waited for kCloseWaitMs at most. False when that task (the
// look-up structures of a large table being built in memory) still runs: the program then
// ends without waiting for it, as nothing of a ledger that is only read needs saving.
inline constexpr int kCloseWaitMs = 200;
bool StopLedger();

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_OPEN_LEDGER_H_
