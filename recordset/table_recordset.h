// The record set: a view (filter, sort order, cursor) over a shared immutable table.
#ifndef GLNAMELIST_RECORDSET_TABLE_RECORDSET_H_
#define GLNAMELIST_RECORDSET_TABLE_RECORDSET_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "contracts/recordset.h"
#include "recordset/row_set.h"
#include "recordset/table_data.h"
#include "recordset/view_order.h"

namespace glnamelist::recordset {

class TableRecordset final : public Recordset {
 public:
  // What a record set shows with no filter and no sort of its own, shared with its clones:
  // some rows of its table in some order. A filter then narrows these rows, and a sort
  // orders them with ties in this order.
  struct Shape {
    std::optional<RowSet> rows;  // none: every row
    std::vector<SortKey> keys;   // empty: table order
  };

  // Unfiltered, unsorted, on the first record; the whole table in table order without a
  // shape.
  explicit TableRecordset(TablePtr table, std::shared_ptr<const Shape> shape = nullptr);

  std::string Filter() const override { return filter_text_; }
  void Filter(const std::string& NewVal) override;
  std::string Sort() const override { return sort_text_; }
  void Sort(const std::string& NewVal) override;

  long RecordCount() const override { return static_cast<long>(order_.size()); }
  // The 1-based place of the current record; -3 past the last record, -1 with no records.
  long AbsolutePosition() const override;
  void AbsolutePosition(long NewVal) override;
  // BOF is true only when no record is visible: the cursor never moves before the first.
  bool IsBOF() const override { return order_.size() == 0; }
  bool IsEOF() const override { return cursor_ >= order_.size(); }
  void MoveFirst() override;
  void MoveNext() override;

  Variant Fields(std::string_view Name) const override;

  RecordsetPtr Clone() override;
  void Save(Stream& Destination, long PersistFormat) override;
  void Open(Stream& Source, long CursorType, long LockType, long Options) override;

  // The table this view shows (shared with its clones).
  const TablePtr& table() const { return table_; }
  // A new table of the visible rows in view order, with the columns at `columns`.
  TablePtr VisibleTable(const std::vector<size_t>& columns) const;
  // The shape of a record set that shows what this one shows, as its own rows.
  std::shared_ptr<const Shape> VisibleShape() const;

 private:
  int Lookup(std::string_view name) const { return table_->FindColumn(name); }
  void Reset(TablePtr table, std::shared_ptr<const Shape> shape);
  // The order of rows (none: those of the shape) sorted by keys, then by the shape's keys.
  ViewOrder OrderOf(const std::optional<RowSet>& rows, const std::vector<SortKey>& keys) const;

  TablePtr table_;
  std::shared_ptr<const Shape> shape_;  // null: the whole table in table order
  std::string filter_text_;
  std::string sort_text_;
  std::optional<RowSet> filter_rows_;  // none: no filter (the shape's rows are all there is)
  std::vector<SortKey> sort_keys_;
  ViewOrder order_;
  size_t cursor_ = 0;
};

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_TABLE_RECORDSET_H_
