// Parsing sort orders: "Field [ASC|DESC][, Field [ASC|DESC]...]"; a field is a name or
// "[any text]". The empty (or all white space) text is no order. Error 3001 for a malformed
// text, 3265 for an unknown field.
#ifndef GLNAMELIST_RECORDSET_SORT_KEYS_H_
#define GLNAMELIST_RECORDSET_SORT_KEYS_H_

#include <string_view>
#include <vector>

#include "recordset/filter_parser.h"
#include "recordset/table_data.h"

namespace glnamelist::recordset {

std::vector<SortKey> ParseSort(std::string_view text, const ColumnLookup& lookup);

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_SORT_KEYS_H_
