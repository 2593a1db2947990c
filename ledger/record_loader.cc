#include "ledger/record_loader.h"

#include <string>

#include "contracts/error.h"

namespace glnamelist::ledger {

RecordsetPtr LoadRecordset(LedgerDb& db, std::string_view sql,
                           std::initializer_list<SqlValue> values,
                           const std::vector<recordset::Column>& columns) {
  for (const recordset::Column& column : columns) {
    if (column.type != recordset::ColumnType::kInteger &&
        column.type != recordset::ColumnType::kText) {
      throw Error(errc::kInvalidProcedureCall,
                  "Ledger fields are integers or texts: " + column.name);
    }
  }
  recordset::TableBuilder builder(columns);
  db.Load(sql, values, [&](const ResultRow& row) {
    for (size_t i = 0; i < columns.size(); ++i) {
      const int at = static_cast<int>(i);
      if (row.IsNull(at)) {
        builder.AppendNull();
      } else if (columns[i].type == recordset::ColumnType::kInteger) {
        builder.AppendInt(row.Int(at));
      } else {
        builder.AppendText(row.Text(at));
      }
    }
    builder.EndRow();
  });
  return builder.Build();
}

}  // namespace glnamelist::ledger
