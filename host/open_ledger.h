// Opening the ledger a form will list from, before the form appears.
#ifndef GLNAMELIST_HOST_OPEN_LEDGER_H_
#define GLNAMELIST_HOST_OPEN_LEDGER_H_

#include "contracts/data_service.h"

namespace glnamelist::host {

// Opens the data service registered with the installed environment, so that a ledger that
// cannot be opened (missing, foreign, damaged, of another schema; a server that is down or
// refuses the login) is found out before the form appears: its error reaches the caller.
// The master data is read after that, while the form is in use; an error there is shown
// by the box that lists it.
GLDataPtr OpenLedger();

}  // namespace glnamelist::host

#endif  // GLNAMELIST_HOST_OPEN_LEDGER_H_
