#include "ledger/list_preload.h"

#include <memory>

#include "contracts/live_data.h"

namespace glnamelist::ledger {

ListReady PreloadLists(const GLDataPtr& data, const std::vector<long>& kinds) {
  std::shared_ptr<LiveData> live = LiveDataOf(data);
  if (!live) return [](long) { return true; };
  live->Preload(kinds);
  return [live](long kind) {
    live->Preload({kind});  // read again when a read failed and its error was reported
    if (!live->Ready(kind)) return false;
    live->Take(kind);  // a failed read's error goes to the list that waited for it
    return true;
  };
}

ListChanges WatchLists(const GLDataPtr& data) {
  std::shared_ptr<LiveData> live = LiveDataOf(data);
  if (!live) return [] { return std::vector<long>(); };
  return [live] { return live->ChangesWaiting() ? live->TakeChanges() : std::vector<long>(); };
}

}  // namespace glnamelist::ledger
