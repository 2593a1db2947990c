// Where a voucher form's tests keep the vouchers they save: in memory, numbered per voucher
// word and month from 1, each save a new version; a new voucher whose uid is kept already is
// not kept again. A refusal set beforehand is thrown by the next save instead (someone
// else's change), and nothing is kept then; with answer_lost, the next save is kept and
// SaveUnsettled thrown (its answer lost). With hold, the next save waits (AwaitHeld sees it)
// before it keeps the voucher (kBefore) or after (kAfter, its answer held) until Release,
// or until Stop(true), which fails it, and every save until Stop(false), as stopped. A new voucher
// is prepared by preparer; a currency has the rate of rates on any date.
#ifndef GLNAMELIST_TESTS_FAKES_FAKE_VOUCHER_KEEPER_H_
#define GLNAMELIST_TESTS_FAKES_FAKE_VOUCHER_KEEPER_H_

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "apps/voucher/voucher_keeper.h"

namespace glnamelist::fakes {

class FakeVoucherKeeper : public voucher::VoucherKeeper {
 public:
  void Save(voucher::Voucher& v) override {
    if (refusal) throw *std::exchange(refusal, std::nullopt);
    Held(Hold::kBefore);
    for (const auto& [id, kept] : saved) {
      if (v.id == 0 && !v.uid.empty() && kept.uid == v.uid) return void(v = kept);
    }
    const voucher::Voucher asked = v;
    if (v.id == 0 && v.preparer.empty()) v.preparer = preparer;
    if (v.id == 0) {
      v.id = static_cast<long>(saved.size()) + 1;
      v.number = ++last_number[v.word + v.date.substr(0, 7)];
    }
    ++v.version;
    saved[v.id] = v;
    Held(Hold::kAfter);
    if (std::exchange(answer_lost, false)) {
      v = asked;
      throw voucher::SaveUnsettled(
          ledger::LedgerError(ledger::Fault::kNoAnswer, "ledger", "no answer", "no answer"));
    }
  }
  std::optional<voucher::Voucher> Open(const std::string& word, const std::string& month,
                                       long number) override {
    for (const auto& [id, v] : saved) {
      if (v.word == word && v.date.substr(0, 7) == month && v.number == number) return v;
    }
    return std::nullopt;
  }

  std::optional<std::string> Rate(const std::string& currency, const std::string&) override {
    auto at = rates.find(currency);
    return at == rates.end() ? std::nullopt : std::optional(at->second);
  }
  voucher::KeptBy Kept(const std::string& account) override {
    auto at = kept.find(account);
    return at == kept.end() ? voucher::KeptBy{} : at->second;
  }
  std::string Preparer() override { return preparer; }
  bool Stored(const std::string& uid) override {
    for (const auto& [id, v] : saved) {
      if (v.uid == uid) return true;
    }
    return false;
  }

  void Stop(bool stop) override {
    std::lock_guard lock(mutex_);
    stopped_ = stop;
    changed_.notify_all();
  }
  void Release() {
    std::lock_guard lock(mutex_);
    hold = Hold::kNo;
    changed_.notify_all();
  }
  // Waits until a save is held.
  void AwaitHeld() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return held_; });
  }

  std::map<long, voucher::Voucher> saved;       // by id
  std::map<std::string, std::string> rates;     // by currency, whatever the date
  std::map<std::string, voucher::KeptBy> kept;  // by account
  std::string preparer = "会计甲";
  std::optional<voucher::VoucherRefused> refusal;
  bool answer_lost = false;
  enum class Hold { kNo, kBefore, kAfter } hold = Hold::kNo;

 private:
  void Held(Hold at) {
    std::unique_lock lock(mutex_);
    if (stopped_)
      throw ledger::LedgerError(ledger::Fault::kStopped, "ledger", "stopped", "stopped");
    if (hold != at) return;
    held_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return stopped_ || hold == Hold::kNo; });
    held_ = false;
    if (stopped_)
      throw ledger::LedgerError(ledger::Fault::kStopped, "ledger", "stopped", "stopped");
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
  bool stopped_ = false;
  std::map<std::string, long> last_number;
};

}  // namespace glnamelist::fakes

#endif  // GLNAMELIST_TESTS_FAKES_FAKE_VOUCHER_KEEPER_H_
