#include "recordset/table_recordset.h"

#include "recordset/filter_eval.h"
#include "recordset/filter_parser.h"
#include "recordset/memory_stream.h"
#include "recordset/persist.h"
#include "recordset/predicate.h"
#include "recordset/sort_keys.h"

namespace glnamelist::recordset {
namespace {

constexpr long kPositionUnknown = -1;
constexpr long kPositionEof = -3;

bool IsBlank(std::string_view s) {
  return s.find_first_not_of(" \t\r\n\f\v") == std::string_view::npos;
}

[[noreturn]] void NoCurrentRecord() { throw Error(errc::kNoCurrentRecord, kNoCurrentRecordText); }

}  // namespace

TableRecordset::TableRecordset(TablePtr table, std::shared_ptr<const Shape> shape) {
  Reset(std::move(table), std::move(shape));
}

void TableRecordset::Reset(TablePtr table, std::shared_ptr<const Shape> shape) {
  table_ = std::move(table);
  shape_ = std::move(shape);
  filter_text_.clear();
  sort_text_.clear();
  filter_rows_.reset();
  sort_keys_.clear();
  order_ = shape_ ? OrderOf(std::nullopt, {}) : ViewOrder::All(*table_);
  cursor_ = 0;
}

ViewOrder TableRecordset::OrderOf(const std::optional<RowSet>& rows,
                                  const std::vector<SortKey>& keys) const {
  if (!shape_) return ViewOrder::Build(*table_, rows ? &*rows : nullptr, keys);
  const RowSet* shown = rows ? &*rows : shape_->rows ? &*shape_->rows : nullptr;
  std::vector<SortKey> all = keys;
  all.insert(all.end(), shape_->keys.begin(), shape_->keys.end());
  return ViewOrder::Build(*table_, shown, all);
}

std::shared_ptr<const TableRecordset::Shape> TableRecordset::VisibleShape() const {
  auto shape = std::make_shared<Shape>();
  shape->rows = filter_rows_ ? filter_rows_ : shape_ ? shape_->rows : std::nullopt;
  shape->keys = sort_keys_;
  if (shape_) shape->keys.insert(shape->keys.end(), shape_->keys.begin(), shape_->keys.end());
  return shape;
}

void TableRecordset::Filter(const std::string& NewVal) {
  // Everything is worked out before anything changes, so a refused filter leaves the
  // view as it was.
  std::optional<RowSet> rows;
  if (!IsBlank(NewVal)) {
    auto lookup = [this](std::string_view name) { return Lookup(name); };
    OrOfAndGroups groups = ParseFilter(NewVal, lookup);
    rows = EvaluateFilter(*table_, CompileFilter(*table_, groups));
    if (shape_ && shape_->rows) rows = rows->And(*shape_->rows);
  }
  ViewOrder order = OrderOf(rows, sort_keys_);
  filter_text_ = NewVal;
  filter_rows_ = std::move(rows);
  order_ = std::move(order);
  cursor_ = 0;
}

void TableRecordset::Sort(const std::string& NewVal) {
  auto lookup = [this](std::string_view name) { return Lookup(name); };
  std::vector<SortKey> keys = ParseSort(NewVal, lookup);
  ViewOrder order = OrderOf(filter_rows_, keys);
  sort_text_ = NewVal;
  sort_keys_ = std::move(keys);
  order_ = std::move(order);
  cursor_ = 0;
}

long TableRecordset::AbsolutePosition() const {
  if (order_.size() == 0) return kPositionUnknown;
  if (IsEOF()) return kPositionEof;
  return static_cast<long>(cursor_) + 1;
}

void TableRecordset::AbsolutePosition(long NewVal) {
  if (NewVal < 1 || static_cast<size_t>(NewVal) > order_.size()) RefuseArgument();
  cursor_ = static_cast<size_t>(NewVal - 1);
}

void TableRecordset::MoveFirst() {
  if (order_.size() == 0) NoCurrentRecord();
  cursor_ = 0;
}

void TableRecordset::MoveNext() {
  if (IsEOF()) NoCurrentRecord();
  ++cursor_;
}

Variant TableRecordset::Fields(std::string_view Name) const {
  int col = Lookup(Name);
  if (col < 0) UnknownField();
  if (IsEOF()) NoCurrentRecord();
  return table_->Value(static_cast<size_t>(col), order_.RowAt(cursor_));
}

RecordsetPtr TableRecordset::Clone() { return std::make_shared<TableRecordset>(table_, shape_); }

void TableRecordset::Save(Stream& Destination, long /*PersistFormat*/) {
  if (!Destination.IsOpen()) Destination.Open();
  // A whole table saved into an empty stream of this engine is kept, not written out: the
  // copy opened from it shares the table, as the saved bytes would make it anyway.
  auto* memory = dynamic_cast<MemoryStream*>(&Destination);
  if (memory && order_.IsTableOrder() && memory->Size() == 0) {
    memory->WriteSaved(table_,
                       [table = table_, order = order_] { return SerializeRows(table, order); });
    return;
  }
  Destination.Write(SerializeRows(table_, order_));
}

void TableRecordset::Open(Stream& Source, long /*CursorType*/, long /*LockType*/,
                          long /*Options*/) {
  if (auto* memory = dynamic_cast<MemoryStream*>(&Source)) {
    if (TablePtr saved = memory->SavedTable()) return Reset(saved, nullptr);
  }
  // The saved form is read from the start of the stream, wherever its position stands.
  Source.Position(0);
  std::string bytes = Source.Read(-1);
  Reset(DeserializeRows(bytes), nullptr);
}

}  // namespace glnamelist::recordset
