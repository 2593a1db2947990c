// Making record sets of the record-set engine from query results.
#ifndef GLNAMELIST_LEDGER_RECORD_LOADER_H_
#define GLNAMELIST_LEDGER_RECORD_LOADER_H_

#include <initializer_list>
#include <string_view>
#include <vector>

#include "contracts/recordset.h"
#include "ledger/db/ledger_db.h"
#include "recordset/table_builder.h"

namespace glnamelist::ledger {

// Loads the rows of sql (bound to values) into a record set with one field per result
// column, named and typed by columns (kInteger or kText), in result order. SQL nulls stay
// nulls. Past a few thousand rows the table is filled on a thread of its own while the rest
// is read; the error of the read (or of the filling) is raised once that thread has ended.
RecordsetPtr LoadRecordset(LedgerDb& db, std::string_view sql,
                           std::initializer_list<SqlValue> values,
                           const std::vector<recordset::Column>& columns);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_RECORD_LOADER_H_
