#include "ledger/service/handed_sets.h"

#include <memory>

#include "ledger/entries.h"

namespace glnamelist::ledger {
namespace {

template <class Key, class Value>
Value Kept(std::map<Key, Value>& kept, const Key& key, const std::function<Value()>& make) {
  auto found = kept.find(key);
  if (found != kept.end()) return found->second;
  return kept.emplace(key, make()).first->second;
}

}  // namespace

RecordSourcePtr SubMesSource(const RecordsetPtr& table) {
  if (table->RecordCount() == 0) return nullptr;
  return std::make_shared<LedgerRecordSource>(table);
}

RecordsetPtr HandedSets::Master(SetKind kind, const std::function<RecordsetPtr()>& make) {
  return Kept(masters_, kind, make);
}

RecordsetPtr HandedSets::Items(long item_class, const std::function<RecordsetPtr()>& make) {
  return Kept(items_, item_class, make);
}

RecordsetPtr HandedSets::Shape(const ItemShape& shape, const std::function<RecordsetPtr()>& make) {
  return Kept(shapes_, shape, make);
}

RecordSourcePtr HandedSets::SubMes(long item_class, const std::function<RecordSourcePtr()>& make) {
  return Kept(submes_, item_class, make);
}

UnitSetPtr HandedSets::Units(long unit_group, const std::function<UnitSetPtr()>& make) {
  return Kept(units_, unit_group, make);
}

void HandedSets::Swap(const SetKey& key, const RecordsetPtr& rs) {
  switch (key.kind) {
    case SetKind::kItems:
      if (items_.contains(key.item_class)) items_[key.item_class] = rs;
      std::erase_if(shapes_,
                    [&](const auto& shape) { return std::get<0>(shape.first) == key.item_class; });
      return;
    case SetKind::kSubMes:
      if (submes_.contains(key.item_class)) submes_[key.item_class] = SubMesSource(rs);
      return;
    default:
      if (masters_.contains(key.kind)) masters_[key.kind] = rs;
  }
}

void HandedSets::UnitsChanged(const std::set<long>& unit_groups, bool all) {
  if (all) {
    units_.clear();
  } else {
    for (long group : unit_groups) units_.erase(group);
  }
}

}  // namespace glnamelist::ledger
