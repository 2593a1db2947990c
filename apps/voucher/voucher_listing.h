// The list of a month's saved vouchers as both forms show it: the filter a clerk types over
// it, the text of its rows and the sum of what it lists.
//
// A filter is words apart, in any order: a voucher word (记), a day or a range of days
// ("5", "05-03", "2026-05-01~05-03", as dates are typed in the header, in the voucher's
// month), an amount after ¥ or 金额 ("¥1,000", "金额3.03": a line's amount or the voucher's
// total) and anything else an account code (a line on it or on one under it).
#ifndef GLNAMELIST_APPS_VOUCHER_VOUCHER_LISTING_H_
#define GLNAMELIST_APPS_VOUCHER_VOUCHER_LISTING_H_

#include <optional>
#include <string>
#include <vector>

#include "apps/voucher/voucher_store.h"

namespace glnamelist::voucher {

// The filter typed, over the month of base (YYYY-MM-DD); nullopt and why for a word of it
// that cannot be read.
std::optional<VoucherFilter> ReadFilter(const std::string& typed, const std::string& base,
                                        const std::vector<std::string>& words, std::string* why);

// "2026-05-01  记   3       2.02  销售 1" and " 作废" for a voided one.
std::string SummaryText(const VoucherSummary& summary);

// "3 张凭证，合计 12.34（作废的 1 张不计）": the sum of those not voided.
std::string ListTotalText(const std::vector<VoucherSummary>& list);

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_VOUCHER_LISTING_H_
