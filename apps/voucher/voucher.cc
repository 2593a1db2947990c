#include "apps/voucher/voucher.h"

#include <algorithm>
#include <optional>
#include <random>

#include "apps/voucher/voucher_grid.h"
#include "apps/voucher/voucher_header.h"
#include "contracts/list_kinds.h"
#include "contracts/text.h"

namespace glnamelist::voucher {
namespace {

std::string Trimmed(const std::string& cell) { return std::string(text::Trim(cell, " \t")); }

// The amount of a cell, or nullopt with the reason.
std::optional<Money> AmountOf(const std::string& cell, std::string* why = nullptr) {
  return Money::Parse(cell, why);
}

// A figure of a cell, zero for an empty one; nullopt with the reason when it cannot be read.
std::optional<Figure> FigureOf(const VoucherLine& l, Column column, std::string* why = nullptr) {
  return Figure::Parse(l[column],
                       column == Column::kRate       ? kRatePlaces
                       : column == Column::kOriginal ? 2
                                                     : kQuantityPlaces,
                       why);
}

// The item class and item of a line: together, and of the class its account is kept by
// (account: the account's entry, when it is one that can have lines).
void CheckItem(const VoucherLine& l, const NamedEntry* account, const LookUp& look_up,
               const std::function<void(std::string)>& problem) {
  std::string item_class = Trimmed(l[Column::kItemClass]);
  std::string item = Trimmed(l[Column::kItem]);
  if (account && account->item_class.empty() && (!item_class.empty() || !item.empty())) {
    return problem("科目 " + Trimmed(l[Column::kAccount]) + " 不核算项目，不能填核算项目");
  }
  if (account && !account->item_class.empty() && item_class != account->item_class) {
    return problem("科目 " + Trimmed(l[Column::kAccount]) + " 按核算类别 " + account->item_class +
                   " 核算，" + (item_class.empty() ? "没有核算类别" : "不是 " + item_class));
  }
  if (item_class.empty() && item.empty()) return;
  NamedEntry c = item_class.empty() ? NamedEntry() : look_up(nlItemClass, item_class, 0);
  if (item_class.empty()) {
    problem("核算项目 " + item + " 没有核算类别");
  } else if (!c.known) {
    problem("核算类别 " + item_class + " 不存在");
  } else if (item.empty()) {
    problem("核算类别 " + item_class + " 没有核算项目");
  } else if (NamedEntry i = look_up(nlItem, item, c.id); !i.known) {
    problem("核算项目 " + item + " 不在核算类别 " + item_class + " 中");
  } else if (!i.detail) {
    problem("核算项目 " + item + " 不是明细项目");
  }
}

// The figures of a line (currency, rate and original amount; quantity and unit price): what
// its account is kept by, nothing else, and the amount their product.
void CheckFigures(const VoucherLine& l, const NamedEntry* account, const LookUp& look_up,
                  const std::function<void(std::string)>& problem) {
  const std::string code = Trimmed(l[Column::kAccount]);
  std::string currency = Trimmed(l[Column::kCurrency]);
  if (!currency.empty() && !look_up(nlCurrency, currency, 0).known) {
    problem("币别 " + currency + " 不存在");
  }
  bool readable = true;
  for (Column c : {Column::kRate, Column::kOriginal, Column::kQuantity, Column::kPrice}) {
    std::string why;
    if (!FigureOf(l, c, &why)) {
      problem(std::string(ColumnTitle(c)) + " " + Trimmed(l[c]) + " " + why);
      readable = false;
    }
  }
  if (!account || !readable) return;
  const KeptBy kept{account->item_class, account->currency, account->quantity, account->unit};
  auto lacks = [&](Column c) { return FigureOf(l, c)->IsZero(); };
  if (kept.currency.empty() &&
      (!currency.empty() || !lacks(Column::kRate) || !lacks(Column::kOriginal))) {
    problem("科目 " + code + " 不核算外币，不能填币别、汇率、原币");
  } else if (!kept.currency.empty()) {
    std::string in = "科目 " + code + " 核算外币 " + kept.currency + "，";
    if (currency != kept.currency)
      problem(in + (currency.empty() ? "没有币别" : "不是 " + currency));
    if (lacks(Column::kRate)) problem(in + "没有汇率");
    if (lacks(Column::kOriginal)) problem(in + "没有原币金额");
  }
  if (!kept.quantity && (!lacks(Column::kQuantity) || !lacks(Column::kPrice))) {
    problem("科目 " + code + " 不核算数量，不能填数量、单价");
  } else if (kept.quantity) {
    if (lacks(Column::kQuantity)) problem("科目 " + code + " 核算数量，没有数量");
    if (lacks(Column::kPrice)) problem("科目 " + code + " 核算数量，没有单价");
  }
  std::optional<Money> due = ComputedAmount(l, kept);
  std::optional<Money> debit = Money::Parse(l[Column::kDebit]);
  std::optional<Money> credit = Money::Parse(l[Column::kCredit]);
  if (due && debit && credit && *due != (debit->IsZero() ? *credit : *debit)) {
    problem("金额应为 " + due->Text() + "（" +
            (kept.currency.empty() ? "数量 × 单价" : "原币 × 汇率") + "）");
  }
}

// The problems of one line, added to out.
void CheckLine(int line, const VoucherLine& l, const LookUp& look_up, std::vector<Problem>& out) {
  auto problem = [&](std::string text) { out.push_back({line, std::move(text)}); };
  std::string account = Trimmed(l[Column::kAccount]);
  NamedEntry a;
  if (account.empty()) {
    problem("没有科目");
  } else if (a = look_up(nlAccount, account, 0); !a.known) {
    problem("科目 " + account + " 不存在");
  } else if (!a.detail) {
    problem("科目 " + account + " 不是明细科目");
  }
  const NamedEntry* kept = a.known && a.detail ? &a : nullptr;
  CheckItem(l, kept, look_up, problem);
  CheckFigures(l, kept, look_up, problem);
  std::string why;
  std::optional<Money> debit = AmountOf(l[Column::kDebit], &why);
  if (!debit) problem("借方金额 " + Trimmed(l[Column::kDebit]) + " " + why);
  std::optional<Money> credit = AmountOf(l[Column::kCredit], &why);
  if (!credit) problem("贷方金额 " + Trimmed(l[Column::kCredit]) + " " + why);
  if (debit && credit) {
    if (!debit->IsZero() && !credit->IsZero()) {
      problem("一行只能有借方或贷方金额，不能两方都有");
    } else if (debit->IsZero() && credit->IsZero()) {
      problem("没有金额");
    }
  }
}

}  // namespace

const std::array<Column, kColumns>& ColumnOrder() {
  using enum Column;
  static constexpr std::array<Column, kColumns> kOrder = {
      kExplanation, kAccount,  kItemClass, kItem,  kCurrency, kRate,
      kOriginal,    kQuantity, kPrice,     kDebit, kCredit};
  return kOrder;
}

bool KeptBy::Opens(Column column) const {
  switch (column) {
    case Column::kItemClass:
    case Column::kItem:
      return !item_class.empty();
    case Column::kCurrency:
    case Column::kRate:
    case Column::kOriginal:
      return !currency.empty();
    case Column::kQuantity:
    case Column::kPrice:
      return quantity;
    default:
      return true;
  }
}

std::optional<Money> ComputedAmount(const VoucherLine& line, const KeptBy& kept) {
  auto product = [&](Column a, Column b) -> std::optional<Money> {
    std::optional<Figure> x = FigureOf(line, a), y = FigureOf(line, b);
    if (!x || !y || x->IsZero() || y->IsZero()) return std::nullopt;
    return Product(*x, *y);
  };
  if (!kept.currency.empty()) return product(Column::kOriginal, Column::kRate);
  if (kept.quantity) return product(Column::kQuantity, Column::kPrice);
  return std::nullopt;
}

std::string NewVoucherUid() {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::random_device random;
  std::string uid;
  for (int i = 0; i < 4; ++i) {
    for (uint32_t bits = random(), n = 0; n < 8; ++n, bits >>= 4) uid += kDigits[bits & 15];
  }
  return uid;
}

bool VoucherLine::IsBlank() const {
  return std::all_of(cells.begin(), cells.end(),
                     [](const std::string& c) { return Trimmed(c).empty(); });
}

std::vector<std::pair<int, const VoucherLine*>> Voucher::FilledLines() const {
  std::vector<std::pair<int, const VoucherLine*>> filled;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].IsBlank()) filled.emplace_back(static_cast<int>(i + 1), &lines[i]);
  }
  return filled;
}

