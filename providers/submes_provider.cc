// SubMes lists: the SubMes entries of the class ItemClassID, fetched once per class and kept
// as a clone. The code listing shows the children of the entry whose code is typed with a
// trailing "." (all entries for an empty box), in code order; the search finds entries by
// name, in name order. Rows come on request.
#include <string>

#include "providers/coded_lists.h"
#include "providers/common_flow.h"
#include "providers/provider.h"
#include "services/library_services.h"

namespace glnamelist {
namespace {

class SubMesProvider : public Provider {
 public:
  void List(NameListState& s) override {
    if (s.item_class_id == 0 || !s.text_box) return;
    std::string text = flow::ReadEditText(s, true);
    RecordsetPtr rs = ClassRecords(s, "");
    if (!rs) return;
    SubMesEntryPtr parent;
    if (text.empty()) {
      rs->Filter("");
    } else {
      if (!coded::DropTrailingDot(text)) return;
      parent = entries_.Get(coded::EntryKey(s.item_class_id, text), [&] {
        return GetGLData()->GetSubMes(s.item_class_id, Variant(), text);
      });
      if (!parent) return;
      rs->Filter(coded::ChildrenFilter(parent->Number()));
    }
    rs->Sort("FNumber");
    if (rs->RecordCount() == 0) return;
    s.show_listing(coded::ClassListing(rs, parent, /*found=*/false));
  }

  void Search(NameListState& s) override {
    if (s.item_class_id == 0 || !s.text_box) return;
    std::string text = flow::ReadWindowText(s);
    if (text.empty()) return;
    coded::SearchClassByName(s, ClassRecords(s, "FName"), text, "FName");
  }

 private:
  // The clone of the class's SubMes entries, fetched at the first call for the class and
  // then sorted by first_sort when given; Nothing (kept) when the class has no SubMes source.
  // A source without a record set raises Error 424 and leaves nothing kept.
  RecordsetPtr ClassRecords(NameListState& s, const std::string& first_sort) {
    return records_.Get(coded::ClassKey(s.item_class_id), [&]() -> RecordsetPtr {
      RecordSourcePtr source = GetGLData()->SubMesSet(s.item_class_id);
      if (!source) return nullptr;
      RecordsetPtr clone = Require(source->Recordset()).Clone();
      if (!first_sort.empty()) clone->Sort(first_sort);
      return clone;
    });
  }

  coded::OnceCache<Recordset> records_;    // SubMesRecordsByClass
  coded::OnceCache<SubMesEntry> entries_;  // SubMesEntries
};

}  // namespace

ProviderPtr NewSubMesProvider() { return std::make_unique<SubMesProvider>(); }

}  // namespace glnamelist
