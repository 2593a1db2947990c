// A keeper whose saves the form waits for visibly: the save runs on a thread of its own
// while the form's thread, after a short while, shows through its ReadWaiter that a voucher
// is being saved, keeps the keys typed meanwhile, and may give the wait up. A save given up
// is stopped (its transaction undone, unless the ledger had taken its commit already) and
// has ended before Save returns, so that the next save never meets it; its outcome is then
// unknown (SaveUnsettled), and the next save of the voucher settles it by the voucher's uid.
// What an account is kept by is waited for alike, as a look-up of the account.
#ifndef GLNAMELIST_APPS_VOUCHER_WAITED_KEEPER_H_
#define GLNAMELIST_APPS_VOUCHER_WAITED_KEEPER_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/voucher/voucher_keeper.h"
#include "contracts/live_data.h"
#include "ledger/service/waited_reads.h"

namespace glnamelist::voucher {

class WaitedKeeper : public VoucherKeeper {
 public:
  // Saves through keeper, waited for by waiter; ledger names the ledger in messages, server
  // tells the waiter where it is.
  WaitedKeeper(std::shared_ptr<VoucherKeeper> keeper, std::shared_ptr<ReadWaiter> waiter,
               std::string ledger, bool server);

  // As keeper's; a save given up in its wait: SaveUnsettled of Fault::kAbandoned. While the
  // waiter gives every request up, the save is not begun: Fault::kAbandoned, nothing sent.
  void Save(Voucher& voucher) override;

  std::optional<Voucher> Open(const std::string& word, const std::string& month,
                              long number) override {
    return keeper_->Open(word, month, number);
  }
  std::vector<std::string> Words() override { return keeper_->Words(); }
  std::optional<std::string> Rate(const std::string& currency, const std::string& date) override {
    return keeper_->Rate(currency, date);
  }
  // As keeper's, waited for as a look-up of an account: given up, Fault::kAbandoned.
  KeptBy Kept(const std::string& account) override;
  std::string Preparer() override { return keeper_->Preparer(); }
  bool Stored(const std::string& uid) override { return keeper_->Stored(uid); }
  std::string Notice() override { return keeper_->Notice(); }
  std::vector<VoucherSummary> List(const VoucherFilter& filter) override {
    return keeper_->List(filter);
  }
  void Void(Voucher& voucher) override { keeper_->Void(voucher); }
  void Delete(const Voucher& voucher) override { keeper_->Delete(voucher); }
  void SaveTemplate(const std::string& name, const Voucher& voucher) override {
    keeper_->SaveTemplate(name, voucher);
  }
  std::vector<std::string> Templates() override { return keeper_->Templates(); }
  std::optional<Voucher> FromTemplate(const std::string& name) override {
    return keeper_->FromTemplate(name);
  }

 private:
  // Runs a call of the keeper's through reads.
  void Run(ledger::WaitedReads& reads, const std::function<void()>& call);

  std::shared_ptr<VoucherKeeper> keeper_;
  std::shared_ptr<ReadWaiter> waiter_;
  std::string ledger_;
  ledger::WaitedReads saves_;
  ledger::WaitedReads lookups_;  // what an account is kept by
};

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_WAITED_KEEPER_H_
