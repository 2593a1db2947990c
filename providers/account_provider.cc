// Account lists: the code listing (children of a parent account and names containing the
// typed code) and the search of detail accounts by name or helper code. Both work on the
// account copy that list setup leaves in AccountRecords and supply their rows on request.
#include <string>

#include "providers/coded_lists.h"
#include "providers/common_flow.h"
#include "providers/provider.h"
#include "services/library_services.h"

namespace glnamelist {
namespace {

constexpr const char* kAccountNoMatch = "没有查询到名称包含''%1''的明细科目数据";
constexpr const char* kDetailOnly = "FDetail <> 0";

// The filter of the code listing. `text` is the typed text without its trailing ".";
// `parent` the account it names, if any.
std::string AccountListFilter(const NameListState& s, const std::string& text,
                              const AccountEntryPtr& parent) {
  if (s.FilterIsAsset) {
    if (s.AssetFilter.empty()) return kDetailOnly;
    return coded::CodeOrNameFilter("like", s.AssetFilter, s.AssetFilter);
  }
  if (!parent) {
    if (text.empty()) return kDetailOnly;
    return coded::CodeOrNameFilter("like", text, text);
  }
  std::string children = coded::ChildrenFilter(parent->Number());
  if (text.empty()) return std::string(kDetailOnly) + " And " + children;
  return children + " or FName like '%" + flow::Quote(text) + "%'";
}

class AccountProvider : public Provider {
 public:
  void List(NameListState& s) override {
    if (!s.TextBox) return;
    std::string text = flow::ReadEditText(s, true);
    AccountEntryPtr account;
    if (!text.empty()) {
      coded::DropTrailingDot(text);
      account = GetGLData()->GetAccount(text);
      if (account && account->Detail()) return;
    }
    if (!s.AccountRecords) throw Error(errc::kObjectRequired, "Object required");
    if (!coded::FilterOrWholeSet(*s.AccountRecords, AccountListFilter(s, text, account))) return;
    flow::ShowRowsOnRequest(s, s.AccountRecords, 1, false);
    s.ListParent = account;
    s.MyNameList->DropDown();
  }

  void Search(NameListState& s) override {
    if (!s.TextBox) return;
    std::string text = flow::ReadWindowText(s);
    if (text.empty()) return;
    const RecordsetPtr& rs = s.AccountRecords;
    if (!rs || rs->RecordCount() == 0) return;
    std::string quoted = flow::Quote(text);
    std::string detail = std::string(kDetailOnly) + " And ";
    if (!coded::FilterFinds(*rs, detail + "FName Like '*" + quoted + "*'")) {
      if (!coded::FilterFinds(*rs, detail + "FHelperCode Like '*" + quoted + "*'")) {
        coded::ReportNoMatch(*rs, kAccountNoMatch, text);
        return;
      }
      rs->Sort("FNumber");
    }
    coded::ShowFound(s, rs, 1, false);
  }
};

}  // namespace

ProviderPtr NewAccountProvider() { return std::make_unique<AccountProvider>(); }

}  // namespace glnamelist
