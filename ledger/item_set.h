// The item set: loads the items of one item class from the data service.
#ifndef GLNAMELIST_LEDGER_ITEM_SET_H_
#define GLNAMELIST_LEDGER_ITEM_SET_H_

#include <memory>
#include <string>

#include "contracts/data_service.h"
#include "ledger/ledger_service.h"

namespace glnamelist::ledger {

// Used as: ItemClassID, ListOptions, Filter, Parameters, Sort, Refresh (Sort and Refresh in
// either order), then Recordset. Filter and Sort are record-set expressions applied by the
// record-set engine to the loaded class (" FDetail=1 " keeps the detail items); the record
// set handed out holds only the rows they select, in their order, so a Clone of it keeps
// them. Setting Filter or Sort after Refresh reshapes the loaded items at once. A refused
// filter or sort raises the engine's Error and leaves the earlier result in place.
// Parameters, when given, may hold "GetDataType" and "GetItemID" (numbers) and "SelectExt"
// (a text); they are checked and kept, never used as SQL. ListOptions is kept only.
class LedgerItemSet : public ItemSet {
 public:
  explicit LedgerItemSet(std::shared_ptr<LedgerService> service);

  void ItemClassID(long NewVal) override { item_class_id_ = NewVal; }
  void ListOptions(short NewVal) override { list_options_ = NewVal; }
  void Filter(const std::string& NewVal) override;
  // Error 5 when a known parameter has a value of the wrong kind.
  void Parameters(KeyedCollectionPtr NewVal) override;
  void Sort(const std::string& NewVal) override;
  void Refresh() override;
  // Error (errc::kDataService) before Refresh.
  RecordsetPtr Recordset() override;

  long ItemClassID() const { return item_class_id_; }
  short ListOptions() const { return list_options_; }

 private:
  // Stores value in setting and, once refreshed, loads again; a refused load restores the
  // old setting.
  void SetAndReload(std::string& setting, const std::string& value);
  void Load();

  std::shared_ptr<LedgerService> service_;
  long item_class_id_ = 0;
  short list_options_ = 0;
  std::string filter_;
  std::string sort_;
  KeyedCollectionPtr parameters_;
  bool refreshed_ = false;
  RecordsetPtr records_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_ITEM_SET_H_
