// The units of one unit group. The data service hands out a unit set (a collection of
// entries), not a record set: there is no filter and no sort, the rows come in the set's
// order, and the name search is a plain, case-sensitive substring scan.
#include <map>
#include <string>
#include <vector>

#include "contracts/data_service.h"
#include "providers/common_flow.h"
#include "providers/copied_rows_provider.h"
#include "providers/provider.h"
#include "services/library_services.h"

namespace glnamelist {
namespace {

class UnitProvider final : public Provider {
 public:
  // Every unit of the group, while the box is empty.
  void List(NameListState& s) override {
    if (s.unit_group_id == 0 || !copied::EmptyBoxListing(s)) return;
    UnitSet* units = Units(s);
    if (!units) return;
    std::vector<long> all;
    for (long i = 1; i <= units->Count(); ++i) all.push_back(i);
    NameListDataPtr data = BeginRows(s);
    data->Rows(static_cast<long>(all.size()));
    WriteRows(s, *data, *units, all);
    s.list_control->DropDown();
  }

  // The units whose name contains the trimmed window text, letter case significant; no
  // message when none does.
  void Search(NameListState& s) override {
    if (s.unit_group_id == 0 || !s.text_box) return;
    std::string text = flow::ReadWindowText(s);
    if (text.empty()) return;
    UnitSet* units = Units(s);
    if (!units) return;
    NameListDataPtr data = BeginRows(s);
    std::vector<long> matches;
    for (long i = 1; i <= units->Count(); ++i) {
      if (Require(units->Item(i)).Name().find(text) != std::string::npos) {
        matches.push_back(i);
      }
    }
    data->Rows(static_cast<long>(matches.size()));
    if (matches.empty()) return;
    WriteRows(s, *data, *units, matches);
    s.list_control->DropDownFound();
  }

 private:
  // The unit set of the group in UnitGroupID, asked of the data service the first time the
  // group is seen and kept, Nothing included. Nullptr when it is Nothing or has no units.
  UnitSet* Units(NameListState& s) {
    long key = s.unit_group_id;
    auto it = sets_.find(key);
    if (it == sets_.end()) {
      it = sets_.emplace(key, Require(GetGLData()).UnitSet(s.unit_group_id)).first;
    }
    UnitSet* units = it->second.get();
    return units && units->Count() > 0 ? units : nullptr;
  }

  static NameListDataPtr BeginRows(NameListState& s) {
    NameListDataPtr data = s.list_control->ListData();
    data->Cols(2);
    data->ListStyle(1);
    return data;
  }

  // Row j shows the unit at positions[j - 1]: code, name and PicDefault; then FinishRows.
  static void WriteRows(NameListState& s, NameListData& data, const UnitSet& units,
                        const std::vector<long>& positions) {
    for (size_t j = 1; j <= positions.size(); ++j) {
      UnitEntryPtr unit = units.Item(positions[j - 1]);
      long row = static_cast<long>(j);
      data.CellText(row, 1, Require(unit).Number());
      data.CellText(row, 2, unit->Name());
      data.RowPicture(row, s.pic_default);
    }
    data.FinishRows();
  }

  std::map<long, UnitSetPtr> sets_;
};

}  // namespace

ProviderPtr NewUnitProvider() { return std::make_unique<UnitProvider>(); }

}  // namespace glnamelist
