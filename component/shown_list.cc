#include "component/shown_list.h"

namespace glnamelist {

void ShownList::Show(NameListState& s, const Listing& listing) {
  if (s.name_list_type == nlAccount) {
    SetRecordsAndParent(listing);
    SetRowData(s, listing);
  } else {
    SetRowData(s, listing);
    SetRecordsAndParent(listing);
  }
  SetData(s.list_control->ListData());
  if (listing.found) {
    s.list_control->DropDownFound();
  } else {
    s.list_control->DropDown();
  }
}

void ShownList::Release() {
  SetData(nullptr);
  records_.reset();
  parent_.reset();
}

void ShownList::SetRowData(NameListState& s, const Listing& listing) {
  NameListDataPtr data = s.list_control->ListData();
  Recordset& records = Require(listing.records);
  if (listing.move_first) records.MoveFirst();
  data->Cols(listing.cols);
  data->ListStyle(listing.list_style);
  data->RowsOnRequest(listing.rows_on_request);
  data->Rows(records.RecordCount());
}

void ShownList::SetRecordsAndParent(const Listing& listing) {
  records_ = listing.records;
  if (listing.parent) parent_ = *listing.parent;
}

void ShownList::SetData(NameListDataPtr data) {
  data_request_.reset();
  data_ = std::move(data);
  if (data_ && on_data_request_) {
    data_request_ = data_->DataRequest.Connect([this](long Row) { on_data_request_(Row); });
  }
}

}  // namespace glnamelist
