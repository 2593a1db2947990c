#include "apps/voucher/waited_keeper.h"

#include <utility>

#include "ledger/db/ledger_error.h"

namespace glnamelist::voucher {

WaitedKeeper::WaitedKeeper(std::shared_ptr<VoucherKeeper> keeper,
                           std::shared_ptr<ReadWaiter> waiter, std::string ledger, bool server)
    : keeper_(std::move(keeper)),
      waiter_(std::move(waiter)),
      ledger_(std::move(ledger)),
      saves_([this] { keeper_->Stop(true); }) {
  saves_.Use(waiter_);
  saves_.pending() = {0, false, server, true};
}

void WaitedKeeper::Save(Voucher& voucher) {
  if (waiter_->GivingUp()) {
    throw ledger::LedgerError(ledger::Fault::kAbandoned, ledger_,
                              "Ledger " + ledger_ + ": the save was given up before it began",
                              "abandoned");
  }
  // The keeper's other calls work again once the save has ended, stopped or not.
  struct Resumed {
    VoucherKeeper& keeper;
    ~Resumed() { keeper.Stop(false); }
  } resumed{*keeper_};
  Voucher saving = voucher;  // the form's voucher stays as it was unless it is saved
  try {
    saves_.Run(ledger_, [&] { keeper_->Save(saving); });
  } catch (const ledger::LedgerError& e) {
    if (e.fault() == ledger::Fault::kAbandoned) throw SaveUnsettled(e);
    throw;
  }
  voucher = std::move(saving);
}

}  // namespace glnamelist::voucher
