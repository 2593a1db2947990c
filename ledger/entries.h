// The objects the data service hands out besides record sets: coded entries, units, unit
// sets and record sources. All are immutable once made.
#ifndef GLNAMELIST_LEDGER_ENTRIES_H_
#define GLNAMELIST_LEDGER_ENTRIES_H_

#include <string>
#include <utility>
#include <vector>

#include "contracts/entries.h"
#include "contracts/recordset.h"

namespace glnamelist::ledger {

// What every coded entry of the ledger carries.
struct EntryData {
  long id = 0;
  std::string number;
  std::string name;
  bool detail = true;
};

// An entry of the ledger seen through one of the entry interfaces: accounts, items and
// SubMes entries carry the same data.
template <class Interface>
class LedgerEntry final : public Interface {
 public:
  explicit LedgerEntry(EntryData data) : data_(std::move(data)) {}
  std::string Number() const override { return data_.number; }
  // Overrides Detail() of the account and item interfaces.
  bool Detail() const { return data_.detail; }
  long Id() const { return data_.id; }
  const std::string& Name() const { return data_.name; }

 private:
  EntryData data_;
};

using LedgerAccount = LedgerEntry<AccountEntry>;
using LedgerItem = LedgerEntry<ItemEntry>;
using LedgerSubMes = LedgerEntry<SubMesEntry>;

class LedgerUnit : public UnitEntry {
 public:
  LedgerUnit(std::string number, std::string name)
      : number_(std::move(number)), name_(std::move(name)) {}
  std::string Number() const override { return number_; }
  std::string Name() const override { return name_; }

 private:
  std::string number_;
  std::string name_;
};

// The units of one group, in code order.
class LedgerUnitSet : public UnitSet {
 public:
  explicit LedgerUnitSet(std::vector<UnitEntryPtr> units) : units_(std::move(units)) {}
  long Count() const override { return static_cast<long>(units_.size()); }
  // Error 5 unless 1 <= Index <= Count().
  UnitEntryPtr Item(long Index) const override;

 private:
  std::vector<UnitEntryPtr> units_;
};

// Hands out record sets over one table read from the ledger. Each call gives a fresh clone
// (sharing the rows), so what a caller does with its filter, sort or cursor never reaches
// the table the service keeps.
class LedgerRecordSource : public RecordSource {
 public:
  explicit LedgerRecordSource(RecordsetPtr table) : table_(std::move(table)) {}
  RecordsetPtr Recordset() override { return table_->Clone(); }

 private:
  RecordsetPtr table_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_ENTRIES_H_
