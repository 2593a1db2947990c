// One provider for every kind whose master data is a record set copied into the list at
// once: currencies, item classes, voucher explanations, unit groups and settlement types.
// What differs between the kinds (the data-service member, the listing's text rule and
// filter, the columns, the search field and its message) is a KindSettings value.
#include "providers/copied_rows_provider.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "contracts/data_service.h"
#include "providers/coded_lists.h"
#include "providers/common_flow.h"
#include "providers/provider.h"
#include "services/library_services.h"

namespace glnamelist {
namespace copied {

bool EmptyBoxListing(NameListState& s) {
  return s.text_box && flow::ReadEditText(s, false).empty();
}

}  // namespace copied

namespace {

constexpr const char* kCodeField = "FNumber";

// The name search: Filter "<field> Like '*" + q + "*'", then Sort "<field>".
struct SearchSettings {
  std::string field;
  // The no-match message template; none for a silent search.
  std::optional<std::string> no_match;
  // Whether cleaning the cache after a search moves to the first record between removing
  // the filter and sorting by code.
  bool move_first_when_cleaning = true;
};

struct KindSettings {
  // The record set to clone, asked of the data service once per provider.
  std::function<RecordsetPtr(GLData&)> fetch;
  // Empty: the listing shows every row, and only while the box is empty. Otherwise the
  // listing reads the window text and filters with these pieces joined by the quoted
  // text (an empty text removes the filter), falling back to every row.
  std::vector<std::string> listing_filter;
  flow::CopiedLayout layout;
  // None: the kind has no name search.
  std::optional<SearchSettings> search;
};

// The pieces with the text placed between each two of them.
std::string Compose(const std::vector<std::string>& pieces, const std::string& text) {
  std::string out;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) out += text;
    out += pieces[i];
  }
  return out;
}

class CopiedRowsProvider final : public Provider {
 public:
  explicit CopiedRowsProvider(KindSettings kind) : kind_(std::move(kind)) {}

  void List(NameListState& s) override {
    std::string text;
    if (kind_.listing_filter.empty()) {
      if (!copied::EmptyBoxListing(s)) return;
    } else {
      if (!s.text_box) return;
      text = flow::ReadWindowText(s);
    }
    Recordset* rs = Records(/*listing=*/true);
    if (!rs) return;
    if (!kind_.listing_filter.empty()) {
      std::string filter =
          text.empty() ? std::string() : Compose(kind_.listing_filter, flow::Quote(text));
      if (!coded::FilterOrWholeSet(*rs, filter)) return;
    }
    flow::CopyRows(s, *rs, kind_.layout);
    s.list_control->DropDown();
  }

  void Search(NameListState& s) override {
    if (!kind_.search || !s.text_box) return;
    const SearchSettings& search = *kind_.search;
    std::string text = flow::ReadWindowText(s);
    if (text.empty()) return;
    Recordset* rs = Records(/*listing=*/false);
    if (!rs) return;
    if (!coded::FilterFinds(*rs, Compose({search.field + " Like '*", "*'"}, flow::Quote(text)))) {
      rs->Filter(std::string());
      if (search.no_match) flow::ShowNoMatch(*search.no_match, text);
      return;
    }
    rs->Sort(search.field);
    flow::CopyRows(s, *rs, kind_.layout);
    // Leave the cache as the next listing expects it: unfiltered, in code order.
    rs->Filter(std::string());
    if (search.move_first_when_cleaning) rs->MoveFirst();
    rs->Sort(kCodeField);
    s.list_control->DropDownFound();
  }

 private:
  // The cached clone, fetched by the first call; a listing that fetches it sorts it by
  // code. Nullptr when it has no rows under its present filter. An empty clone stays
  // cached, so the data service is asked only once.
  Recordset* Records(bool listing) {
    if (!records_) {
      records_ = Require(kind_.fetch(Require(GetGLData()))).Clone();
      if (Require(records_).RecordCount() == 0) return nullptr;
      if (listing) records_->Sort(kCodeField);
    }
    return records_->RecordCount() == 0 ? nullptr : records_.get();
  }

  const KindSettings kind_;
  RecordsetPtr records_;
};

RecordsetPtr RecordsOf(const RecordSourcePtr& source) { return Require(source).Recordset(); }

// Code in column 1, the name field in column 2.
flow::CopiedLayout CodeAndName(const std::string& name_field) {
  return flow::CopiedLayout{2, std::nullopt, {{1, kCodeField}, {2, name_field}}};
}

ProviderPtr Make(KindSettings kind) {
  return std::make_unique<CopiedRowsProvider>(std::move(kind));
}

}  // namespace

ProviderPtr NewCurrencyProvider() {
  return Make({[](GLData& d) { return RecordsOf(d.CurrencySet()); },
               {},
               CodeAndName("FName"),
               SearchSettings{"FName", "没有查询到名称包含\"%1\"的币别数据"}});
}

ProviderPtr NewItemClassProvider() {
  return Make({[](GLData& d) { return RecordsOf(d.ItemClassSet()); },
               {},
               CodeAndName("FName"),
               SearchSettings{"FName", "没有查询到名称包含\"%1\"的数据"}});
}

ProviderPtr NewVchExpProvider() {
  return Make({[](GLData& d) { return d.VchExpSet(); },
               {"FNumber like '", "%' or FExplanation Like '*", "*'"},
               CodeAndName("FExplanation"),
               SearchSettings{"FExplanation", "没有查询到名称包含\"%1\"的摘要数据",
                              /*move_first_when_cleaning=*/false}});
}

ProviderPtr NewUnitGroupProvider() {
  return Make({[](GLData& d) { return RecordsOf(d.UnitGroupSet()); },
               {},
               flow::CopiedLayout{1, std::nullopt, {{1, "FName"}}},
               SearchSettings{"FName", std::nullopt}});
}

// Settlement types: the id as a hidden key in column 0, no name search.
ProviderPtr NewSettleTypeProvider() {
  return Make({[](GLData& d) { return RecordsOf(d.SettTypeSet()); },
               {},
               flow::CopiedLayout{2, 2, {{0, "FItemID"}, {1, kCodeField}, {2, "FName"}}},
               std::nullopt});
}

}  // namespace glnamelist
