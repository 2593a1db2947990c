#include "ledger/service/fault_gate.h"

namespace glnamelist::ledger {

void FaultGate::BeginAction() {
  actions_ = true;
  held_.reset();
}

void FaultGate::ThrowHeld() const {
  if (held_) throw *held_;
}

void FaultGate::Met(const LedgerError& e) {
  if (actions_ && Passing(e.fault())) held_ = e;
  Report(e);
}

void FaultGate::Report(const std::exception& e) const {
  if (seen_) seen_(e);
}

}  // namespace glnamelist::ledger
