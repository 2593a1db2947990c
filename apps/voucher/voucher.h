// A voucher as a bookkeeper enters it: a header (date, voucher word, number, attachments)
// and lines of 摘要, 科目, 核算项目 (an item class and an item of it), 币别 and an amount on
// one side, 借方 or 贷方. Cells hold what was typed; amounts are read exactly (money.h) when
// the voucher is totalled or checked.
#ifndef GLNAMELIST_APPS_VOUCHER_VOUCHER_H_
#define GLNAMELIST_APPS_VOUCHER_VOUCHER_H_

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "apps/voucher/entry_names.h"
#include "apps/voucher/money.h"

namespace glnamelist::voucher {

// The columns of a line, in the order a person moves through them.
enum class Column { kExplanation, kAccount, kItemClass, kItem, kCurrency, kDebit, kCredit };
inline constexpr int kColumns = 7;

struct VoucherLine {
  std::array<std::string, kColumns> cells;

  std::string& operator[](Column c) { return cells[static_cast<size_t>(c)]; }
  const std::string& operator[](Column c) const { return cells[static_cast<size_t>(c)]; }
  // No cell holds anything but blanks: a line the grid shows but the voucher leaves out.
  bool IsBlank() const;
};

struct Voucher {
  long id = 0;  // 0 until it is saved
  // The voucher's own identity from the moment it is begun (NewVoucherUid), kept in its draft
  // and stored with it: a save whose outcome was not known is settled by it, never by a
  // second save. Empty: one is given at the first save.
  std::string uid{};
  long version = 0;  // the saved version it was read at (0: none)
  std::string date;  // YYYY-MM-DD
  std::string word = "记";
  long number = 0;  // given when it is first saved, per voucher word and month
  long attachments = 0;
  std::vector<VoucherLine> lines;
  // Who voided it (作废) and when ("2026-12-07 16:40"); empty while it is not voided. A
  // voided voucher keeps its number and lines and counts in no total.
  std::string voided_by{};
  std::string voided_at{};

  // The lines that are not blank, in order, with their 1-based line numbers in the grid.
  std::vector<std::pair<int, const VoucherLine*>> FilledLines() const;
};

// A new random identity for a voucher: 32 hexadecimal digits.
std::string NewVoucherUid();

// The sums of both sides. An amount that cannot be read counts as zero here; Check says so.
struct Totals {
  Money debit;
  Money credit;
  Money Difference() const { return debit - credit; }
  bool Balanced() const { return debit == credit; }
};
Totals TotalsOf(const Voucher& voucher);

// Whether a date is a real day, written YYYY-MM-DD.
bool IsValidDate(const std::string& date);

// Something that keeps a voucher from being saved: the grid line it is on (0 for the
// voucher as a whole) and what is wrong, in the form's language.
struct Problem {
  int line = 0;
  std::string text;
  // "第 2 行：" before the text for a line.
  std::string Message() const;
};

// Looks up an entry of a list kind (contracts/list_kinds.h) by its code; items within the
// item class of id class_id. EntryNames::Look serves.
using LookUp = std::function<NamedEntry(long kind, const std::string& code, long class_id)>;

// Everything that keeps the voucher from being saved, in grid order: a date that is no
// day, a word not among words (the ledger's voucher words), a negative count of
// attachments; on each line a detail account that exists, an item class and an item of it together
// (or neither), a currency that exists (or none), amounts of at most two places, on
// exactly one side; then at least two lines, and both sides equal. Errors of look_up reach
// the caller.
std::vector<Problem> Check(const Voucher& voucher, const LookUp& look_up,
                           const std::vector<std::string>& words);

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_VOUCHER_H_
