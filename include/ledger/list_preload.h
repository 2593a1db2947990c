// Reading a form's master data in the background, in the order a person meets its boxes,
// so that the form is usable at once and each box's list is attached when its data is in.
//
//   ListReady ready = ledger::PreloadLists(GetGLData(), kinds_in_box_order);
//   while (!boxes.AttachLists(ready)) { ...handle keys... }
#ifndef GLNAMELIST_LEDGER_LIST_PRELOAD_H_
#define GLNAMELIST_LEDGER_LIST_PRELOAD_H_

#include <functional>
#include <vector>

#include "contracts/data_service.h"

namespace glnamelist::ledger {

// Whether a list of a kind (GLNameListTypes) can be attached without waiting for its data.
using ListReady = std::function<bool(long kind)>;

// When data is the ledger's data service, starts reading the sets that lists of these kinds
// list, in this order, in the background (LedgerService::Preload); for any other data
// service every kind is ready at once. Kinds without a set of their own (items, units,
// SubMes entries) wait for their class or group set. ListReady raises the error of a read
// that failed, when the kind would have been ready; asked again, it starts reading it again
// and says it is not ready until that read is done.
ListReady PreloadLists(const GLDataPtr& data, const std::vector<long>& kinds);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_LIST_PRELOAD_H_
