// Making record sets of the record-set engine from query results and from views.
#ifndef GLNAMELIST_LEDGER_RECORD_LOADER_H_
#define GLNAMELIST_LEDGER_RECORD_LOADER_H_

#include <vector>

#include "contracts/recordset.h"
#include "ledger/sqlite_db.h"
#include "recordset/table.h"

namespace glnamelist::ledger {

// Runs query (bound already) to its end and returns a record set with one field per result
// column, named and typed by columns (kInteger or kText), in result order. SQL nulls stay
// nulls. The query is reset afterwards.
RecordsetPtr LoadRecordset(Statement& query, const std::vector<recordset::Column>& columns);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_RECORD_LOADER_H_
