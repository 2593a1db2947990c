// What a data service over a live ledger offers a host beyond GLData, when it has it: the
// ledger opened while the form appears, the sets read ahead in the background, the new
// versions of master data that others change while the form runs, the faults a person's
// action meets, and stopping as the program closes. A host asks the data service for it
// (LiveDataOf); a data service without it (a test's fake, say) answers nothing, and the host
// then reads through GLData alone.
//
// List kinds are the values of GLNameListTypes (contracts/list_kinds.h). Everything is
// called on the host's thread, except ChangesWaiting (any thread).
//
// A request of the host's thread that waits for the ledger (a server that does not answer, a
// file another program holds locked) may be waited for by the host (ReadWaiter): the request
// then runs on a thread of its own, and the host's thread, after a short while, shows that it
// waits, takes the keys typed meanwhile, and may give the request up.
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

// What a request of the host's thread is waiting for.
struct PendingRead {
  // The list kind whose data it reads; 0 for the ledger itself (its opening, its stamp).
  long kind = 0;
  // A code looked up, rather than a list read.
  bool lookup = false;
  // The ledger is on a server (else a file).
  bool server = false;
  // A voucher being saved, rather than data read.
  bool save = false;
};

// What a host does while a request of its thread waits for the ledger.
class GLNAMELIST_API ReadWaiter {
 public:
  virtual ~ReadWaiter() = default;
  // True while every request is to be given up before it is made (the form closing): each
  // then fails at once, as a given up one does.
  virtual bool GivingUp() = 0;
  // Called on the host's thread once a request has waited kQuietWait. Waits until it is
  // answered: answered(slice) waits for it at most slice and tells whether it was. True once
  // it was; false when the person gives it up: the request is interrupted and fails with the
  // ledger's fault "abandoned", as do the action's later requests (see BeginAction).
  virtual bool Wait(const PendingRead& read,
                    const std::function<bool(std::chrono::milliseconds)>& answered) = 0;
  static constexpr std::chrono::milliseconds kQuietWait{300};
};

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
  // How many of the host's requests the ledger has answered so far: a host tells by it
  // whether an action reached the ledger or was answered from what was read before.
  virtual long Answers() const { return 0; }

  // From now on the host's requests are waited for by waiter (none: they hold the host's
  // thread until they end, each within the ledger's own time limits).
  virtual void WaitWith(std::shared_ptr<ReadWaiter> waiter) = 0;

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
