// The steps that every provider shares: reading the typed text, quoting it into a filter,
// handing the rows to the list control, and the no-match message.
#ifndef GLNAMELIST_PROVIDERS_COMMON_FLOW_H_
#define GLNAMELIST_PROVIDERS_COMMON_FLOW_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/recordset.h"
#include "providers/state.h"

namespace glnamelist::flow {

// The typed text as the list control reports it (flag true: -1, false: 0), untrimmed.
std::string ReadEditText(NameListState& s, bool flag);

// The window text of the box, read as ANSI bytes, handed through the string helper and
// trimmed of leading and trailing spaces; empty when the box is empty.
std::string ReadWindowText(NameListState& s);

// Typed text to place between the single quotes of a LIKE pattern: each ' doubled, and each
// "*", "%" and "[" written as "[*]", "[%]", "[[]" so that it matches itself.
std::string Quote(std::string_view text);

// The host's own filter text to place between single quotes: each ' doubled, and nothing
// else changed, so that the wildcards the host wrote stay wildcards.
std::string DoubleQuotes(std::string_view text);

// Copied rows: one list row per record of rs in its present order, from the first record.
struct CopiedLayout {
  long cols = 2;
  // Set on the row-data object only when given.
  std::optional<long> rows_on_request;
  // (column, field) pairs written for each row, in this order.
  std::vector<std::pair<long, std::string>> cells;
};
void CopyRows(NameListState& s, Recordset& rs, const CopiedLayout& layout);

// The message box of a search that found nothing: the template with %1 replaced by the
// typed text, the caption, OK and the information icon.
void ShowNoMatch(const std::string& template_text, const std::string& typed);

}  // namespace glnamelist::flow

#endif  // GLNAMELIST_PROVIDERS_COMMON_FLOW_H_
