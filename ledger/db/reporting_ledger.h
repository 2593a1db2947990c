// A ledger whose owner sees each of its reads: the data service's, which tells the host of
// the failures its thread meets and holds a passing fault for the rest of an action.
#ifndef GLNAMELIST_LEDGER_DB_REPORTING_LEDGER_H_
#define GLNAMELIST_LEDGER_DB_REPORTING_LEDGER_H_

#include <functional>
#include <memory>

#include "ledger/db/forwarding_ledger.h"

namespace glnamelist::ledger {

class ReportingLedger final : public ForwardingLedger {
 public:
  // Runs a read (every member but name, Interrupt and Watch): may refuse it, and may tell
  // of its failure before letting the failure go on.
  using Report = std::function<void(const std::function<void()>& read)>;

  ReportingLedger(std::unique_ptr<LedgerDb> inner, Report report)
      : ForwardingLedger(std::move(inner)), report_(std::move(report)) {}

 private:
  void Pass(const Read& read, const std::function<void(LedgerDb&)>& call) override {
    report_([&] { ForwardingLedger::Pass(read, call); });
  }

  Report report_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_DB_REPORTING_LEDGER_H_
