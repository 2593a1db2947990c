// Looking entries up in the ledger as it is at that moment: an account, item or SubMes entry
// by its exact code, an account's full name by its id, and a unit group's units.
#ifndef GLNAMELIST_LEDGER_SERVICE_ENTRY_LOOKUPS_H_
#define GLNAMELIST_LEDGER_SERVICE_ENTRY_LOOKUPS_H_

#include <string>

#include "contracts/data_service.h"
#include "ledger/db/ledger_db.h"

namespace glnamelist::ledger {

// Each null when there is no entry of that code.
AccountEntryPtr FindAccount(LedgerDb& db, const std::string& number);
ItemEntryPtr FindItem(LedgerDb& db, long item_class, const std::string& number);
SubMesEntryPtr FindSubMes(LedgerDb& db, long item_class, const std::string& number);
// The names from the top-level account down to this one, joined with "_"; Error when there
// is no account of this id or its parents form a cycle.
std::string AccountFullName(LedgerDb& db, long account_id);
// The units of a group in code order; null for a group that does not exist.
UnitSetPtr ReadUnits(LedgerDb& db, long unit_group);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SERVICE_ENTRY_LOOKUPS_H_
