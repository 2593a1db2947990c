// Item lists: the items of the class ItemClassID, loaded once per class through an item set
// and kept as a clone; the code listing lists the children of a parent item, the search
// finds items by name. Rows come on request.
#include <string>

#include "contracts/environment.h"
#include "contracts/prog_ids.h"
#include "providers/coded_lists.h"
#include "providers/common_flow.h"
#include "providers/provider.h"
#include "services/library_services.h"

namespace glnamelist {
namespace {

// The order in which an item set is sorted and loaded; the listing and the search each
// use their own.
enum class LoadOrder { kSortThenRefresh, kRefreshThenSort };

class ItemProvider : public Provider {
 public:
  void List(NameListState& s) override {
    if (s.ItemClassID == 0) return;
    RecordsetPtr rs = ClassRecords(s, LoadOrder::kSortThenRefresh);
    if (!rs || !s.TextBox) return;
    std::string text = flow::ReadEditText(s, true);
    ItemEntryPtr item;
    if (!text.empty() && !s.FilterIsAsset) {
      coded::DropTrailingDot(text);
      item = entries_.Get(coded::EntryKey(s.ItemClassID, text),
                          [&] { return GetGLData()->GetItem(s.ItemClassID, Variant(), text); });
      if (item && item->Detail()) return;
    }
    if (!coded::FilterOrWholeSet(*rs, ListFilter(s, text, item))) return;
    coded::ShowClassListing(s, rs, item);
  }

  void Search(NameListState& s) override {
    if (s.ItemClassID == 0) return;
    RecordsetPtr rs = ClassRecords(s, LoadOrder::kRefreshThenSort);
    if (!s.TextBox) return;
    std::string text = flow::ReadWindowText(s);
    if (text.empty()) return;
    // The search filter stays on the clone after the list is shown, so that the rows asked
    // for later come from the found set; the next listing or search replaces it.
    coded::SearchClassByName(s, rs, text, "");
  }

 private:
  // The filter of the code listing. `text` is the typed text without its trailing "."
  // (with it while FilterIsAsset is set); `parent` the item it names, if any.
  static std::string ListFilter(const NameListState& s, const std::string& text,
                                const ItemEntryPtr& parent) {
    if (s.FilterIsAsset) {
      if (s.AssetFilter.empty()) return "";
      return coded::CodeOrNameFilter("like", s.AssetFilter, s.AssetFilter);
    }
    if (!parent) {
      if (text.empty()) return "";
      return coded::CodeOrNameFilter("Like", text, text);
    }
    std::string children = coded::ChildrenFilter(parent->Number());
    if (text.empty()) return children;
    return children + " or FName like '%" + flow::Quote(text) + "%'";
  }

  // The clone of the class's items, loaded at the first call for the class; Nothing when
  // the item set gave no record set. The parameter collection is built on every call.
  RecordsetPtr ClassRecords(NameListState& s, LoadOrder order) {
    KeyedCollectionPtr params = NewParameters();
    return records_.Get(coded::ClassKey(s.ItemClassID), [&]() -> RecordsetPtr {
      ItemSetPtr set = CreateObjectAs<ItemSet>(progid::kItemSet);
      current_item_set_ = set;
      set->ItemClassID(s.ItemClassID);
      set->ListOptions(0);
      set->Filter(" FDetail=1 ");
      set->Parameters(params);
      if (order == LoadOrder::kSortThenRefresh) set->Sort("FNumber");
      set->Refresh();
      if (order == LoadOrder::kRefreshThenSort) set->Sort("FNumber");
      RecordsetPtr loaded = set->Recordset();
      return loaded ? loaded->Clone() : nullptr;
    });
  }

  static KeyedCollectionPtr NewParameters() {
    auto params = CreateObjectAs<KeyedCollection>(progid::kKeyedCollection);
    params->Add("GetDataType", Variant(static_cast<short>(0)));
    params->Add("GetItemID", Variant(static_cast<short>(1)));
    params->Add("SelectExt", Variant(" t1.* "));
    return params;
  }

  coded::OnceCache<Recordset> records_;  // ItemRecordsByClass
  coded::OnceCache<ItemEntry> entries_;  // ItemEntries
  ItemSetPtr current_item_set_;          // CurrentItemSet
};

}  // namespace

ProviderPtr NewItemProvider() { return std::make_unique<ItemProvider>(); }

}  // namespace glnamelist
