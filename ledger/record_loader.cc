#include "ledger/record_loader.h"

#include <string>

#include "contracts/error.h"
#include "contracts/variant.h"

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
  std::vector<Variant> row_values(columns.size());
  db.Load(sql, values, [&](const ResultRow& row) {
    for (size_t i = 0; i < columns.size(); ++i) {
      const int at = static_cast<int>(i);
      if (row.IsNull(at)) {
        row_values[i] = Variant(Null{});
      } else if (columns[i].type == recordset::ColumnType::kInteger) {
        row_values[i] = Variant(static_cast<long>(row.Int(at)));
      } else {
        row_values[i] = Variant(row.Text(at));
      }
    }
    builder.AddRow(row_values);
  });
  return builder.Build();
}

}  // namespace glnamelist::ledger