Totals TotalsOf(const Voucher& voucher) {
  Totals t;
  for (const VoucherLine& l : voucher.lines) {
    t.debit += AmountOf(l[Column::kDebit]).value_or(Money());
    t.credit += AmountOf(l[Column::kCredit]).value_or(Money());
  }
  return t;
}

bool IsValidDate(const std::string& date) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-') return false;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (date[i] < '0' || date[i] > '9') return false;
  }
  int year = std::stoi(date.substr(0, 4));
  int month = std::stoi(date.substr(5, 2));
  int day = std::stoi(date.substr(8, 2));
  if (year < 1900 || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::string Problem::Message() const {
  return line > 0 ? "第 " + std::to_string(line) + " 行：" + text : text;
}

std::vector<Problem> Check(const Voucher& voucher, const LookUp& look_up,
                           const std::vector<std::string>& words) {
  std::vector<Problem> problems;
  if (!IsValidDate(voucher.date)) problems.push_back({0, "日期 " + voucher.date + " 不是有效日期"});
  if (std::string why = WordProblem(voucher.word, words); !why.empty()) {
    problems.push_back({0, why});
  }
  if (voucher.attachments < 0 || voucher.attachments > kMaxAttachments) {
    problems.push_back({0, "附件数 " + std::to_string(voucher.attachments) + " 不对"});
  }
  auto filled = voucher.FilledLines();
  for (const auto& [line, l] : filled) CheckLine(line, *l, look_up, problems);
  if (filled.size() < 2) problems.push_back({0, "凭证至少要有两行分录"});
  Totals t = TotalsOf(voucher);
  if (!t.Balanced()) {
    problems.push_back({0, "借贷不平衡：借方 " + t.debit.Text() + "，贷方 " + t.credit.Text() +
                               "，差额 " + t.Difference().Text()});
  }
  return problems;
}

}  // namespace glnamelist::voucher
