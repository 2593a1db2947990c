// The one base of the LedgerDb decorators: a ledger over another that forwards every member
// to it, each read through one hook (Pass), so that a decorator writes only what it changes
// and a member added to LedgerDb reaches every decorator at once.
#ifndef GLNAMELIST_LEDGER_DB_FORWARDING_LEDGER_H_
#define GLNAMELIST_LEDGER_DB_FORWARDING_LEDGER_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/api.h"
#include "ledger/db/ledger_db.h"

namespace glnamelist::ledger {

class GLNAMELIST_INTERNAL ForwardingLedger : public LedgerDb {
 public:
  explicit ForwardingLedger(std::unique_ptr<LedgerDb> inner) : inner_(std::move(inner)) {}

  const std::string& name() const override { return inner_->name(); }
  using LedgerDb::Lookup;
  void Lookup(std::string_view sql, std::span<const SqlValue> values, const OnRow& on_row) override;
  void Load(std::string_view sql, std::initializer_list<SqlValue> values,
            const OnRow& on_row) override;
  TableShape ShapeOf(std::string_view table) override;
  std::vector<TableShape> ShapesOf(const std::vector<std::string_view>& tables) override;
  std::optional<std::string> MetaValue(std::string_view key) override;
  void Interrupt() override { inner_->Interrupt(); }
  std::string Identity() override;
  std::optional<LedgerStamp> Stamp() override;
  void Together(const std::function<void()>& reads) override;
  void Watch(std::function<void(bool seen)> seen) override { inner_->Watch(std::move(seen)); }

 protected:
  // A read on its way to the inner ledger: the member ("Load") and what it reads (its SQL,
  // its tables, its key; empty for Identity and Stamp).
  struct Read {
    std::string_view member;
    std::string_view what;
  };
  // Makes the read: call runs it on the ledger given. Every member but name, Interrupt and
  // Watch comes here; by default it runs on the inner ledger.
  virtual void Pass(const Read& read, const std::function<void(LedgerDb&)>& call);

  // For a decorator that chooses the ledger of each read itself: it overrides Pass, name,
  // Interrupt and Watch.
  ForwardingLedger() = default;
  LedgerDb& inner() const { return *inner_; }

 private:
  std::unique_ptr<LedgerDb> inner_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_DB_FORWARDING_LEDGER_H_
