#include "component/dispatch.h"

#include "component/message_handling.h"
#include "component/require.h"
#include "contracts/environment.h"

namespace glnamelist {

const std::array<ProviderFactory, 11> kProviderFactories = {
    nullptr,                // 0: no kind
    NewAccountProvider,     // nlAccount
    NewCurrencyProvider,    // nlCurrency
    NewItemClassProvider,   // nlItemClass
    NewItemProvider,        // nlItem
    NewUnitGroupProvider,   // nlUnitGroup
    NewUnitProvider,        // nlUnit
    NewVchExpProvider,      // nlVchExp
    NewSubMesProvider,      // nlSubMes
    nullptr,                // nlAsset: no provider
    NewSettleTypeProvider,  // nlSettleType
};

namespace {
constexpr double kRepeatInterval = 0.01;

bool ValidKind(long kind) {
  return kind >= 1 && kind < static_cast<long>(kProviderFactories.size());
}
}  // namespace

void Dispatcher::ShowList(NameListState& s) {
  try {
    double elapsed = static_cast<double>(Env().Timer()) - LastListTime_;
    if (elapsed >= 0 && elapsed < kRepeatInterval) return;
    if (IsWindowEditable(Require(s.TextBox).hWnd())) {
      if (Provider* p = ProviderFor(s.NameListType)) p->List(s);
    }
  } catch (...) {
    // A listing that fails ends silently.
  }
  try {
    LastListTime_ = Env().Timer();
  } catch (...) {
    // No clock: the last time stays.
  }
}

void Dispatcher::SearchList(NameListState& s) {
  if (!IsWindowEditable(Require(s.TextBox).hWnd())) return;
  if (Provider* p = ProviderFor(s.NameListType)) p->Search(s);
}

void Dispatcher::SetProvider(long kind, ProviderPtr p) {
  if (ValidKind(kind)) providers_[static_cast<size_t>(kind)] = std::move(p);
}

void Dispatcher::ReleaseProviders() {
  for (ProviderPtr& p : providers_) p.reset();
}

Provider* Dispatcher::ProviderFor(long kind) {
  if (!ValidKind(kind)) return nullptr;
  auto i = static_cast<size_t>(kind);
  if (!providers_[i] && kProviderFactories[i]) providers_[i] = kProviderFactories[i]();
  return providers_[i].get();
}

}  // namespace glnamelist
