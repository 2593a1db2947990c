// What the service has handed the host's thread, kept so that each is read once: the master
// sets, each class's items and their filtered and sorted shapes, the SubMes source of each
// class and the units of each group; new versions take the place of the old ones when the
// host takes the changes. Used on the host's thread only.
#ifndef GLNAMELIST_LEDGER_SERVICE_HANDED_SETS_H_
#define GLNAMELIST_LEDGER_SERVICE_HANDED_SETS_H_

#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "contracts/data_service.h"
#include "ledger/service/set_catalogue.h"

namespace glnamelist::ledger {

class HandedSets {
 public:
  // A class's items with a filter and a sort.
  using ItemShape = std::tuple<long, std::string, std::string>;

  // Each gives what was handed before, or what make gives (kept, even when null); an error
  // of make keeps nothing.
  RecordsetPtr Master(SetKind kind, const std::function<RecordsetPtr()>& make);
  RecordsetPtr Items(long item_class, const std::function<RecordsetPtr()>& make);
  RecordsetPtr Shape(const ItemShape& shape, const std::function<RecordsetPtr()>& make);
  RecordSourcePtr SubMes(long item_class, const std::function<RecordSourcePtr()>& make);
  UnitSetPtr Units(long unit_group, const std::function<UnitSetPtr()>& make);
  // Whether the master set was handed.
  bool Handed(SetKind kind) const { return masters_.contains(kind); }

  // A new version of a set: what was handed of it is handed in its place from now on.
  void Swap(const SetKey& key, const RecordsetPtr& rs);
  // The units of these groups (all when told) are read again when next asked for.
  void UnitsChanged(const std::set<long>& unit_groups, bool all);

 private:
  std::map<SetKind, RecordsetPtr> masters_;
  std::map<long, RecordsetPtr> items_;
  std::map<ItemShape, RecordsetPtr> shapes_;
  std::map<long, RecordSourcePtr> submes_;
  std::map<long, UnitSetPtr> units_;
};

// The record source of a SubMes table: none when it has no rows.
RecordSourcePtr SubMesSource(const RecordsetPtr& table);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SERVICE_HANDED_SETS_H_
