#include "apps/voucher/voucher_grid.h"

#include <algorithm>

#include "contracts/list_kinds.h"
#include "contracts/text.h"

namespace glnamelist::voucher {
namespace {

int IndexOf(Column column) { return static_cast<int>(column); }
// Where column stands in ColumnOrder.
int PlaceOf(Column column) {
  const auto& order = ColumnOrder();
  return static_cast<int>(std::find(order.begin(), order.end(), column) - order.begin());
}
bool IsAmount(Column column) { return column == Column::kDebit || column == Column::kCredit; }

}  // namespace

const char* ColumnTitle(Column column) {
  static const char* const kTitles[kColumns] = {"摘要", "科目", "核算类别", "核算项目",
                                                "币别", "借方", "贷方",     "汇率",
                                                "原币", "数量", "单价"};
  return kTitles[IndexOf(column)];
}

long ColumnListKind(Column column) {
  static const long kKinds[kColumns] = {nlVchExp, nlAccount, nlItemClass, nlItem, nlCurrency, 0,
                                        0,        0,         0,           0,      0};
  return kKinds[IndexOf(column)];
}

VoucherGrid::VoucherGrid(Voucher voucher) { Reset(std::move(voucher)); }

void VoucherGrid::Reset(Voucher voucher) {
  voucher_ = std::move(voucher);
  current_ = Cell{};
  KeepBlankLast();
}

const std::string& VoucherGrid::Text(Cell cell) const { return Line(cell.line)[cell.column]; }

KeptBy VoucherGrid::Kept(int line) const {
  if (!kept_of_) return KeptBy{"*", "*", true, ""};  // every cell open
  return kept_of_(std::string(text::Trim(Line(line)[Column::kAccount], " \t")));
}

bool VoucherGrid::Opens(int line, Column column) const { return Kept(line).Opens(column); }

void VoucherGrid::SetText(Cell cell, const std::string& text) {
  voucher_.lines.at(static_cast<size_t>(cell.line))[cell.column] = text;
  if (!IsAmount(cell.column) && ColumnListKind(cell.column) == 0) Compute(cell.line);
  KeepBlankLast();
}

void VoucherGrid::Compute(int line) {
  std::optional<Money> amount = ComputedAmount(Line(line), Kept(line));
  if (!amount) return;
  VoucherLine& l = voucher_.lines.at(static_cast<size_t>(line));
  const bool credit = l[Column::kDebit].empty() && !l[Column::kCredit].empty();
  l[credit ? Column::kCredit : Column::kDebit] = amount->Text();
  l[credit ? Column::kDebit : Column::kCredit].clear();
}

void VoucherGrid::SwapSides() {
  VoucherLine& l = voucher_.lines.at(static_cast<size_t>(current_.line));
  std::swap(l[Column::kDebit], l[Column::kCredit]);
  if (IsAmount(current_.column)) {
    current_.column = current_.column == Column::kDebit ? Column::kCredit : Column::kDebit;
  }
}

void VoucherGrid::FitToAccount(int line, const RateOf& rate_of) {
  const KeptBy kept = Kept(line);
  VoucherLine& l = voucher_.lines.at(static_cast<size_t>(line));
  if (!kept_of_) return;
  for (Column c : ColumnOrder()) {
    if (!kept.Opens(c)) l[c].clear();
  }
  if (!kept.item_class.empty() && l[Column::kItemClass] != kept.item_class) {
    l[Column::kItemClass] = kept.item_class;
    l[Column::kItem].clear();
  }
  if (!kept.currency.empty() && l[Column::kCurrency] != kept.currency) {
    l[Column::kCurrency] = kept.currency;
    l[Column::kRate].clear();
  }
  if (!kept.currency.empty() && l[Column::kRate].empty() && rate_of) {
    l[Column::kRate] = rate_of(kept.currency);
  }
  Compute(line);
  KeepBlankLast();
}

std::optional<Column> VoucherGrid::Beside(int line, Column column, int step) const {
  for (int at = PlaceOf(column) + step; at >= 0 && at < kColumns; at += step) {
    const Column c = ColumnOrder()[static_cast<size_t>(at)];
    if (Opens(line, c)) return c;
  }
  return std::nullopt;
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
  if (std::optional<Column> next = Beside(current_.line, current_.column, 1)) {
    MoveTo({current_.line, *next});
  } else if (current_.line + 1 < Lines()) {
    MoveTo({current_.line + 1, Column::kExplanation});
  }
}

void VoucherGrid::Previous() {
  if (std::optional<Column> back = Beside(current_.line, current_.column, -1)) {
    MoveTo({current_.line, *back});
  } else if (current_.line > 0) {
    MoveTo({current_.line - 1, Column::kCredit});
  }
}

void VoucherGrid::MoveTo(Cell cell) {
  cell.line = std::clamp(cell.line, 0, Lines() - 1);
  // A cell the line's account does not open: the open one before it (科目 at the latest).
  if (!Opens(cell.line, cell.column)) cell.column = *Beside(cell.line, cell.column, -1);
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
