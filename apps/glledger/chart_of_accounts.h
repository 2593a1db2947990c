// The chart of accounts of a generated company: the top level of the enterprise chart
// (1001 库存现金 ... 6901 以前年度损益调整), the sub-accounts every company keeps, and the
// many below the accounts where a company has many: banks under 1002, customers under
// 1122 and 2203, suppliers under 2202 and 1123, projects under 5001, departments with their
// expense items under 6601 and 6602.
#ifndef GLNAMELIST_APPS_GLLEDGER_CHART_OF_ACCOUNTS_H_
#define GLNAMELIST_APPS_GLLEDGER_CHART_OF_ACCOUNTS_H_

#include "apps/glledger/generated_names.h"

namespace glnamelist::ledger {

// Hands count accounts to emit in code order. Fewer accounts than the chart's top level
// are the first of the top level; then the usual sub-accounts are added, level by level;
// what is left is shared out below the accounts named above. 1001 and its sub-accounts are
// cash, 1002 and its sub-accounts bank accounts.
void ForEachChartAccount(long count, NameMaker& names, const EmitEntry& emit);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_APPS_GLLEDGER_CHART_OF_ACCOUNTS_H_
