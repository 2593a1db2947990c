// The master sets the ledger's data service serves, described once: the table each is read
// from (which the change log names its rows by), its key, the columns read and the fields
// they become, its name in a snapshot, and the lists that show it or wait for it; and
// SetKey, the typed name of one set (a kind, with the item class for a class's sets).
#ifndef GLNAMELIST_LEDGER_SERVICE_SET_CATALOGUE_H_
#define GLNAMELIST_LEDGER_SERVICE_SET_CATALOGUE_H_

#include <compare>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "recordset/table_builder.h"

namespace glnamelist::ledger {

// The fields of the account set, and of item and SubMes records, as the service loads them.
const std::vector<recordset::Column>& AccountColumns();
const std::vector<recordset::Column>& TreeColumns();

// The kinds of sets, in the catalogue's order: the master sets, each read whole, then the
// sets of one item class.
enum class SetKind {
  kExplanations,
  kAccounts,
  kCurrencies,
  kItemClasses,
  kUnitGroups,
  kSettleTypes,
  kItems,
  kSubMes,
};
inline constexpr size_t kSetKinds = static_cast<size_t>(SetKind::kSubMes) + 1;

struct SetKey {
  SetKind kind;
  long item_class = 0;  // kItems and kSubMes: the class; 0 otherwise
  auto operator<=>(const SetKey&) const = default;
};

struct SetDescription {
  SetKind kind;
  std::string_view table;   // read from; the change log names the rows changed by it too
  std::string_view fields;  // the columns read, in the order of columns()
  const std::vector<recordset::Column>& (*columns)();
  std::string_view key;            // the field of a row's id
  std::string_view of_class;       // the column of the class a set is of; empty: a master set
  bool sorted_by_name;             // ranked by name for sorting, besides its codes and names
  std::string_view snapshot_name;  // a master set's, or "<name>/<class>" for a class's
  long listed_by;                  // the list kind that lists it
  std::vector<long> waiting;       // the list kinds whose lists wait for it, read ahead
};

// Every kind of set, in SetKind order.
const std::vector<SetDescription>& SetCatalogue();
const SetDescription& Describe(SetKind kind);
inline const SetDescription& Describe(const SetKey& key) { return Describe(key.kind); }

// The master sets, in catalogue order.
const std::vector<SetKey>& MasterSets();
// The master set lists of this kind wait for when it is read ahead; none for other kinds.
std::optional<SetKey> SetWaitedForBy(long list_kind);
// The set's name in a snapshot.
std::string SnapshotName(const SetKey& key);
// The look-up structures built for the set.
recordset::LookupColumns LookupColumnsOf(const SetKey& key);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SERVICE_SET_CATALOGUE_H_
