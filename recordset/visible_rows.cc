// Copying the visible rows of a view into a table of their own, column by column, or
// showing them as the rows of a view of their own.
#include <algorithm>
#include <numeric>
#include <vector>

#include "contracts/error.h"
#include "recordset/table_builder.h"
#include "recordset/table_recordset.h"

namespace glnamelist::recordset {
namespace {

// Column c of the n rows row_at(0), row_at(1) ... of table.
template <class RowAt>
ColumnStore CopyColumn(const Table& table, size_t c, size_t n, RowAt row_at) {
  ColumnBuilder dst;
  dst.name = table.column(c).name;
  dst.type = table.column(c).type;
  dst.Reserve(n);
  for (size_t i = 0; i < n; ++i) {
    uint32_t r = row_at(i);
    const ColumnStore& src = table.Holding(c, r);
    dst.AppendFrom(src, r, i);
  }
  return dst.Finish();
}

// The rows of a table of its own in the byte order of text column c, nulls first and rows
// of one text in table order; empty when they come in that order. Rows that mostly come in
// order (a ledger's, read in the order they were added) cost a pass and the sort of the few
// that do not: those after a greater one are sorted apart and merged back in.
std::vector<uint32_t> RowsOutOfByteOrder(const Table& table, size_t c) {
  const ColumnStore& column = table.column(c);
  auto before = [&column](uint32_t a, uint32_t b) {
    const bool null_a = column.IsNull(a), null_b = column.IsNull(b);
    if (null_a || null_b) return null_a != null_b ? null_a : a < b;
    const int order = column.text.At(a).compare(column.text.At(b));
    return order != 0 ? order < 0 : a < b;
  };
  const auto n = static_cast<uint32_t>(table.row_count());
  uint32_t first_out = 1;
  while (first_out < n && before(first_out - 1, first_out)) ++first_out;
  if (first_out >= n) return {};
  std::vector<uint32_t> kept(first_out), rest;
  std::iota(kept.begin(), kept.end(), 0u);
  for (uint32_t r = first_out; r < n; ++r) (before(kept.back(), r) ? kept : rest).push_back(r);
  std::sort(rest.begin(), rest.end(), before);
  std::vector<uint32_t> rows(n);
  std::merge(kept.begin(), kept.end(), rest.begin(), rest.end(), rows.begin(), before);
  return rows;
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
  for (size_t c : columns) {
    out.push_back(
        CopyColumn(*table_, c, order_.size(), [this](size_t i) { return order_.RowAt(i); }));
  }
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

RecordsetPtr InByteOrder(RecordsetPtr rs, std::string_view order) {
  RecordsetPtr whole = Compacted(*rs);  // over a table of its own
  const Table& table = *OfThisEngine(*whole).table();
  const int c = table.FindColumn(order);
  if (c < 0) throw Error(errc::kItemNotFound, kItemNotFoundText);
  if (table.column(static_cast<size_t>(c)).type != ColumnType::kText) {
    throw Error(errc::kTypeMismatch, "Type mismatch: not a text field");
  }
  const std::vector<uint32_t> rows = RowsOutOfByteOrder(table, static_cast<size_t>(c));
  if (rows.empty()) return AddedRows(*rs) ? whole : rs;
  std::vector<ColumnStore> out;
  for (size_t i = 0; i < table.column_count(); ++i) {
    out.push_back(CopyColumn(table, i, rows.size(), [&rows](size_t at) { return rows[at]; }));
  }
  return std::make_shared<TableRecordset>(
      std::make_shared<const Table>(std::move(out), rows.size()));
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
