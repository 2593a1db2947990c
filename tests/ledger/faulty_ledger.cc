#include "tests/ledger/faulty_ledger.h"

#include <utility>

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

FaultyLedger::FaultyLedger(std::unique_ptr<LedgerDb> real, std::shared_ptr<FaultPlan> plan)
    : real_(std::move(real)), plan_(std::move(plan)) {}

bool FaultyLedger::Fails(const std::string& call) {
  long number = ++plan_->calls;
  plan_->Note(call);
  if (number != plan_->fail_at) return false;
  ++plan_->injected;
  if (plan_->mode == FaultPlan::Mode::kDrop && plan_->drop) plan_->drop();
  return true;
}

void FaultyLedger::Raise(const std::string& call) {
  const char* said = plan_->fault == Fault::kLocked ? "database is locked"
                     : plan_->fault == Fault::kLost
                         ? "server closed the connection unexpectedly (injected)"
                         : "injected fault";
  throw ReadError(real_->name(), "cannot read", plan_->fault,
                  std::string("injected at ") + call + ": " + said, said);
}

void FaultyLedger::Lookup(std::string_view sql, std::initializer_list<SqlValue> values,
                          const OnRow& on_row) {
  const std::string call = "Lookup " + std::string(sql);
  if (Fails(call) && plan_->mode != FaultPlan::Mode::kDrop) Raise(call);
  real_->Lookup(sql, values, on_row);
}

void FaultyLedger::Load(std::string_view sql, std::initializer_list<SqlValue> values,
                        const OnRow& on_row) {
  const std::string call = "Load " + std::string(sql);
  if (!Fails(call)) return real_->Load(sql, values, on_row);
  switch (plan_->mode) {
    case FaultPlan::Mode::kFail:
      Raise(call);
    case FaultPlan::Mode::kDrop:
      return real_->Load(sql, values, on_row);
    case FaultPlan::Mode::kCut: {
      // The rows, counted first, then half of them handed on before the fault.
      long rows = 0;
      real_->Load(sql, values, [&](const ResultRow&) { ++rows; });
      long handed = 0;
      real_->Load(sql, values, [&](const ResultRow& row) {
        if (handed++ >= rows / 2) Raise(call);
        on_row(row);
      });
      Raise(call);
    }
  }
}

TableShape FaultyLedger::ShapeOf(std::string_view table) {
  const std::string call = "ShapeOf " + std::string(table);
  if (Fails(call) && plan_->mode != FaultPlan::Mode::kDrop) Raise(call);
  return real_->ShapeOf(table);
}

std::string FaultyLedger::Identity() {
  if (Fails("Identity") && plan_->mode != FaultPlan::Mode::kDrop) Raise("Identity");
  return real_->Identity();
}

std::optional<LedgerStamp> FaultyLedger::Stamp() {
  if (Fails("Stamp") && plan_->mode != FaultPlan::Mode::kDrop) Raise("Stamp");
  return real_->Stamp();
}

std::unique_ptr<LedgerDb> OpenFaultyLedger(const std::string& location,
                                           std::shared_ptr<FaultPlan> plan,
                                           const LedgerLimits& limits) {
  auto db = std::make_unique<FaultyLedger>(OpenUncheckedLedger(location, limits), std::move(plan));
  CheckLedgerSchema(*db);
  return db;
}

}  // namespace glnamelist::ledger
