#include "apps/voucher/waited_keeper.h"

#include <utility>

#include "contracts/list_kinds.h"
#include "ledger/db/ledger_error.h"

namespace glnamelist::voucher {

WaitedKeeper::WaitedKeeper(std::shared_ptr<VoucherKeeper> keeper,
                           std::shared_ptr<ReadWaiter> waiter, std::string ledger, bool server)
    : keeper_(std::move(keeper)),
      waiter_(std::move(waiter)),
      ledger_(std::move(ledger)),
      saves_([this] { keeper_->Stop(true); }),
      lookups_([this] { keeper_->Stop(true); }) {
  saves_.Use(waiter_);
  saves_.pending() = {0, false, server, true};
  lookups_.Use(waiter_);
  lookups_.pending() = {nlAccount, true, server, false};
}

void WaitedKeeper::Run(ledger::WaitedReads& reads, const std::function<void()>& call) {
  // The keeper's other calls work again once this one has ended, stopped or not.
  struct Resumed {
    VoucherKeeper& keeper;
    ~Resumed() { keeper.Stop(false); }
  } resumed{*keeper_};
  reads.Run(ledger_, call);
}

KeptBy WaitedKeeper::Kept(const std::string& account) {
  KeptBy kept;
  Run(lookups_, [&] { kept = keeper_->Kept(account); });
  return kept;
}

void WaitedKeeper::Save(Voucher& voucher) {
  if (waiter_->GivingUp()) {
    throw ledger::LedgerError(ledger::Fault::kAbandoned, ledger_,
                              "Ledger " + ledger_ + ": the save was given up before it began",
                              "abandoned");
  }
  Voucher saving = voucher;  // the form's voucher stays as it was unless it is saved
  try {
    Run(saves_, [&] { keeper_->Save(saving); });
  } catch (const ledger::LedgerError& e) {
    if (e.fault() == ledger::Fault::kAbandoned) throw SaveUnsettled(e);
    throw;
  }
  voucher = std::move(saving);
}

}  // namespace glnamelist::voucher
