// The binary form in which a record set saves its visible rows to a stream.
//
//   "GLRS" 0x01, column count (u32), per column: name length (u32), name, type (u8);
//   row count (u32); per column: null flag (u8: 0 none, 1 a flag byte per row), then the
//   values: i64 for integers and Booleans, f64 for doubles, length (u32) + bytes for texts.
// Numbers are little-endian.
#ifndef GLNAMELIST_RECORDSET_PERSIST_H_
#define GLNAMELIST_RECORDSET_PERSIST_H_

#include <memory>
#include <string>
#include <string_view>

#include "recordset/table_data.h"
#include "recordset/view_order.h"

namespace glnamelist::recordset {

std::string SerializeRows(const Table& table, const ViewOrder& order);
// A new table holding the saved rows. Error 3001 when bytes is not such a form.
std::shared_ptr<Table> DeserializeRows(std::string_view bytes);

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_PERSIST_H_
