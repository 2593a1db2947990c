// The state of one GLNameList that the providers read and write, and the listing they hand
// back to it.
//
// GLNameList owns one NameListState; providers receive it by reference. The list on show
// (its record set, parent entry and row-data object) is not here: a provider hands a
// finished Listing to show_listing, and only the component applies it.
#ifndef GLNAMELIST_PROVIDERS_STATE_H_
#define GLNAMELIST_PROVIDERS_STATE_H_

#include <functional>
#include <optional>
#include <string>

#include "contracts/entries.h"
#include "contracts/list_control.h"
#include "contracts/list_kinds.h"
#include "contracts/picture.h"
#include "contracts/recordset.h"
#include "contracts/text_box.h"

namespace glnamelist {

// A listing whose rows come on request: the list control gets the row count, and row
// supply builds each row from `records` when the control asks for it.
struct Listing {
  RecordsetPtr records;
  // The entry the typed code names (Nothing for none); no value leaves the parent in force.
  std::optional<EntryPtr> parent = std::nullopt;
  long cols = 2;
  long list_style = 1;
  long rows_on_request = -1;
  // Move to the first record before the rows are counted.
  bool move_first = false;
  // A name search's result (DropDownFound) rather than a code listing (DropDown).
  bool found = false;
};

struct NameListState {
  NameListState() = default;
  NameListState(const NameListState&) = delete;
  NameListState& operator=(const NameListState&) = delete;

  // The host's public fields.
  bool hot_trace = false;
  PicturePtr pic_default;
  long asset_item_type = 0;
  std::string asset_filter;
  bool filter_is_asset = false;
  long item_class_id = 0;
  long unit_group_id = 0;
  long name_list_type = 0;

  NameListControlPtr list_control;
  TextBoxPtr text_box;
  // The account copy that list setup makes; the account provider filters it in place.
  RecordsetPtr account_records;

  // Sets the listing up on the list control and drops it down.
  std::function<void(const Listing&)> show_listing;
};

}  // namespace glnamelist

#endif  // GLNAMELIST_PROVIDERS_STATE_H_
