// TableBuilder and NewRecordset (declared in table.h).
#include <utility>

#include "contracts/error.h"
#include "recordset/column_store.h"
#include "recordset/table.h"
#include "recordset/table_data.h"
#include "recordset/table_recordset.h"

namespace glnamelist::recordset {

struct TableBuilder::Impl {
  std::vector<ColumnStore> columns;
  size_t rows = 0;
};

TableBuilder::TableBuilder(std::vector<Column> columns) : impl_(std::make_unique<Impl>()) {
  for (Column& c : columns) {
    ColumnStore store;
    store.name = std::move(c.name);
    store.type = c.type;
    impl_->columns.push_back(std::move(store));
  }
}

TableBuilder::TableBuilder(TableBuilder&&) noexcept = default;
TableBuilder& TableBuilder::operator=(TableBuilder&&) noexcept = default;
TableBuilder::~TableBuilder() = default;

void TableBuilder::Reserve(size_t rows) {
  for (ColumnStore& c : impl_->columns) {
    switch (c.type) {
      case ColumnType::kInteger:
      case ColumnType::kBool:
        c.ints.reserve(rows);
        break;
      case ColumnType::kDouble:
        c.doubles.reserve(rows);
        break;
      case ColumnType::kText:
        c.text.offsets.reserve(rows + 1);
        break;
    }
  }
}

void TableBuilder::AddRow(const std::vector<Variant>& values) {
  std::vector<ColumnStore>& columns = impl_->columns;
  if (values.size() != columns.size()) {
    throw Error(errc::kInvalidProcedureCall, "Invalid procedure call or argument");
  }
  // Check every conversion before storing anything, so a refused row adds nothing.
  for (size_t i = 0; i < values.size(); ++i) {
    const Variant& v = values[i];
    if (v.IsNull() || v.IsEmpty()) continue;
    switch (columns[i].type) {
      case ColumnType::kInteger:
        v.ToLong();
        break;
      case ColumnType::kBool:
        v.ToBool();
        break;
      case ColumnType::kDouble:
        v.ToDouble();
        break;
      case ColumnType::kText:
        v.ToText();
        break;
    }
  }
  for (size_t i = 0; i < values.size(); ++i) columns[i].AppendValue(values[i], impl_->rows);
  ++impl_->rows;
}

size_t TableBuilder::row_count() const { return impl_->rows; }

RecordsetPtr TableBuilder::Build() {
  Impl done = std::move(*impl_);
  *impl_ = Impl();
  auto table = std::make_shared<const Table>(std::move(done.columns), done.rows);
  return std::make_shared<TableRecordset>(std::move(table));
}

RecordsetPtr NewRecordset() {
  return std::make_shared<TableRecordset>(
      std::make_shared<const Table>(std::vector<ColumnStore>{}, 0));
}

}  // namespace glnamelist::recordset
