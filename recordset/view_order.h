// The visible rows of a view in their order: all rows or the filtered ones, in table order
// or in a sort order.
#ifndef GLNAMELIST_RECORDSET_VIEW_ORDER_H_
#define GLNAMELIST_RECORDSET_VIEW_ORDER_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "recordset/row_set.h"
#include "recordset/table_data.h"

namespace glnamelist::recordset {

class ViewOrder {
 public:
  // All rows of a table, in table order; holds no list (but for a version of a table).
  static ViewOrder All(const Table& table);
  // filter: the rows left by a filter, or null for all rows; keys: empty for table order.
  static ViewOrder Build(const Table& table, const RowSet* filter,
                         const std::vector<SortKey>& keys);

  size_t size() const { return count_; }
  // Whether the view shows every row of its table in table order.
  bool IsTableOrder() const { return whole_ || (!rows_ && !walk_ && !merge_); }
  // The table row shown at place i (0-based, i < size()).
  uint32_t RowAt(size_t i) const {
    if (merge_) return merge_->At(i);
    if (walk_) return walk_->At(i);
    return rows_ ? (*rows_)[i] : static_cast<uint32_t>(i);
  }

 private:
  // The filtered rows of a sort order (table order when perm is null), found by walking the
  // order only as far as a place asked for: a listing that shows its first rows never pays
  // for the rest. In table order a place far ahead of the walk is selected directly.
  struct Walk {
    std::shared_ptr<const Permutation> perm;
    RowSet filter;
    std::unique_ptr<RowSet::Reader> reader;  // table order
    size_t next = 0;                         // the place in perm->order the walk goes on from
    std::vector<uint32_t> found;
    uint32_t At(size_t i);
  };

  // The rows of a version of a table (table_patch.h): its base's rows in the base's order,
  // its added rows joining them where they belong. The rows shown hold the base's first (an
  // added row's number is above every base row's), so that the base's k-th row shown is
  // their k-th.
  struct Merge {
    std::shared_ptr<const Permutation> perm;  // the base's order; null for table order
    RowSet shown;                             // the rows shown, the base's and the added ones
    std::vector<uint32_t> added;              // the added rows shown, in order
    std::vector<uint32_t> places;             // where each joins the base's order
    std::vector<size_t> at;                   // in table order: each one's place in the view
    // The rows found so far: in table order read from `shown` as far as the view is read, in
    // a sort order by walking perm as far as `next`.
    std::vector<uint32_t> found;
    std::unique_ptr<RowSet::Reader> reader;
    std::vector<uint32_t> read;  // rows read from `shown` and not yet placed
    size_t read_at = 0;
    size_t next = 0;
    size_t added_next = 0;
    uint32_t At(size_t i);

   private:
    uint32_t NextBaseRow();
  };
  static ViewOrder BuildMerged(const Table& version, const RowSet* filter,
                               const std::vector<SortKey>& keys);

  std::shared_ptr<Walk> walk_;
  std::shared_ptr<Merge> merge_;
  bool whole_ = false;  // a version's every row in table order
  // rows_ may be an order shared with the table's sort cache; null means 0..count_-1.
  std::shared_ptr<const std::vector<uint32_t>> rows_;
  size_t count_ = 0;
};

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_VIEW_ORDER_H_
