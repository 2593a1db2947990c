#include "ledger/list_preload.h"

#include <memory>
#include <optional>

#include "contracts/list_kinds.h"
#include "ledger/ledger_service.h"

namespace glnamelist::ledger {
namespace {

std::optional<MasterSet> SetOfList(long kind) {
  switch (kind) {
    case nlVchExp:
      return MasterSet::kExplanations;
    case nlAccount:
      return MasterSet::kAccounts;
    case nlCurrency:
      return MasterSet::kCurrencies;
    case nlItemClass:
    case nlItem:
    case nlSubMes:
      return MasterSet::kItemClasses;
    case nlUnitGroup:
    case nlUnit:
      return MasterSet::kUnitGroups;
    case nlSettleType:
      return MasterSet::kSettleTypes;
    default:
      return std::nullopt;
  }
}

}  // namespace

ListReady PreloadLists(const GLDataPtr& data, const std::vector<long>& kinds) {
  auto service = std::dynamic_pointer_cast<LedgerService>(data);
  if (!service) return [](long) { return true; };
  std::vector<MasterSet> order;
  for (long kind : kinds) {
    if (std::optional<MasterSet> set = SetOfList(kind)) order.push_back(*set);
  }
  service->Preload(order);
  return [service](long kind) {
    std::optional<MasterSet> set = SetOfList(kind);
    if (!set) return true;
    service->Preload({*set});  // read again when a read failed and its error was reported
    if (!service->Ready(*set)) return false;
    service->Take(*set);  // a failed read's error goes to the list that waited for it
    return true;
  };
}

}  // namespace glnamelist::ledger
