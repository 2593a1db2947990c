#include "ledger/list_preload.h"

#include <memory>
#include <optional>
#include <utility>

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

ListChanges WatchLists(const GLDataPtr& data) {
  auto service = std::dynamic_pointer_cast<LedgerService>(data);
  if (!service) return [] { return std::vector<long>(); };
  return [service] {
    std::vector<long> kinds;
    if (!service->ChangesWaiting()) return kinds;
    const ChangedSets changed = service->TakeChanges();
    static constexpr std::pair<MasterSet, long> kListed[] = {
        {MasterSet::kExplanations, nlVchExp},  {MasterSet::kAccounts, nlAccount},
        {MasterSet::kCurrencies, nlCurrency},  {MasterSet::kItemClasses, nlItemClass},
        {MasterSet::kUnitGroups, nlUnitGroup}, {MasterSet::kSettleTypes, nlSettleType}};
    for (const auto& [set, kind] : kListed) {
      if (changed.sets.contains(set)) kinds.push_back(kind);
    }
    if (!changed.item_classes.empty()) kinds.push_back(nlItem);
    if (!changed.submes_classes.empty()) kinds.push_back(nlSubMes);
    if (!changed.unit_groups.empty() || changed.all_unit_groups) kinds.push_back(nlUnit);
    return kinds;
  };
}

}  // namespace glnamelist::ledger
