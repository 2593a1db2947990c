// The list on show: the record set and parent entry whose rows row supply builds, and the
// row-data object whose DataRequest reaches it.
#ifndef GLNAMELIST_COMPONENT_SHOWN_LIST_H_
#define GLNAMELIST_COMPONENT_SHOWN_LIST_H_

#include <functional>

#include "contracts/entries.h"
#include "contracts/event.h"
#include "contracts/list_control.h"
#include "contracts/recordset.h"
#include "providers/state.h"

namespace glnamelist {

class ShownList {
 public:
  // on_data_request receives the DataRequest(Row) events of the row-data object in force.
  explicit ShownList(std::function<void(long)> on_data_request)
      : on_data_request_(std::move(on_data_request)) {}

  // The one hand-over of a listing whose rows come on request: sets it up on s's list
  // control and drops it down (DropDownFound for a found listing). Account listings set
  // ListRecords and ListParent first and then the row data (Cols, ListStyle, RowsOnRequest,
  // Rows); item and SubMes listings set the row data first. Both then assign NameListData
  // and drop down. Errors of the record set and the list control reach the caller.
  void Show(NameListState& s, const Listing& listing);

  // ListRecords, ListParent and NameListData.
  const RecordsetPtr& records() const { return records_; }
  const EntryPtr& parent() const { return parent_; }
  const NameListDataPtr& data() const { return data_; }

  // Releases all three.
  void Release();

 private:
  void SetRowData(NameListState& s, const Listing& listing);
  void SetRecordsAndParent(const Listing& listing);
  // Assigning NameListData reconnects DataRequest to the new object, as a field declared
  // with events would.
  void SetData(NameListDataPtr data);

  std::function<void(long)> on_data_request_;
  RecordsetPtr records_;
  EntryPtr parent_;
  NameListDataPtr data_;
  Connection data_request_;
};

}  // namespace glnamelist

#endif  // GLNAMELIST_COMPONENT_SHOWN_LIST_H_
