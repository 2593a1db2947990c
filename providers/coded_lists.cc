#include "providers/coded_lists.h"

#include "providers/common_flow.h"

namespace glnamelist::coded {
namespace {

constexpr const char* kClassNoMatch = "没有查询到名称包含\"%1\"的数据";

}  // namespace

std::string ClassKey(long item_class_id) { return std::to_string(item_class_id); }

std::string EntryKey(long item_class_id, const std::string& code) {
  return ClassKey(item_class_id) + "~~" + code;
}

bool DropTrailingDot(std::string& text) {
  if (text.empty() || text.back() != '.') return false;
  text.pop_back();
  return true;
}

std::string CodeOrNameFilter(std::string_view like, std::string_view pattern) {
  std::string filter = "FNumber ";
  filter += like;
  filter += " '";
  filter += pattern;
  filter += "%' or FName like '%";
  filter += pattern;
  filter += "%'";
  return filter;
}

std::string ChildrenFilter(std::string_view code) {
  return "FNumber Like '" + flow::Quote(code) + ".%'";
}

std::string NameContainsFilter(std::string_view text) {
  return "FName Like '*" + flow::Quote(text) + "*'";
}

bool FilterOrWholeSet(Recordset& rs, const std::string& filter) {
  if (FilterFinds(rs, filter)) return true;
  rs.Filter("");
  return rs.RecordCount() > 0;
}

bool FilterFinds(Recordset& rs, const std::string& filter) {
  rs.Filter(filter);
  return rs.RecordCount() > 0;
}

void ReportNoMatch(Recordset& rs, const std::string& template_text, const std::string& typed) {
  rs.Filter("");
  flow::ShowNoMatch(template_text, typed);
}

void SearchClassByName(NameListState& s, const RecordsetPtr& rs, const std::string& text,
                       const std::string& sort) {
  if (!rs || rs->RecordCount() == 0) return;
  if (!FilterFinds(*rs, NameContainsFilter(text))) {
    ReportNoMatch(*rs, kClassNoMatch, text);
    return;
  }
  if (!sort.empty()) rs->Sort(sort);
  s.show_listing(ClassListing(rs, std::nullopt, /*found=*/true));
}

Listing ClassListing(const RecordsetPtr& rs, std::optional<EntryPtr> parent, bool found) {
  return {.records = rs,
          .parent = std::move(parent),
          .list_style = 0,
          .move_first = true,
          .found = found};
}

}  // namespace glnamelist::coded
