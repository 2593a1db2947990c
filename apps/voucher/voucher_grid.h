// The lines of a voucher as a grid a person moves through, the same in both forms: which
// cell is being edited, where Enter and Tab go, and which list the cell's box gets.
//
// Enter and Tab go to the next cell of the line that the line's account opens (KeptBy);
// after 贷方 to the next line's 摘要 (not past the last line); Shift-Tab goes back. The grid
// always ends in one blank line to type into: writing into it adds the next. A line whose
// account is kept in a foreign currency or in quantities has its amount computed from its
// figures as they are written, on the side it is on (借方 when none).
#ifndef GLNAMELIST_APPS_VOUCHER_VOUCHER_GRID_H_
#define GLNAMELIST_APPS_VOUCHER_VOUCHER_GRID_H_

#include <functional>
#include <string>

#include "apps/voucher/voucher.h"

namespace glnamelist::voucher {

struct Cell {
  int line = 0;  // 0-based
  Column column = Column::kExplanation;
  bool operator==(const Cell&) const = default;
};

// The column titles, as both forms head the grid.
const char* ColumnTitle(Column column);
// The list kind (contracts/list_kinds.h) of a column's box; 0 for the amounts, which have
// no list.
long ColumnListKind(Column column);

class VoucherGrid {
 public:
  // What the account of a code is kept by (KeptBy{} for an unknown one).
  using KeptOf = std::function<KeptBy(const std::string& account)>;
  // The rate of a currency for the voucher's date, as a cell holds it; empty for none.
  using RateOf = std::function<std::string(const std::string& currency)>;

  explicit VoucherGrid(Voucher voucher = {});

  // Where the grid learns what accounts are kept by; without it every cell is open.
  void UseKeptBy(KeptOf kept_of) { kept_of_ = std::move(kept_of); }
  KeptBy Kept(int line) const;
  bool Opens(int line, Column column) const;

  const Voucher& voucher() const { return voucher_; }
  Voucher& header() { return voucher_; }  // date, word, attachments; not the lines
  int Lines() const { return static_cast<int>(voucher_.lines.size()); }
  const VoucherLine& Line(int line) const { return voucher_.lines.at(static_cast<size_t>(line)); }

  const Cell& Current() const { return current_; }
  const std::string& CurrentText() const { return Text(current_); }
  const std::string& Text(Cell cell) const;
  // Puts text into a cell; a cell of the last line makes a new blank line after it.
  void SetText(Cell cell, const std::string& text);

  // Moves to the next cell (Enter, Tab), the previous one (Shift-Tab), or to cell.
  void Next();
  void Previous();
  void MoveTo(Cell cell);

  // What balances the voucher on the current line ("=" in an amount cell): the difference
  // of the other lines, on the side it is due (the current cell moves there), the other
  // side cleared; nothing changes elsewhere.
  void Balance();
  // Moves the current line's amount to the other side (Space in an amount cell); the
  // current cell goes with it.
  void SwapSides();
  // Fits a line to its account: the item class and currency filled from it, a rate for an
  // empty one (rate_of), the cells it does not open emptied, and its amount computed.
  void FitToAccount(int line, const RateOf& rate_of);

  // Removes the current line (the grid keeps one blank line at least); inserts a blank line
  // before it, and goes to its first cell.
  void DeleteLine();
  void InsertLine();
  // Puts a deleted line back where it stood (at the end at most), and goes to its first
  // cell.
  void RestoreLine(int at, VoucherLine line);

  // Replaces the whole voucher (a draft, or one read from the ledger), at its first cell.
  void Reset(Voucher voucher);

 private:
  // Keeps exactly one blank line at the end.
  void KeepBlankLast();
  // The amount of a line kept in a foreign currency or in quantities, from its figures.
  void Compute(int line);
  // The open column of the line next to column in ColumnOrder (step 1 or -1); nullopt past
  // either end.
  std::optional<Column> Beside(int line, Column column, int step) const;

  Voucher voucher_;
  Cell current_;
  KeptOf kept_of_;
};

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_VOUCHER_GRID_H_
