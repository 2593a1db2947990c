// A ledger that fails where a test says, in the spirit of LevelDB's fault-injection
// environment: a decorator of a real LedgerDb that counts the database calls made through it
// (every read the forwarding base passes on: Lookup, Load, ShapeOf, ShapesOf, MetaValue,
// Identity, Stamp; Together only groups reads counted themselves) and makes the one a plan
// names fail: by raising the error the database would raise there, by cutting a load short
// after some of its rows, by dropping the server's connection just before the call goes
// on to the real ledger, or by holding the call, as a server that does not answer would,
// until the test lets it go on.
#ifndef GLNAMELIST_TESTS_LEDGER_FAULTY_LEDGER_H_
#define GLNAMELIST_TESTS_LEDGER_FAULTY_LEDGER_H_

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ledger/db/forwarding_ledger.h"
#include "ledger/db/ledger_error.h"

namespace glnamelist::ledger {

// Where and how the ledger fails; shared by the test and the ledger, read on every call
// (from any thread).
struct FaultPlan {
  enum class Mode {
    kFail,  // the call raises `fault` without reaching the ledger
    kCut,   // a load hands on half its rows, then raises `fault`; other calls as kFail
    kDrop,  // `drop` cuts the real connection, then the call goes on and meets the loss
    kHold,  // the call waits until Release, then goes on; interrupted, it raises kStopped
  };
  std::atomic<long> fail_at = 0;  // the 1-based number of the call to fail; 0: none
  Mode mode = Mode::kFail;
  Fault fault = Fault::kLost;
  std::function<void()> drop;

  std::atomic<long> calls = 0;     // the calls made so far
  std::atomic<long> injected = 0;  // the faults made so far
  // What each call was ("Load SELECT ..."), in order.
  std::vector<std::string> Log() const;
  void Note(std::string call);

  // kHold: true once a call is held (waited for at most a minute).
  bool AwaitHeld();
  // kHold: the held call goes on.
  void Release();
  // The ledger's side of kHold: holds the call until released (true) or interrupted.
  bool Hold(const std::atomic<bool>& interrupted);
  void Interrupted();

 private:
  mutable std::mutex mutex_;
  std::condition_variable held_cv_;
  long held_ = 0;      // calls held so far
  long released_ = 0;  // of them, let go on
  std::vector<std::string> log_;
};

class FaultyLedger final : public ForwardingLedger {
 public:
  FaultyLedger(std::unique_ptr<LedgerDb> real, std::shared_ptr<FaultPlan> plan);

  void Load(std::string_view sql, std::initializer_list<SqlValue> values,
            const OnRow& on_row) override;
  // Watches nothing: the calls counted are those of the run scripted, in their order.
  void Watch(std::function<void(bool seen)>) override {}
  // And ends a held call.
  void Interrupt() override;

 private:
  void Pass(const Read& read, const std::function<void(LedgerDb&)>& call) override;
  // Counts the call; true when it is the one to fail (then, for kDrop, the connection is
  // cut already and the call goes on).
  bool Fails(const std::string& call);
  [[noreturn]] void Raise(const std::string& call);

  std::shared_ptr<FaultPlan> plan_;
  std::atomic<bool> interrupted_ = false;
};

// Opens location (OpenUncheckedLedger) behind a FaultyLedger and checks it is a ledger through
// the wrapper, so that the check's calls are counted and may fail too.
std::unique_ptr<LedgerDb> OpenFaultyLedger(const std::string& location,
                                           std::shared_ptr<FaultPlan> plan,
                                           const LedgerLimits& limits = {});

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_TESTS_LEDGER_FAULTY_LEDGER_H_
