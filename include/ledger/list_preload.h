// Reading a form's master data in the background, in the order a person meets its boxes,
// so that the form is usable at once and each box's list is attached when its data is in;
// and learning, while the form runs, which lists have new master data.
//
//   ListReady ready = ledger::PreloadLists(GetGLData(), kinds_in_box_order);
//   ListChanges changes = ledger::WatchLists(GetGLData());
//   while (!boxes.AttachLists(ready)) { ...handle keys... }
//   ...every tenth of a second or so: for each kind in changes(), a new GLNameList for the
//   boxes of that kind
#ifndef GLNAMELIST_LEDGER_LIST_PRELOAD_H_
#define GLNAMELIST_LEDGER_LIST_PRELOAD_H_

#include <functional>
#include <vector>

#include "contracts/api.h"
#include "contracts/data_service.h"

namespace glnamelist::ledger {

// Whether a list of a kind (GLNameListTypes) can be attached without waiting for its data.
using ListReady = std::function<bool(long kind)>;

// When data is a live data service (contracts/live_data.h), starts reading the sets that
// lists of these kinds list, in this order, in the background (LiveData::Preload); for any
// other data service every kind is ready at once. Kinds without a set of their own (items, units,
// SubMes entries) wait for their class or group set. ListReady raises the error of a read
// that failed, when the kind would have been ready; asked again, it starts reading it again
// and says it is not ready until that read is done.
GLNAMELIST_API ListReady PreloadLists(const GLDataPtr& data, const std::vector<long>& kinds);

// The list kinds whose master data has a new version since the last call, which a GLNameList
// made from now on lists (one made before keeps what it has cached, as every GLNameList
// does). A live data service (the ledger's) learns of what other programs change in the ledger and
// makes the new versions in the background; asking costs nothing while there are none. For
// any other data service there are none. On the host's thread.
using ListChanges = std::function<std::vector<long>()>;
GLNAMELIST_API ListChanges WatchLists(const GLDataPtr& data);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_LIST_PRELOAD_H_
