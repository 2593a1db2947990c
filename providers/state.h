// The state of one GLNameList that the providers and row supply read and write.
//
// GLNameList owns one NameListState; providers receive it by reference. The names are the
// object's own field names, so that a provider reads like the procedure it implements.
#ifndef GLNAMELIST_PROVIDERS_STATE_H_
#define GLNAMELIST_PROVIDERS_STATE_H_

#include <functional>
#include <string>

#include "contracts/entries.h"
#include "contracts/event.h"
#include "contracts/list_control.h"
#include "contracts/picture.h"
#include "contracts/recordset.h"
#include "contracts/text_box.h"

namespace glnamelist {

// The kinds of list.
enum GLNameListTypes : long {
  nlAccount = 1,
  nlCurrency = 2,
  nlItemClass = 3,
  nlItem = 4,
  nlUnitGroup = 5,
  nlUnit = 6,
  nlVchExp = 7,
  nlSubMes = 8,
  nlAsset = 9,
  nlSettleType = 10,
};

struct NameListState {
  NameListState() = default;
  NameListState(const NameListState&) = delete;
  NameListState& operator=(const NameListState&) = delete;

  // Public fields of the host.
  bool HotTrace = false;
  PicturePtr PicDefault;
  long AssetItemType = 0;
  std::string AssetFilter;
  bool FilterIsAsset = false;
  long ItemClassID = 0;
  long UnitGroupID = 0;
  long NameListType = 0;

  NameListControlPtr MyNameList;
  TextBoxPtr TextBox;
  // The shown list's record set and parent entry, read by row supply.
  RecordsetPtr ListRecords;
  EntryPtr ListParent;
  // The account copy that list setup makes; the account provider filters it in place.
  RecordsetPtr AccountRecords;

  // The row-data object whose DataRequest reaches row supply. Assigning it reconnects the
  // event to on_data_request, as a field declared with events would.
  const NameListDataPtr& NameListData() const { return name_list_data_; }
  void NameListData(NameListDataPtr data) {
    data_request_.reset();
    name_list_data_ = std::move(data);
    if (name_list_data_ && on_data_request) {
      data_request_ = name_list_data_->DataRequest.Connect(
          [this](long Row) { on_data_request(Row); });
    }
  }
  std::function<void(long)> on_data_request;

 private:
  NameListDataPtr name_list_data_;
  Connection data_request_;
};

}  // namespace glnamelist

#endif  // GLNAMELIST_PROVIDERS_STATE_H_
