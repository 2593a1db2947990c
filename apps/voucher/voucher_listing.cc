// The filter of the list of vouchers, its rows and its sum.
#include "apps/voucher/voucher_listing.h"

#include <algorithm>
#include <sstream>

#include "apps/voucher/voucher_header.h"

namespace glnamelist::voucher {
namespace {

// The text after prefix, when text begins with it.
std::optional<std::string> After(const std::string& text, const std::string& prefix) {
  if (text.size() <= prefix.size() || text.compare(0, prefix.size(), prefix) != 0) {
    return std::nullopt;
  }
  return text.substr(prefix.size());
}

// Whether part can only be a day (digits, "-", "/", ".", "~"), not an account's code.
bool LooksLikeDays(const std::string& part) {
  return part.find_first_of("-/~年月日") != std::string::npos ||
         (part.size() <= 2 && part.find_first_not_of("0123456789") == std::string::npos);
}

}  // namespace

std::optional<VoucherFilter> ReadFilter(const std::string& typed, const std::string& base,
                                        const std::vector<std::string>& words, std::string* why) {
  VoucherFilter filter;
  filter.month = base.substr(0, 7);
  std::istringstream in(typed);
  for (std::string part; in >> part;) {
    std::optional<std::string> amount = After(part, "¥");
    if (!amount) amount = After(part, "金额");
    if (amount) {
      filter.amount = Money::Parse(*amount, why);
      if (!filter.amount) return std::nullopt;
    } else if (std::find(words.begin(), words.end(), part) != words.end()) {
      filter.word = part;
    } else if (LooksLikeDays(part)) {
      const size_t tilde = part.find('~');
      std::optional<std::string> from = ReadDate(part.substr(0, tilde), why, base);
      std::optional<std::string> to =
          tilde == std::string::npos ? from : ReadDate(part.substr(tilde + 1), why, base);
      if (!from || !to) return std::nullopt;
      filter.from = *from;
      filter.to = *to;
    } else {
      filter.account = part;
    }
  }
  return filter;
}

std::string SummaryText(const VoucherSummary& s) {
  std::string number = std::to_string(s.number), total = s.total.Text();
  std::string text = s.date + "  " + s.word + " " +
                     std::string(number.size() < 4 ? 4 - number.size() : 0, ' ') + number + "  " +
                     std::string(total.size() < 16 ? 16 - total.size() : 0, ' ') + total + "  " +
                     s.explanation;
  return s.voided ? text + "  作废" : text;
}

std::string ListTotalText(const std::vector<VoucherSummary>& list) {
  Money sum;
  long voided = 0;
  for (const VoucherSummary& s : list) {
    if (s.voided) {
      ++voided;
    } else {
      sum = sum + s.total;
    }
  }
  std::string text = std::to_string(list.size()) + " 张凭证，合计 " + sum.Text();
  return voided ? text + "（作废的 " + std::to_string(voided) + " 张不计）" : text;
}

}  // namespace glnamelist::voucher
