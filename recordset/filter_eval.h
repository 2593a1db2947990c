// Evaluating a compiled filter over a table: which rows it leaves.
//
// An AND-group is answered from an index when one of its clauses narrows the rows enough (a
// code prefix or an exact text through the sorted text index, a contains pattern through
// its frequent phrase's list or the posting lists of its characters); the candidates are
// then checked against the other clauses. Otherwise the clauses are scanned over the typed
// column arrays into bitmaps.
#ifndef GLNAMELIST_RECORDSET_FILTER_EVAL_H_
#define GLNAMELIST_RECORDSET_FILTER_EVAL_H_

#include "recordset/predicate.h"
#include "recordset/row_set.h"
#include "recordset/table_data.h"

namespace glnamelist::recordset {

RowSet EvaluateFilter(const Table& table, const CompiledFilter& filter);

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_FILTER_EVAL_H_
