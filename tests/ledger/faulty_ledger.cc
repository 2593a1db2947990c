#include "tests/ledger/faulty_ledger.h"

#include <utility>

#include "ledger/ledger_at.h"
#include "ledger/ledger_schema.h"

namespace glnamelist::ledger {

std::vector<std::string> FaultPlan::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void FaultPlan::Note(std::string call) {
  std::lock_guard lock(mutex_);
  log_.push_back(std::move(call));
}

bool FaultPlan::AwaitHeld() {
  std::unique_lock lock(mutex_);
  return held_cv_.wait_for(lock, std::chrono::minutes(1), [this] { return held_ > released_; });
}

void FaultPlan::Release() {
  std::lock_guard lock(mutex_);
  released_ = held_;
  held_cv_.notify_all();
}

bool FaultPlan::Hold(const std::atomic<bool>& interrupted) {
  std::unique_lock lock(mutex_);
  const long ticket = ++held_;
  held_cv_.notify_all();
  held_cv_.wait(lock, [&] { return released_ >= ticket || interrupted; });
  return !interrupted;
}

void FaultPlan::Interrupted() {
  std::lock_guard lock(mutex_);
  held_cv_.notify_all();
}

FaultyLedger::FaultyLedger(std::unique_ptr<LedgerDb> real, std::shared_ptr<FaultPlan> plan)
    : ForwardingLedger(std::move(real)), plan_(std::move(plan)) {}

bool FaultyLedger::Fails(const std::string& call) {
  long number = ++plan_->calls;
  plan_->Note(call);
  if (number != plan_->fail_at) return false;
  ++plan_->injected;
  if (plan_->mode == FaultPlan::Mode::kDrop && plan_->drop) plan_->drop();
  if (plan_->mode == FaultPlan::Mode::kHold && !plan_->Hold(interrupted_)) {
    throw ReadError(name(), "cannot read", Fault::kStopped, "stopped while held");
  }
  return true;
}

void FaultyLedger::Interrupt() {
  interrupted_ = true;
  plan_->Interrupted();
  ForwardingLedger::Interrupt();
}

void FaultyLedger::Raise(const std::string& call) {
  const char* said = plan_->fault == Fault::kLocked ? "database is locked"
                     : plan_->fault == Fault::kLost
                         ? "server closed the connection unexpectedly (injected)"
                         : "injected fault";
  throw ReadError(name(), "cannot read", plan_->fault,
                  std::string("injected at ") + call + ": " + said, said);
}

void FaultyLedger::Pass(const Read& read, const std::function<void(LedgerDb&)>& call) {
  if (read.member == "Together") return call(inner());
  std::string what(read.member);
  if (!read.what.empty()) what += " " + std::string(read.what);
  if (Fails(what) && plan_->mode != FaultPlan::Mode::kDrop &&
      plan_->mode != FaultPlan::Mode::kHold) {
    Raise(what);
  }
  call(inner());
}

void FaultyLedger::Load(std::string_view sql, std::initializer_list<SqlValue> values,
                        const OnRow& on_row) {
  const std::string call = "Load " + std::string(sql);
  if (!Fails(call)) return inner().Load(sql, values, on_row);
  switch (plan_->mode) {
    case FaultPlan::Mode::kFail:
      Raise(call);
    case FaultPlan::Mode::kDrop:
    case FaultPlan::Mode::kHold:
      return inner().Load(sql, values, on_row);
    case FaultPlan::Mode::kCut: {
      // The rows, counted first, then half of them handed on before the fault.
      long rows = 0;
      inner().Load(sql, values, [&](const ResultRow&) { ++rows; });
      long handed = 0;
      inner().Load(sql, values, [&](const ResultRow& row) {
        if (handed++ >= rows / 2) Raise(call);
        on_row(row);
      });
      Raise(call);
    }
  }
}

std::unique_ptr<LedgerDb> OpenFaultyLedger(const std::string& location,
                                           std::shared_ptr<FaultPlan> plan,
                                           const LedgerLimits& limits) {
  auto db = std::make_unique<FaultyLedger>(OpenUncheckedLedger(location, limits), std::move(plan));
  CheckLedgerSchema(*db);
  return db;
}

}  // namespace glnamelist::ledger
