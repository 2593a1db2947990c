// Opening the ledger a form will list from, before the form appears.
#ifndef GLNAMELIST_APPS_VOUCHER_OPEN_LEDGER_H_
#define GLNAMELIST_APPS_VOUCHER_OPEN_LEDGER_H_

#include <chrono>
#include <optional>
#include <string>

#include "contracts/data_service.h"
#include "ledger/db/ledger_error.h"

namespace glnamelist::voucher {

// Opens the data service registered with the installed environment, so that a ledger that
// cannot be opened (missing, foreign, damaged, of another schema; a server that is down or
// refuses the login) is found out before the form appears: its error reaches the caller.
// The master data is read after that, while the form is in use; an error there is shown
// by the box that lists it.
GLDataPtr OpenLedger();

// Opens the data service as OpenLedger does, except that a server ledger whose snapshot is
// in the cache is connected to while the form appears (its lists wait for the connection):
// a refusal of the server then reaches the form later (LedgerRefused). Any other ledger
// that cannot be opened raises its error here.
GLDataPtr StartLedger();

// The error of the ledger's opening when the server refused it for good after the form
// appeared (LiveData::Refused, waited for at most `wait`); nothing otherwise.
std::optional<ledger::LedgerError> LedgerRefused(const GLDataPtr& data,
                                                 std::chrono::milliseconds wait = {});

// Opens the ledger at location (a file or a server's connection string) on its own, as the
// form opens its ledger, and closes it again: a ledger that cannot be opened raises the
// error opening it raises (LedgerErrorText words it), and the ledger the form lists from
// stays as it is.
void CheckLedger(const std::string& location);

// The name a person knows the ledger at location by: a file's name without its folder and
// extension, a server ledger's database name.
std::string LedgerName(const std::string& location);

// Stops the ledger's data service as a form closes: its reading ends at once, and its
// background's running task is waited for kCloseWaitMs at most. False when that task (the
// look-up structures of a large table being built in memory) still runs: the program then
// ends without waiting for it, as nothing of a ledger that is only read needs saving.
inline constexpr int kCloseWaitMs = 200;
bool StopLedger();

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_OPEN_LEDGER_H_
