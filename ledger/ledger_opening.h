// A ledger opened on a thread of its own, so that a form can appear while a server accepts
// the connection.
#ifndef GLNAMELIST_LEDGER_LEDGER_OPENING_H_
#define GLNAMELIST_LEDGER_LEDGER_OPENING_H_

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ledger/db/ledger_db.h"
#include "ledger/db/ledger_error.h"

namespace glnamelist::ledger {

// Opens the ledger at location (OpenLedger) on a thread of its own as it is made. Every call
// waits for that opening and then goes to the ledger opened; when the opening fails, the
// calls waiting for it fail with its error, and the next call opens again (waiting for that
// opening in turn). Interrupt ends the waits at once (Fault::kStopped); an opening still in
// progress then ends on its thread within the connection's limits, and what it opened is
// closed there.
class OpeningLedger final : public LedgerDb {
 public:
  explicit OpeningLedger(std::string location, const LedgerLimits& limits = {});
  ~OpeningLedger() override;

  // The opened ledger's name; until it is open, the location as it may be shown.
  const std::string& name() const override;

  // Waits for the opening: the ledger opened, or the opening's error.
  LedgerDb& Opened();
  // Waits for the opening in progress at most `wait`: whether it has ended (opened or
  // failed).
  bool Settled(std::chrono::milliseconds wait);
  // The error of the last opening that failed, while none has succeeded since (and while
  // the next one is in progress).
  std::optional<LedgerError> Failure() const;

  using LedgerDb::Lookup;
  void Lookup(std::string_view sql, std::span<const SqlValue> values,
              const OnRow& on_row) override {
    Opened().Lookup(sql, values, on_row);
  }
  void Load(std::string_view sql, std::initializer_list<SqlValue> values,
            const OnRow& on_row) override {
    Opened().Load(sql, values, on_row);
  }
  TableShape ShapeOf(std::string_view table) override { return Opened().ShapeOf(table); }
  std::vector<TableShape> ShapesOf(const std::vector<std::string_view>& tables) override {
    return Opened().ShapesOf(tables);
  }
  std::optional<std::string> MetaValue(std::string_view key) override {
    return Opened().MetaValue(key);
  }
  void Interrupt() override;
  std::string Identity() override { return Opened().Identity(); }
  std::optional<LedgerStamp> Stamp() override { return Opened().Stamp(); }
  void Together(const std::function<void()>& reads) override { Opened().Together(reads); }
  void Watch(std::function<void(bool seen)> seen) override { Opened().Watch(std::move(seen)); }

 private:
  struct Attempt;
  // Starts an opening on a thread of its own.
  std::shared_ptr<Attempt> Start();
  // Joins the attempt's thread once it has ended (what the thread kept, a TLS library's
  // data too, released by then); lets it go to end on its own otherwise.
  static void Release(Attempt& attempt);

  const std::string location_;
  const std::string shown_;
  const LedgerLimits limits_;
  mutable std::mutex mutex_;
  std::shared_ptr<Attempt> attempt_;    // the opening in progress, or the last one
  std::optional<LedgerError> failure_;  // of the attempt before, when it failed
  std::unique_ptr<LedgerDb> db_;        // once opened
  std::atomic<LedgerDb*> opened_ = nullptr;
  bool stopped_ = false;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_LEDGER_OPENING_H_
