// The header of a voucher as a person types it: its date, its voucher word and its count of
// attachments, each read from what was typed into its box, with the reason in the form's
// language when it cannot be.
//
// A saved voucher keeps its word and month: its number was given in them, and the numbers of
// a word and month run without a gap. Its date may change within its month.
#ifndef GLNAMELIST_APPS_VOUCHER_VOUCHER_HEADER_H_
#define GLNAMELIST_APPS_VOUCHER_VOUCHER_HEADER_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "apps/voucher/voucher.h"

namespace glnamelist::voucher {

enum class HeaderField { kDate, kWord, kAttachments };
inline constexpr int kHeaderFields = 3;

// "日期", "凭证字", "附件".
const char* HeaderTitle(HeaderField field);

// The voucher words every ledger has: 记, 收, 付, 转.
const std::vector<std::string>& StandardWords();

// A date as bookkeepers write it, as YYYY-MM-DD: 2026-12-06, 2026-12-6, 2026/12/6,
// 2026.12.6, 20261206 or 2026年12月6日, full-width digits too; with a base date
// (YYYY-MM-DD), a day alone ("7") in the base's month and a month and day ("12-7", "12/7")
// in its year. nullopt for anything else or a day that is none, with why set to the reason.
std::optional<std::string> ReadDate(std::string_view typed, std::string* why = nullptr,
                                    const std::string& base = "");
// A count of attachments: a whole number from 0 to kMaxAttachments.
inline constexpr long kMaxAttachments = 9999;
std::optional<long> ReadAttachments(std::string_view typed, std::string* why = nullptr);
// The word after word in words (step 1) or before it (-1), round; the first for a word not
// among them.
std::string NextWord(const std::string& word, const std::vector<std::string>& words, int step);

// What the box of field shows for voucher.
std::string HeaderText(const Voucher& voucher, HeaderField field);
// Puts what was typed into field's box into voucher: true when it could, else false and why
// says what is wrong (a date or count that cannot be read, a word not among words, a saved
// voucher moved to another word or month); voucher is then as it was.
bool SetHeader(Voucher& voucher, HeaderField field, std::string_view typed,
               const std::vector<std::string>& words, std::string& why);

// Why word is not one of words; empty when it is.
std::string WordProblem(const std::string& word, const std::vector<std::string>& words);

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_VOUCHER_HEADER_H_
