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
    if (s.item_class_id == 0) return;
    RecordsetPtr rs = ClassRecords(s, LoadOrder::kSortThenRefresh);
    if (!s.text_box) return;
    std::string text = flow::ReadEditText(s, true);
    ItemEntryPtr item;
    if (!text.empty() && !s.filter_is_asset) {
      coded::DropTrailingDot(text);
      item = entries_.Get(coded::EntryKey(s.item_class_id, text),
                          [&] { return GetGLData()->GetItem(s.item_class_id, Variant(), text); });
      if (item && item->Detail()) return;
    }
    if (!coded::FilterOrWholeSet(*rs, ListFilter(s, text, item))) return;
    s.show_listing(coded::ClassListing(rs, item, /*found=*/false));
  }

  void Search(NameListState& s) override {
    if (s.item_class_id == 0) return;
    RecordsetPtr rs = ClassRecords(s, LoadOrder::kRefreshThenSort);
    if (!s.text_box) return;
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
    if (s.filter_is_asset) {
      if (s.asset_filter.empty()) return "";
      return coded::CodeOrNameFilter("like", flow::DoubleQuotes(s.asset_filter));
    }
    if (!parent) {
      if (text.empty()) return "";
      return coded::CodeOrNameFilter("Like", flow::Quote(text));
    }
    std::string children = coded::ChildrenFilter(parent->Number());
    if (text.empty()) return children;
    return children + " or FName like '%" + flow::Quote(text) + "%'";
  }

  // The clone of the class's items, loaded at the first call for the class and kept. The
  // parameter collection is built on every call.
  RecordsetPtr ClassRecords(NameListState& s, LoadOrder order) {
    KeyedCollectionPtr params = NewParameters();
    return records_.Get(coded::ClassKey(s.item_class_id), [&]() -> RecordsetPtr {
      current_item_set_.reset();  // the last one goes before the next is made
      current_item_set_ = CreateObjectAs<ItemSet>(progid::kItemSet);
      ItemSet* set = current_item_set_.get();
      set->ItemClassID(s.item_class_id);
      set->ListOptions(0);
      set->Filter(" FDetail=1 ");
      set->Parameters(params);
      if (order == LoadOrder::kSortThenRefresh) set->Sort("FNumber");
      set->Refresh();
      if (order == LoadOrder::kRefreshThenSort) set->Sort("FNumber");
      // An item set without a record set is an error, not an empty class: nothing is kept,
      // and the next call loads again.
      return Require(set->Recordset()).Clone();
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
  // The item set created last, kept alive (not read) until the next one replaces it or the
  // provider ends, so that its loaded rows stay with it while its clone is in use.
  ItemSetPtr current_item_set_;
};

}  // namespace

ProviderPtr NewItemProvider() { return std::make_unique<ItemProvider>(); }

}  // namespace glnamelist
