// Entries the data service returns for one code: accounts, items and SubMes entries.
#ifndef GLNAMELIST_CONTRACTS_ENTRIES_H_
#define GLNAMELIST_CONTRACTS_ENTRIES_H_

#include <memory>
#include <string>

#include "contracts/api.h"
#include "contracts/object.h"

namespace glnamelist {

// Any coded entry: its code.
class GLNAMELIST_API Entry : public Object {
 public:
  virtual std::string Number() const = 0;
};

// An account or an item: its code and whether it is a detail (leaf) entry.
class GLNAMELIST_API DetailEntry : public Entry {
 public:
  virtual bool Detail() const = 0;
};

class AccountEntry : public DetailEntry {};
class ItemEntry : public DetailEntry {};
class SubMesEntry : public Entry {};

using EntryPtr = std::shared_ptr<Entry>;
using AccountEntryPtr = std::shared_ptr<AccountEntry>;
using ItemEntryPtr = std::shared_ptr<ItemEntry>;
using SubMesEntryPtr = std::shared_ptr<SubMesEntry>;

// A unit of a unit set.
class GLNAMELIST_API UnitEntry : public Object {
 public:
  virtual std::string Number() const = 0;
  virtual std::string Name() const = 0;
};

using UnitEntryPtr = std::shared_ptr<UnitEntry>;

// The units of one unit group, in the data service's order.
class GLNAMELIST_API UnitSet : public Object {
 public:
  virtual long Count() const = 0;
  // The unit at Index, 1 <= Index <= Count(); Error 5 outside.
  virtual UnitEntryPtr Item(long Index) const = 0;
};

using UnitSetPtr = std::shared_ptr<UnitSet>;

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_ENTRIES_H_
