// Pieces shared by the lists of hierarchical codes whose rows come on request: accounts,
// items and SubMes entries.
//
// Codes have "." between levels; every code that begins with an entry's code followed by
// "." belongs to a child of that entry. These lists read the typed text through the list
// control, look the typed code up, filter one record set in place and leave it, with the
// parent entry, to row supply.
#ifndef GLNAMELIST_PROVIDERS_CODED_LISTS_H_
#define GLNAMELIST_PROVIDERS_CODED_LISTS_H_

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "contracts/recordset.h"
#include "providers/state.h"

namespace glnamelist::coded {

// Values fetched once per key and kept for the cache's life, Nothing included. A fetch that
// throws stores nothing, so the next Get for that key fetches again.
template <class T>
class OnceCache {
 public:
  template <class Fetch>
  std::shared_ptr<T> Get(const std::string& key, Fetch&& fetch) {
    auto it = values_.find(key);
    if (it == values_.end()) it = values_.emplace(key, fetch()).first;
    return it->second;
  }

 private:
  std::unordered_map<std::string, std::shared_ptr<T>> values_;
};

// The cache key of an item class: its id in decimal ("3").
std::string ClassKey(long item_class_id);
// The cache key of a code within an item class: "3~~01".
std::string EntryKey(long item_class_id, const std::string& code);

// Removes one trailing "." from text. True when there was one.
bool DropTrailingDot(std::string& text);

// "FNumber <like> '<pattern>%' or FName like '%<pattern>%'": the codes beginning with the
// pattern and the names containing it. `pattern` is already quoted (flow::Quote for typed
// text, flow::DoubleQuotes for the host's AssetFilter); `like` is the keyword as the
// caller's list writes it.
std::string CodeOrNameFilter(std::string_view like, std::string_view pattern);
// "FNumber Like '<code>.%'": the codes below the entry with that code.
std::string ChildrenFilter(std::string_view code);
// "FName Like '*<text>*'": the names containing text.
std::string NameContainsFilter(std::string_view text);

// Applies filter; when it leaves no row, removes it and counts again. True when the record
// set then has rows to show.
bool FilterOrWholeSet(Recordset& rs, const std::string& filter);

// Applies filter. True when rows remain under it.
bool FilterFinds(Recordset& rs, const std::string& filter);

// A name search that found nothing: removes the filter, then shows the message with the
// text as typed.
void ReportNoMatch(Recordset& rs, const std::string& template_text, const std::string& typed);

// The name search of an item-class list (items, SubMes entries) once its text is read and
// its record set obtained: nothing when rs is Nothing or has no rows under its present
// filter; the names containing text, sorted by `sort` when not empty; else the message
// "没有查询到名称包含"%1"的数据" after the filter is removed. The found rows are shown from the
// first record, parent unchanged.
void SearchClassByName(NameListState& s, const RecordsetPtr& rs, const std::string& text,
                       const std::string& sort);

// The listing of an item-class list (items, SubMes entries): rows on request from the first
// record of rs, ListStyle 0.
Listing ClassListing(const RecordsetPtr& rs, std::optional<EntryPtr> parent, bool found);

}  // namespace glnamelist::coded

#endif  // GLNAMELIST_PROVIDERS_CODED_LISTS_H_
