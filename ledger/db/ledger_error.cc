#include "ledger/db/ledger_error.h"

namespace glnamelist::ledger {

void RefuseLedger(const std::string& name, Fault fault, const std::string& cause,
                  const std::string& said, long version) {
  throw LedgerError(fault, name, "Cannot open ledger " + name + ": " + cause, cause, said, version);
}

LedgerError ReadError(const std::string& name, const std::string& doing, Fault fault,
                      const std::string& cause, const std::string& said) {
  return LedgerError(fault, name, "Ledger " + name + ": " + doing + ": " + cause, cause, said);
}

Fault FaultOf(const std::exception& e) {
  auto* error = dynamic_cast<const LedgerError*>(&e);
  return error ? error->fault() : Fault::kOther;
}

bool Passing(Fault fault) {
  switch (fault) {
    case Fault::kUnreachable:
    case Fault::kTooManyConnections:
    case Fault::kLost:
    case Fault::kNoAnswer:
    case Fault::kLocked:
    case Fault::kAbandoned:
      return true;
    default:
      return false;
  }
}

}  // namespace glnamelist::ledger
