#include "apps/voucher/voucher_grid.h"

#include <algorithm>

#include "contracts/list_kinds.h"

namespace glnamelist::voucher {
namespace {

Column ColumnAt(int index) { return static_cast<Column>(index); }
int IndexOf(Column column) { return static_cast<int>(column); }

}  // namespace

const char* ColumnTitle(Column column) {
  static const char* const kTitles[kColumns] = {"摘要", "科目", "核算类别", "核算项目",
                                                "币别", "借方", "贷方"};
  return kTitles[IndexOf(column)];
}

long ColumnListKind(Column column) {
  static const long kKinds[kColumns] = {nlVchExp, nlAccount, nlItemClass, nlItem, nlCurrency, 0, 0};
  return kKinds[IndexOf(column)];
}

VoucherGrid::VoucherGrid(Voucher voucher) { Reset(std::move(voucher)); }

void VoucherGrid::Reset(Voucher voucher) {
  voucher_ = std::move(voucher);
  current_ = Cell{};
  KeepBlankLast();
}

const std::string& VoucherGrid::Text(Cell cell) const { return Line(cell.line)[cell.column]; }

void VoucherGrid::SetText(Cell cell, const std::string& text) {
  voucher_.lines.at(static_cast<size_t>(cell.line))[cell.column] = text;
  KeepBlankLast();
}

void VoucherGrid::KeepBlankLast() {
  auto& lines = voucher_.lines;
  while (lines.size() > 1 && lines.back().IsBlank() && lines[lines.size() - 2].IsBlank() &&
         current_.line < static_cast<int>(lines.size()) - 1) {
    lines.pop_back();
  }
  if (lines.empty() || !lines.back().IsBlank()) lines.emplace_back();
}

void VoucherGrid::Next() {
  if (current_.column == Column::kCredit) {
    if (current_.line + 1 < Lines()) MoveTo({current_.line + 1, Column::kExplanation});
  } else {
    MoveTo({current_.line, ColumnAt(IndexOf(current_.column) + 1)});
  }
}

void VoucherGrid::Previous() {
  if (current_.column != Column::kExplanation) {
    MoveTo({current_.line, ColumnAt(IndexOf(current_.column) - 1)});
  } else if (current_.line > 0) {
    MoveTo({current_.line - 1, Column::kCredit});
  }
}

void VoucherGrid::MoveTo(Cell cell) {
  cell.line = std::clamp(cell.line, 0, Lines() - 1);
  current_ = cell;
  KeepBlankLast();
}

void VoucherGrid::Balance() {
  if (current_.column != Column::kDebit && current_.column != Column::kCredit) return;
  VoucherLine& line = voucher_.lines.at(static_cast<size_t>(current_.line));
  line[Column::kDebit].clear();
  line[Column::kCredit].clear();
  Money due = TotalsOf(voucher_).Difference();  // what the other lines lack on credit
  if (!due.IsZero()) {
    // On the side that balances, whichever side the cell was on: never a negative amount
    // where a positive one on the other side is meant.
    current_.column = due > Money() ? Column::kCredit : Column::kDebit;
    line[current_.column] = (due > Money() ? due : Money() - due).Text();
  }
  KeepBlankLast();
}

void VoucherGrid::DeleteLine() {
  voucher_.lines.erase(voucher_.lines.begin() + current_.line);
  KeepBlankLast();
  current_.line = std::min(current_.line, Lines() - 1);
}

void VoucherGrid::InsertLine() {
  voucher_.lines.insert(voucher_.lines.begin() + current_.line, VoucherLine());
  current_.column = Column::kExplanation;
  KeepBlankLast();
}

void VoucherGrid::RestoreLine(int at, VoucherLine line) {
  at = std::clamp(at, 0, Lines() - 1);
  voucher_.lines.insert(voucher_.lines.begin() + at, std::move(line));
  current_ = {at, Column::kExplanation};
  KeepBlankLast();
}

}  // namespace glnamelist::voucher
