// What a data service over a live ledger offers a host beyond GLData, when it has it: the
// ledger opened while the form appears, the sets read ahead in the background, the new
// versions of master data that others change while the form runs, the faults a person's
// action meets, and stopping as the program closes. A host asks the data service for it
// (LiveDataOf); a data service without it (a test's fake, say) answers nothing, and the host
// then reads through GLData alone.
//
// List kinds are the values of GLNameListTypes (contracts/list_kinds.h). Everything is
// called on the host's thread, except ChangesWaiting (any thread).
#ifndef GLNAMELIST_CONTRACTS_LIVE_DATA_H_
#define GLNAMELIST_CONTRACTS_LIVE_DATA_H_

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "contracts/api.h"
#include "contracts/data_service.h"

namespace glnamelist {

class GLNAMELIST_API LiveData {
 public:
  virtual ~LiveData() = default;

  // Waits until the ledger is open: raises the error of an opening that failed (the next
  // request opens it again).
  virtual void AwaitOpening() = 0;
  // The error of an opening that was refused for good (the login, the database: what trying
  // again does not mend), an opening in progress waited for at most `wait`; null otherwise.
  virtual std::exception_ptr Refused(std::chrono::milliseconds wait) const = 0;

  // Starts reading, in this order, in the background, what lists of these kinds list.
  virtual void Preload(const std::vector<long>& kinds) = 0;
  // True when a list of this kind would not wait for the background.
  virtual bool Ready(long kind) const = 0;
  // Once Ready: raises the error of a read that failed (a Preload then reads it again).
  virtual void Take(long kind) = 0;
  // Waits until what the service set out to do in the background so far is done.
  virtual void WaitForBackgroundWork() = 0;
  // Whether the master data came from a prepared copy (a cache) rather than the ledger.
  virtual bool FromSnapshot() const = 0;

  // Whether new versions of master data wait for TakeChanges.
  virtual bool ChangesWaiting() const = 0;
  // From now on GLData hands out the newest versions; the list kinds whose data changed since
  // the last call (a GLNameList made before keeps what it has).
  virtual std::vector<long> TakeChanges() = 0;
  // Looks for changes committed to the ledger and waits until they are applied.
  virtual void CatchUp() = 0;

  // Has seen called with every error the host's requests meet, as it is raised (before a
  // caller may absorb it); nothing to stop.
  virtual void OnFault(std::function<void(const std::exception&)> seen) = 0;
  // A person's action (a key, a box entered or left) begins: a fault that passes (a locked
  // file, a server lost or silent) is then waited for once in an action, the action's later
  // requests failing at once with it.
  virtual void BeginAction() = 0;

  // Stops reading at once and waits for the background at most `wait`: true once it ended.
  virtual bool Stop(std::chrono::milliseconds wait) = 0;
};

// The live side of data, sharing its ownership; null when data has none.
inline std::shared_ptr<LiveData> LiveDataOf(const std::shared_ptr<GLData>& data) {
  LiveData* live = data ? data->Live() : nullptr;
  return live ? std::shared_ptr<LiveData>(data, live) : nullptr;
}

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_LIVE_DATA_H_
