// The general-ledger data service ("QALTAVGLView.GLData"), one object shared by the whole
// library, and the item set ("QALTAVGL.ItemSet").
//
// Record sets handed out carry at least these fields:
//   AccountSet:   FAccountID, FNumber, FName, FDetail, FHelperCode, FIsBank, FIsCash
//   CurrencySet, ItemClassSet, UnitGroupSet, SettTypeSet: FNumber, FName
//                 (settlement types also FItemID)
//   VchExpSet:    FNumber, FExplanation
//   SubMesSet:    FItemID, FNumber, FName, FDetail
//   ItemSet:      FItemID, FNumber, FName, FDetail
// The component keeps its own Clone (or copy) of each, so filters, sorts and positions it
// sets never reach the service's record sets. Entries are looked up by exact code. Any
// failure is an Error.
#ifndef GLNAMELIST_CONTRACTS_DATA_SERVICE_H_
#define GLNAMELIST_CONTRACTS_DATA_SERVICE_H_

#include <memory>
#include <string>

#include "contracts/api.h"
#include "contracts/entries.h"
#include "contracts/keyed_collection.h"
#include "contracts/object.h"
#include "contracts/recordset.h"
#include "contracts/variant.h"

namespace glnamelist {

class LiveData;

class GLNAMELIST_API GLData : public Object {
 public:
  virtual void DeleteOptions(bool NewVal) = 0;

  virtual RecordSourcePtr AccountSet() = 0;
  // The account with exactly this code, or Nothing.
  virtual AccountEntryPtr GetAccount(std::string& Number) = 0;
  // The names from the top-level account down to this one, joined with "_".
  virtual std::string GetAccountFullName(long AccountID) = 0;

  virtual RecordSourcePtr CurrencySet() = 0;
  virtual RecordSourcePtr ItemClassSet() = 0;
  virtual RecordSourcePtr UnitGroupSet() = 0;
  virtual RecordSourcePtr SettTypeSet() = 0;
  virtual RecordsetPtr VchExpSet() = 0;

  // The SubMes source of an item class, or Nothing when the class has none.
  virtual RecordSourcePtr SubMesSet(long& ItemClassID) = 0;
  // Reserved is always omitted (an empty Variant) by the component.
  virtual SubMesEntryPtr GetSubMes(long& ItemClassID, const Variant& Reserved,
                                   std::string& Number) = 0;
  virtual ItemEntryPtr GetItem(long& ItemClassID, const Variant& Reserved, std::string& Number) = 0;
  virtual UnitSetPtr UnitSet(long& UnitGroupID) = 0;

  // What the service offers over a live ledger (contracts/live_data.h, LiveDataOf), kept by
  // the service; none by default.
  virtual LiveData* Live() { return nullptr; }
};

using GLDataPtr = std::shared_ptr<GLData>;

// Loads the items of one class. The component sets ItemClassID, ListOptions, Filter,
// Parameters and Sort, calls Refresh (Sort and Refresh in either order), then reads
// Recordset. Filter " FDetail=1 " asks for the detail items only.
class GLNAMELIST_API ItemSet : public Object {
 public:
  virtual void ItemClassID(long NewVal) = 0;
  virtual void ListOptions(short NewVal) = 0;
  virtual void Filter(const std::string& NewVal) = 0;
  virtual void Parameters(KeyedCollectionPtr NewVal) = 0;
  virtual void Sort(const std::string& NewVal) = 0;
  virtual void Refresh() = 0;
  // The loaded items; Error when Refresh has not run.
  virtual RecordsetPtr Recordset() = 0;
};

using ItemSetPtr = std::shared_ptr<ItemSet>;

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_DATA_SERVICE_H_
