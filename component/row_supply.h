// Row supply: the rows of account, item and SubMes lists, handed to the list control one by
// one as it paints them, each built once and then kept for the object's life.
#ifndef GLNAMELIST_COMPONENT_ROW_SUPPLY_H_
#define GLNAMELIST_COMPONENT_ROW_SUPPLY_H_

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "component/list_setup.h"
#include "component/shown_list.h"
#include "contracts/picture.h"
#include "providers/state.h"

namespace glnamelist {

// One display row.
struct DisplayRow {
  std::string relative_code;  // column 0: the code relative to the parent in force
  std::string full_code;      // column 1: the full code (" +" added for non-detail SubMes)
  std::string name;           // column 2: the name (the full name for accounts)
  PicturePtr picture;         // accounts only: the picture fixed when the row was built
  // What relative_code was worked out from: the plain code and the parent code in force.
  std::string code;
  std::string parent;
  bool has_parent = false;
};

class RowSupply {
 public:
  // Answers DataRequest(Row): positions the shown list's record set on Row, obtains the
  // display row of that record and writes its three cells and picture to the row-data
  // object. Does nothing for Row 0, a Row past the record count, or a kind other than
  // accounts, items and SubMes entries. Errors of the record set, the data service, the
  // parent entry or the row-data object reach the caller; a row that failed to build is not
  // kept.
  void SupplyRow(NameListState& s, const ShownList& shown, const AccountPictureMap& pictures,
                 long Row);

 private:
  using RowCache = std::map<std::string, DisplayRow, std::less<>>;

  // The display row of the current record of records, built and cached on first request,
  // with its relative code brought up to date with the parent in force; nullptr for kinds
  // without rows on request.
  const DisplayRow* GetListRow(NameListState& s, const ShownList& shown,
                               const AccountPictureMap& pictures);
  static DisplayRow BuildAccountRow(NameListState& s, Recordset& records,
                                    const AccountPictureMap& pictures);
  static DisplayRow BuildItemRow(Recordset& records, bool submes);

  // Key texts, written into key_ without allocating once it has grown.
  std::string_view AccountKey(Recordset& records);
  std::string_view ItemKey(const NameListState& s, Recordset& records);

  RowCache account_rows_, item_rows_, submes_rows_;
  std::string key_;
  std::string parent_;  // the code of the parent in force at this request
};

}  // namespace glnamelist

#endif  // GLNAMELIST_COMPONENT_ROW_SUPPLY_H_
