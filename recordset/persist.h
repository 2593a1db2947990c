// The binary form in which a record set saves its visible rows to a stream.
//
//   "GLRS" 0x01, column count (u32), per column: name length (u32), name, type (u8);
//   row count (u32); per column: null flag (u8: 0 none, 1 a flag byte per row), then the
//   values: i64 for integers and Booleans, f64 for doubles, length (u32) + bytes for texts.
// Numbers are little-endian.
//
// A view that shows every row of its table in table order is saved as "GLRS" 0x02 and the
// table's token (u64), then the same. Opening such a form while that table is alive in this
// process shares the table (it is immutable, so a shared copy is as independent as a new
// one) with the look-up structures built for it; anywhere else the rows are read as usual.
#ifndef GLNAMELIST_RECORDSET_PERSIST_H_
#define GLNAMELIST_RECORDSET_PERSIST_H_

#include <memory>
#include <string>
#include <string_view>

#include "recordset/table_data.h"
#include "recordset/view_order.h"

namespace glnamelist::recordset {

std::string SerializeRows(const TablePtr& table, const ViewOrder& order);
// A table holding the saved rows. Error 3001 when bytes is not such a form.
TablePtr DeserializeRows(std::string_view bytes);

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_PERSIST_H_
