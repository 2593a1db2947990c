// The faults the host's requests meet: each told to whoever watches as it is raised, and a
// fault that passes held for the rest of a person's action, so that the action's later reads
// fail at once with it rather than each waiting for it again.
#ifndef GLNAMELIST_LEDGER_SERVICE_FAULT_GATE_H_
#define GLNAMELIST_LEDGER_SERVICE_FAULT_GATE_H_

#include <exception>
#include <functional>
#include <optional>
#include <utility>

#include "ledger/db/ledger_error.h"

namespace glnamelist::ledger {

// Used on the host's thread only.
class FaultGate {
 public:
  // seen is called with every fault met from now on (nothing: none is told).
  void OnFault(std::function<void(const std::exception&)> seen) { seen_ = std::move(seen); }
  // An action begins: what the last one held is let go. Until the host first calls this, no
  // fault is held.
  void BeginAction();
  // Raises the fault held in this action, if any.
  void ThrowHeld() const;
  // A read met e: told, and held when it passes and the host tells of its actions.
  void Met(const LedgerError& e);
  // Tells of e.
  void Report(const std::exception& e) const;

 private:
  std::function<void(const std::exception&)> seen_;
  bool actions_ = false;
  std::optional<LedgerError> held_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SERVICE_FAULT_GATE_H_
