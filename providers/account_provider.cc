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
  if (s.filter_is_asset) {
    if (s.asset_filter.empty()) return kDetailOnly;
    return coded::CodeOrNameFilter("like", flow::DoubleQuotes(s.asset_filter));
  }
  if (!parent) {
    if (text.empty()) return kDetailOnly;
    return coded::CodeOrNameFilter("like", flow::Quote(text));
  }
  std::string children = coded::ChildrenFilter(parent->Number());
  if (text.empty()) return std::string(kDetailOnly) + " And " + children;
  return children + " or FName like '%" + flow::Quote(text) + "%'";
}

class AccountProvider : public Provider {
 public:
  void List(NameListState& s) override {
    if (!s.text_box) return;
    std::string text = flow::ReadEditText(s, true);
    AccountEntryPtr account;
    if (!text.empty()) {
      coded::DropTrailingDot(text);
      account = GetGLData()->GetAccount(text);
      if (account && account->Detail()) return;
    }
    Recordset& accounts = Require(s.account_records);
    if (!coded::FilterOrWholeSet(accounts, AccountListFilter(s, text, account))) return;
    s.show_listing({.records = s.account_records, .parent = account, .list_style = 1});
  }

  void Search(NameListState& s) override {
    if (!s.text_box) return;
    std::string text = flow::ReadWindowText(s);
    if (text.empty()) return;
    const RecordsetPtr& rs = s.account_records;
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
    s.show_listing({.records = rs, .list_style = 1, .found = true});
  }
};

}  // namespace

ProviderPtr NewAccountProvider() { return std::make_unique<AccountProvider>(); }

}  // namespace glnamelist
