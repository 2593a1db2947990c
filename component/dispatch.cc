#include "component/dispatch.h"

#include "component/gl_name_list.h"
#include "component/message_handling.h"
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
bool ValidKind(long kind) {
  return kind >= 1 && kind < static_cast<long>(kProviderFactories.size());
}
}  // namespace

void Dispatcher::ShowList(NameListState& s) {
  try {
    double elapsed = static_cast<double>(Env().Timer()) - last_list_time_;
    if (elapsed >= 0 && elapsed < GLNameList::kRepeatSeconds) return;
    if (IsWindowEditable(Require(s.text_box).hWnd())) {
      if (Provider* p = ProviderFor(s.name_list_type)) p->List(s);
    }
  } catch (...) {
    // A listing that fails ends silently.
  }
  try {
    last_list_time_ = Env().Timer();
  } catch (...) {
    // No clock: the last time stays.
  }
}

void Dispatcher::SearchList(NameListState& s) {
  if (!IsWindowEditable(Require(s.text_box).hWnd())) return;
  if (Provider* p = ProviderFor(s.name_list_type)) p->Search(s);
}

void Dispatcher::ReleaseProviders() {
  for (ProviderPtr& p : providers_) p.reset();
}

Provider* Dispatcher::ProviderFor(long kind) {
  if (!ValidKind(kind)) return nullptr;
  auto i = static_cast<size_t>(kind);
  if (!providers_[i]) {
    if (source_) {
      providers_[i] = source_(kind);
    } else if (kProviderFactories[i]) {
      providers_[i] = kProviderFactories[i]();
    }
  }
  return providers_[i].get();
}

}  // namespace glnamelist
