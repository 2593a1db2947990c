#include "ledger/record_loader.h"

#include <string>

#include "contracts/error.h"
#include "contracts/variant.h"

namespace glnamelist::ledger {

RecordsetPtr LoadRecordset(Statement& query, const std::vector<recordset::Column>& columns) {
  for (const recordset::Column& column : columns) {
    if (column.type != recordset::ColumnType::kInteger &&
        column.type != recordset::ColumnType::kText) {
      throw Error(errc::kInvalidProcedureCall,
                  "Ledger fields are integers or texts: " + column.name);
    }
  }
  recordset::TableBuilder builder(columns);
  std::vector<Variant> values(columns.size());
  while (query.Step()) {
    for (size_t i = 0; i < columns.size(); ++i) {
      const int at = static_cast<int>(i);
      if (query.IsNull(at)) {
        values[i] = Variant(Null{});
      } else if (columns[i].type == recordset::ColumnType::kInteger) {
        values[i] = Variant(static_cast<long>(query.Int(at)));
      } else {
        values[i] = Variant(query.Text(at));
      }
    }
    builder.AddRow(values);
  }
  query.Reset();
  return builder.Build();
}

}  // namespace glnamelist::ledger
