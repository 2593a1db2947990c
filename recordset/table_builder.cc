// TableBuilder and NewRecordset (declared in table_builder.h).
#include "recordset/table_builder.h"

#include <utility>

#include "contracts/error.h"
#include "recordset/column_store.h"
#include "recordset/table_data.h"
#include "recordset/table_recordset.h"

namespace glnamelist::recordset {

struct TableBuilder::Impl {
  std::vector<ColumnBuilder> columns;
  size_t rows = 0;
  size_t next_column = 0;  // of the row being appended a value at a time

  // Drops the values of the row begun, then raises e.
  [[noreturn]] void DropRow(const Error& e) {
    for (ColumnBuilder& c : columns) c.Truncate(rows);
    next_column = 0;
    throw e;
  }
  ColumnBuilder& Next() {
    if (next_column == columns.size()) {
      DropRow(Error(errc::kInvalidProcedureCall, "Invalid procedure call or argument"));
    }
    return columns[next_column++];
  }
};

TableBuilder::TableBuilder(std::vector<Column> columns) : impl_(std::make_unique<Impl>()) {
  for (Column& c : columns) {
    ColumnBuilder column;
    column.name = std::move(c.name);
    column.type = c.type;
    impl_->columns.push_back(std::move(column));
  }
}

TableBuilder::TableBuilder(TableBuilder&&) noexcept = default;
TableBuilder& TableBuilder::operator=(TableBuilder&&) noexcept = default;
TableBuilder::~TableBuilder() = default;

void TableBuilder::Reserve(size_t rows) {
  for (ColumnBuilder& c : impl_->columns) c.Reserve(rows);
}

void TableBuilder::AddRow(const std::vector<Variant>& values) {
  std::vector<ColumnBuilder>& columns = impl_->columns;
  if (values.size() != columns.size() || impl_->next_column != 0) {
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

void TableBuilder::AppendInt(int64_t value) {
  ColumnBuilder& c = impl_->Next();
  try {
    c.AppendInt(value);
  } catch (const Error& e) {
    impl_->DropRow(e);
  }
}

void TableBuilder::AppendText(std::string_view value) {
  ColumnBuilder& c = impl_->Next();
  try {
    c.AppendText(value);
  } catch (const Error& e) {
    impl_->DropRow(e);
  }
}

void TableBuilder::AppendNull() { impl_->Next().AppendNull(impl_->rows); }

void TableBuilder::EndRow() {
  if (impl_->next_column != impl_->columns.size()) {
    impl_->DropRow(Error(errc::kInvalidProcedureCall, "Invalid procedure call or argument"));
  }
  impl_->next_column = 0;
  ++impl_->rows;
}

RecordsetPtr TableBuilder::Build() {
  std::vector<ColumnStore> columns;
  for (ColumnBuilder& c : impl_->columns) columns.push_back(c.Finish());
  auto table = std::make_shared<const Table>(std::move(columns), impl_->rows);
  *impl_ = Impl();
  return std::make_shared<TableRecordset>(std::move(table));
}

RecordsetPtr NewRecordset() {
  return std::make_shared<TableRecordset>(
      std::make_shared<const Table>(std::vector<ColumnStore>{}, 0));
}

}  // namespace glnamelist::recordset
