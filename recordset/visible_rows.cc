// Copying the visible rows of a view into a table of their own, column by column, or
// showing them as the rows of a view of their own.
#include "contracts/error.h"
#include "recordset/table_builder.h"
#include "recordset/table_recordset.h"

namespace glnamelist::recordset {
namespace {

ColumnStore CopyColumn(const Table& table, size_t c, const ViewOrder& order) {
  ColumnBuilder dst;
  dst.name = table.column(c).name;
  dst.type = table.column(c).type;
  const size_t n = order.size();
  dst.Reserve(n);
  for (size_t i = 0; i < n; ++i) {
    uint32_t r = order.RowAt(i);
    const ColumnStore& src = table.Holding(c, r);
    dst.AppendFrom(src, r, i);
  }
  return dst.Finish();
}

// Builds what LookupPreparation promises, for a table of its own.
void Prepare(const Table& table, const LookupColumns& columns) {
  if (const TablePatch* patch = table.patch()) {
    Prepare(*patch->base, columns);
    Prepare(*patch->added, columns);
    return;
  }
  auto each = [&](const std::vector<std::string>& names, auto build) {
    for (const std::string& name : names) {
      int c = table.FindColumn(name);
      if (c >= 0 && table.column(static_cast<size_t>(c)).type == ColumnType::kText) {
        build(static_cast<size_t>(c));
      }
    }
  };
  each(columns.codes, [&](size_t c) { table.SortedByFoldedText(c), table.InRankOrder(c); });
  each(columns.names, [&](size_t c) {
    table.PhrasesOf(c);  // with the posting lists they are made from
    for (auto keys : {Postings::Keys::kChars, Postings::Keys::kPairs, Postings::Keys::kTriples}) {
      table.PostingsOf(c, keys);
    }
  });
  each(columns.sorted, [&](size_t c) { table.Ranks(c); });
}

}  // namespace

TablePtr TableRecordset::VisibleTable(const std::vector<size_t>& columns) const {
  std::vector<ColumnStore> out;
  out.reserve(columns.size());
  for (size_t c : columns) out.push_back(CopyColumn(*table_, c, order_));
  return std::make_shared<const Table>(std::move(out), order_.size());
}

namespace {

const TableRecordset& OfThisEngine(const Recordset& rs) {
  const auto* source = dynamic_cast<const TableRecordset*>(&rs);
  if (!source) throw Error(errc::kTypeMismatch, "Type mismatch: not a record set of this engine");
  return *source;
}

}  // namespace

RecordsetPtr CopyVisibleRows(const Recordset& view, const std::vector<std::string>& columns) {
  const TableRecordset* source = &OfThisEngine(view);
  const Table& table = *source->table();
  std::vector<size_t> picked;
  if (columns.empty()) {
    for (size_t c = 0; c < table.column_count(); ++c) picked.push_back(c);
  } else {
    for (const std::string& name : columns) {
      int c = table.FindColumn(name);
      if (c < 0) throw Error(errc::kItemNotFound, kItemNotFoundText);
      picked.push_back(static_cast<size_t>(c));
    }
  }
  return std::make_shared<TableRecordset>(source->VisibleTable(picked));
}

RecordsetPtr ShapedView(const Recordset& view) {
  const TableRecordset& source = OfThisEngine(view);
  return std::make_shared<TableRecordset>(source.table(), source.VisibleShape());
}

std::function<void()> LookupPreparation(const Recordset& rs, LookupColumns columns) {
  TablePtr table = OfThisEngine(rs).table();
  return [table, columns = std::move(columns)] { Prepare(*table, columns); };
}

}  // namespace glnamelist::recordset
