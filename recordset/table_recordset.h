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
  // Unfiltered, unsorted, on the first record.
  explicit TableRecordset(TablePtr table);

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

 private:
  int Lookup(std::string_view name) const { return table_->FindColumn(name); }
  void Reset(TablePtr table);

  TablePtr table_;
  std::string filter_text_;
  std::string sort_text_;
  std::optional<RowSet> filter_rows_;  // none: no filter
  std::vector<SortKey> sort_keys_;
  ViewOrder order_;
  size_t cursor_ = 0;
};

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_TABLE_RECORDSET_H_
