// List setup: the default row picture of each kind, and the account copy and bank and cash
// pictures that the first account setup prepares.
#ifndef GLNAMELIST_COMPONENT_LIST_SETUP_H_
#define GLNAMELIST_COMPONENT_LIST_SETUP_H_

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "contracts/picture.h"
#include "contracts/recordset.h"
#include "providers/state.h"

namespace glnamelist {

// Hashes account codes, looked up as strings or string views alike.
struct CodeHash {
  using is_transparent = void;
  size_t operator()(std::string_view code) const { return std::hash<std::string_view>()(code); }
};

// The picture of individual accounts, by account code.
using AccountPictureMap = std::unordered_map<std::string, PicturePtr, CodeHash, std::equal_to<>>;

// Runs once per NameListType given to the object. Clears PicDefault; at the first setup for
// nlAccount (account_setup_done still false) marks it done, sets PicDefault to "Detail",
// copies the data service's account record set into s.account_records (unless it is
// already there) and stores the "Bank" or "Cash" picture of every bank or cash account
// (bank wins; a null flag counts as false) whose code has no picture yet: pictures the host
// set before win. Every other setup only sets PicDefault by kind. Errors of the data
// service, the record set and the picture store reach the caller; a failed copy leaves
// account_records empty and raises Error 424 when it is counted.
void SetupList(NameListState& s, AccountPictureMap& pictures, bool& account_setup_done);

// An independent copy of source made through an "ADODB.Stream" and a new "ADODB.Recordset",
// or Nothing when any step fails (nothing is shown, no error leaves).
RecordsetPtr CopyRecordset(const RecordsetPtr& source);

// The picture stored under key in the picture store.
PicturePtr GetPicture(const std::string& key);

}  // namespace glnamelist

#endif  // GLNAMELIST_COMPONENT_LIST_SETUP_H_
