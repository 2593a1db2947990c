// The immutable table behind a record set and all its clones, with the per-column look-up
// structures that are built on first use and then shared by every view of the table.
//
// The structures are built on first use, or ahead of use on another thread: one
// asked for while another thread builds it is waited for. Everything else of a table is
// immutable; the cache of sort orders belongs to the thread that reads the record sets.
#ifndef GLNAMELIST_RECORDSET_TABLE_DATA_H_
#define GLNAMELIST_RECORDSET_TABLE_DATA_H_

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "recordset/array.h"
#include "recordset/column_store.h"
#include "recordset/phrases.h"
#include "recordset/postings.h"
#include "recordset/row_set.h"

namespace glnamelist::recordset {

// The rows of each value of an integer column that holds only a few distinct values (flags,
// levels), so that comparing the column with a number needs no pass over its rows.
struct SmallValueSet {
  static constexpr size_t kMaxValues = 8;
  std::vector<int64_t> values;  // ascending
  std::vector<RowSet> rows;     // the non-null rows holding each value
};

// The non-null rows of a text column in the order of their folded bytes (ties by row id):
// the rows themselves when they already come in that order without nulls, as codes do.
struct TextOrder {
  bool identity = false;
  Array<uint32_t> rows;  // when not identity
  size_t count = 0;

  size_t size() const { return count; }
  uint32_t At(size_t i) const { return identity ? static_cast<uint32_t>(i) : rows[i]; }
};

// Look-up structures of one column made elsewhere (read from a table image), given to a
// table as built; what is missing is built on first use as usual.
struct ColumnLookups {
  std::optional<bool> folds_to_itself;
  std::unique_ptr<TextOrder> sorted;
  std::array<std::unique_ptr<Postings>, Postings::kKinds> postings;  // all kinds or none
  std::unique_ptr<Array<uint32_t>> ranks;
  std::unique_ptr<SmallValueSet> small;
  bool small_known = false;  // small (or its absence, for too many values) is known
  std::optional<bool> in_order;
  std::unique_ptr<Phrases> phrases;
};

// Raises the error of a table whose structures, read from an image, do not fit it (a row it
// does not have): Error errc::kDataService.
[[noreturn]] void ImageDamaged();

// One key of a sort order.
struct SortKey {
  size_t column;
  bool descending;
};

// A stable order of all rows by some keys, and each row's place in it.
struct Permutation {
  std::vector<uint32_t> order;
  std::vector<uint32_t> position;
};

class Table;
using TablePtr = std::shared_ptr<const Table>;
struct AddedOrders;

// A version of a table made from another by a few rows removed and added (table_patch.h):
// the other's rows are shared, not copied, and so are its look-up structures.
//
// Its rows are numbered as the base's (0 .. base rows - 1, the removed ones among them) and
// then its added rows (base rows + i for added row i); row_count() is the count of both.
// In table order an added row comes before the base row `before[i]` (the base's row count:
// after the last), added rows of one place in their own order.
struct TablePatch {
  TablePtr base;                 // a table without a patch of its own
  RowSet dead;                   // the base's rows this version does not hold
  TablePtr added;                // its own rows, of the base's columns, in table order
  std::vector<uint32_t> before;  // one per added row, ascending
  RowSet live;                   // every row this version holds
  // The orders of the added rows worked out so far (table_patch.h).
  std::shared_ptr<AddedOrders> orders;
};

class Table {
 public:
  // Every column holds `rows` values.
  Table(std::vector<ColumnStore> columns, size_t rows);
  // With structures already built for some columns (one entry per column).
  Table(std::vector<ColumnStore> columns, size_t rows, std::vector<ColumnLookups> built);
  // A version of patch.base.
  explicit Table(TablePatch patch);
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;
  ~Table();

  // The rows of a version, or null for a table of its own. The look-up structures below
  // belong to tables of their own; a version is read through its base and added rows.
  const TablePatch* patch() const { return patch_.get(); }

  size_t row_count() const { return rows_; }
  size_t column_count() const { return patch_ ? patch_->base->column_count() : columns_.size(); }
  // The name and type of column i; its values for a table of its own only (Holding reads
  // a version's).
  const ColumnStore& column(size_t i) const {
    return patch_ ? patch_->base->column(i) : columns_[i];
  }
  // The column i of the table that holds row r, r then being its row there: the table's own
  // column, or for a version its base's or its added rows'.
  const ColumnStore& Holding(size_t i, uint32_t& r) const {
    if (!patch_) return columns_[i];
    const size_t base_rows = patch_->base->row_count();
    if (r < base_rows) return patch_->base->column(i);
    r -= static_cast<uint32_t>(base_rows);
    return patch_->added->column(i);
  }
  Variant Value(size_t i, uint32_t r) const { return Holding(i, r).Value(r); }
  // The column named name (without regard to case), or -1.
  int FindColumn(std::string_view name) const;
  // The row whose integer column col holds value, if any (the first of several); tables of
  // their own only. Built on first use: an index of the column's values, unless they
  // already ascend with the rows, as ids loaded in code order often do.
  std::optional<uint32_t> RowWithInt(size_t col, int64_t value) const;

  // Whether case folding leaves every text of a text column as it is.
  bool FoldsToItself(size_t col) const;
  // The case-folded text of row r of a text column: the text itself when the column folds
  // to itself, else folded into scratch.
  std::string_view FoldedAt(size_t col, size_t r, std::string& scratch) const {
    std::string_view text = columns_[col].text.At(r);
    return FoldsToItself(col) ? text : FoldInto(text, scratch);
  }
  // The non-null rows of a text column ordered by their folded bytes (ties by row id).
  const TextOrder& SortedByFoldedText(size_t col) const;
  // The code points, pairs or ASCII triples of the folded texts of a text column.
  const Postings& PostingsOf(size_t col, Postings::Keys keys) const;
  // The same, but null rather than waiting while another thread builds them.
  const Postings* PostingsUnlessBuilding(size_t col, Postings::Keys keys) const;
  // The frequent phrases of a text column (made from its pair lists); null while another
  // thread builds them.
  const Phrases& PhrasesOf(size_t col) const;
  const Phrases* PhrasesUnlessBuilding(size_t col) const;
  // The value set of an integer or Boolean column of at most SmallValueSet::kMaxValues
  // distinct values; nullptr for other columns.
  const SmallValueSet* SmallValues(size_t col) const;
  // A rank per row: equal values share a rank, null is 0, larger values rank higher.
  // Texts are ranked by the "zh" collator.
  const Array<uint32_t>& Ranks(size_t col) const;
  // Whether the rows already come in rank order of a text column (InRankOrder).
  bool InRankOrder(size_t col) const;
  // The stable order of all rows by keys (ties keep the table's order). The last few orders
  // are kept, so views sorting by the same keys share one.
  std::shared_ptr<const Permutation> OrderBy(const std::vector<SortKey>& keys) const;

 private:
  struct Lazy;
  static std::string_view FoldInto(std::string_view text, std::string& scratch);

  std::vector<ColumnStore> columns_;
  std::vector<std::string> folded_names_;
  size_t rows_ = 0;
  std::unique_ptr<const TablePatch> patch_;
  mutable std::vector<Lazy> lazy_;
  // The orders asked for most recently, newest last; a few at most, since each holds two
  // ids per row. Views keep the orders they use alive on their own.
  mutable std::vector<std::pair<std::string, std::shared_ptr<const Permutation>>> orders_;
};

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_TABLE_DATA_H_
