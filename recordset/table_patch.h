// Versions of a table: a few rows removed and added without copying or indexing the rows
// that stay, and the order in which a version's added rows join its base's rows.
//
// A version shares its base's rows and look-up structures; only its added rows are a table
// of their own, with structures of their own. A version of a version has the same base: the
// added rows of both are gathered into one small table again. How a version is filtered,
// sorted and read is the business of filter_eval.cc and view_order.cc.
#ifndef GLNAMELIST_RECORDSET_TABLE_PATCH_H_
#define GLNAMELIST_RECORDSET_TABLE_PATCH_H_

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "recordset/table_data.h"

namespace glnamelist::recordset {

// A version of table in which the rows whose integer column `key` holds one of `removed` are
// gone and the rows of `added` (a table of its own with table's columns) are in, in table
// order by the bytes of their column `order`, among the rows of table as they come (which,
// read from a ledger, come in that order). A row of `added` whose key was not removed stands
// beside the one that holds it already.
TablePtr PatchTable(const TablePtr& table, size_t key, std::span<const int64_t> removed,
                    const TablePtr& added, size_t order);

// The added rows of a version in the order of a sort of the version, and where each joins
// its base's rows in the base's order of that sort (`perm`, or table order when null): the
// row comes before the base's row at place `places[i]` of that order.
struct AddedOrder {
  std::vector<uint32_t> rows;  // rows of the version (the base's count and more)
  std::vector<uint32_t> places;
};

// The added rows of version (a table with a patch) in the order of keys (table order when
// empty), worked out once per version and keys and then kept. A row of the base with equal
// keys comes before an added row when it does in table order.
std::shared_ptr<const AddedOrder> AddedInOrder(const Table& version,
                                               const std::vector<SortKey>& keys,
                                               const Permutation* perm);

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_TABLE_PATCH_H_
