// Ranking the values of a column for sorting.
#ifndef GLNAMELIST_RECORDSET_COLLATION_H_
#define GLNAMELIST_RECORDSET_COLLATION_H_

#include <cstdint>
#include <vector>

#include "recordset/column_store.h"

namespace glnamelist::recordset {

// A rank per row: null rows rank 0, equal values share a rank, larger values rank higher.
// Texts are ordered by the collator of locale "zh" (Chinese by pinyin; digits and "." in
// their plain order).
std::vector<uint32_t> RankColumn(const ColumnStore& column, size_t rows);

// Compares row ra of column a with row rb of column b (of one type) as their ranks order
// them: negative when ra's value ranks lower, 0 when they rank alike.
int CompareRanked(const ColumnStore& a, size_t ra, const ColumnStore& b, size_t rb);

// True when the rows of a text column already come in the order of their ranks (nulls
// first, equal values in any order), so that sorting by it keeps the table's order; false
// for other columns.
bool InRankOrder(const ColumnStore& column, size_t rows);

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_COLLATION_H_
