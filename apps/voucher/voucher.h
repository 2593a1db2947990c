// A voucher as a bookkeeper enters it: a header (date, voucher word, number, attachments,
// preparer) and lines of 摘要, 科目, 核算项目 (an item class and an item of it), 币别 with
// 汇率 and 原币 (the original amount), 数量 and 单价, and an amount on one side, 借方 or 贷方.
// The account decides which of these a line has (KeptBy). Cells hold what was typed;
// amounts and figures are read exactly (money.h) when the voucher is totalled or checked.
#ifndef GLNAMELIST_APPS_VOUCHER_VOUCHER_H_
#define GLNAMELIST_APPS_VOUCHER_VOUCHER_H_

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "apps/voucher/entry_names.h"
#include "apps/voucher/money.h"

namespace glnamelist::voucher {

// The columns of a line, as a line keeps them (ColumnOrder: as a person moves through them).
enum class Column {
  kExplanation,
  kAccount,
  kItemClass,
  kItem,
  kCurrency,
  kDebit,
  kCredit,
  kRate,
  kOriginal,
  kQuantity,
  kPrice
};
inline constexpr int kColumns = 11;
// The columns in the order a person moves through them and the forms show them: the
// figures of a line before its amounts.
const std::array<Column, kColumns>& ColumnOrder();

// What an account is kept by, and so which cells its lines open: the code of the item class
// whose items it is kept by, the code of its foreign currency, whether it is kept in
// quantities and the name of their unit. Empty: not kept by that.
struct KeptBy {
  std::string item_class;
  std::string currency;
  bool quantity = false;
  std::string unit;

  // Whether a line of the account opens the cell of column: 摘要, 科目 and the amounts
  // always, the others by what the account is kept by.
  bool Opens(Column column) const;
};

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
  std::string preparer;  // 制单人: who saved it first (given by the store)
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

// The amount a line's figures make, by what its account is kept by: original amount times
// rate in a foreign currency, else quantity times unit price in quantities; nullopt when
// the account is kept by neither or a figure is missing, zero or cannot be read.
std::optional<Money> ComputedAmount(const VoucherLine& line, const KeptBy& kept);

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
// attachments; on each line a detail account that exists, an item class and an item of it
// together (or neither), a currency that exists (or none), amounts of at most two places,
// on exactly one side; what the line's account is kept by, and nothing else: its item class
// and an item, its currency with a rate and an original amount, a quantity and a unit
// price, the amount their product; then at least two lines, and both sides equal. Errors
// of look_up reach the caller.
std::vector<Problem> Check(const Voucher& voucher, const LookUp& look_up,
                           const std::vector<std::string>& words);

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_VOUCHER_H_
