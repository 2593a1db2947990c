#include "ledger/entries.h"

#include "contracts/error.h"

namespace glnamelist::ledger {

UnitEntryPtr LedgerUnitSet::Item(long Index) const {
  if (Index < 1 || Index > Count()) {
    throw Error(errc::kInvalidProcedureCall, "Unit index " + std::to_string(Index) +
                                                 " is outside 1.." + std::to_string(Count()));
  }
  return units_[static_cast<size_t>(Index - 1)];
}

}  // namespace glnamelist::ledger
