#include "apps/voucher/voucher_entry.h"

#include <exception>
#include <sstream>
#include <utility>

#include "apps/voucher/error_text.h"
#include "contracts/list_kinds.h"
#include "contracts/text.h"
#include "contracts/virtual_keys.h"
#include "listkit/list_control_base.h"

namespace glnamelist::voucher {
namespace {

constexpr char32_t kCtrlS = 19;

// Why a save or an opening did not happen: the first problem the store found, a fault of
// the ledger in words.
std::string WhyNot(const std::exception& e) {
  if (auto* refused = dynamic_cast<const VoucherRefused*>(&e)) {
    return refused->problems().empty() ? refused->Description()
                                       : refused->problems().front().Message();
  }
  return FaultText(e);
}

bool IsAmount(Column column) { return column == Column::kDebit || column == Column::kCredit; }

// "记 2026-12 3", "2026-12 3" or "3": the parts not given are the current voucher's.
struct Reference {
  std::string word;
  std::string month;
  long number = 0;
};

std::optional<Reference> ParseReference(const std::string& text, Reference given) {
  std::istringstream in(text);
  std::vector<std::string> parts;
  for (std::string part; in >> part;) parts.push_back(part);
  if (parts.empty() || parts.size() > 3) return std::nullopt;
  const std::string& number = parts.back();
  if (number.empty() || number.size() > 9 ||
      number.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  given.number = std::stol(number);
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    (IsValidDate(parts[i] + "-01") ? given.month : given.word) = parts[i];
  }
  if (given.number <= 0) return std::nullopt;
  return given;
}

}  // namespace

const std::vector<VoucherBoxes::BoxKind>& VoucherEntry::BoxKinds() {
  static const std::vector<VoucherBoxes::BoxKind> kinds = [] {
    std::vector<VoucherBoxes::BoxKind> k;
    for (int c = 0; c < kColumns; ++c) {
      auto column = static_cast<Column>(c);
      if (ColumnListKind(column) != 0) k.push_back({ColumnTitle(column), ColumnListKind(column)});
    }
    return k;
  }();
  return kinds;
}

VoucherEntry::VoucherEntry(platform::WindowSystem& windows, VoucherBoxes& boxes, long amount,
                           std::function<void(long hWnd)> focus, VoucherBoxes::WriteBox write)
    : windows_(windows),
      boxes_(boxes),
      amount_(amount),
      focus_(std::move(focus)),
      write_(std::move(write)) {}

void VoucherEntry::UseDrafts(std::optional<DraftStore> drafts) {
  drafts_ = std::move(drafts);
  offered_.reset();
  if (!drafts_) return;
  try {
    offered_ = drafts_->Load();
  } catch (const std::exception& e) {
    boxes_.ShowStatus(FaultText(e), true);  // a damaged draft, moved aside and named
  }
}

void VoucherEntry::Start(const std::string& date) {
  Fresh(date, "记");
  Load();
}

void VoucherEntry::Fresh(const std::string& date, const std::string& word) {
  Voucher v;
  v.date = date;
  v.word = word;
  grid_.Reset(std::move(v));
  clean_ = DraftText(grid_.voucher());
}

long VoucherEntry::Editor(Column column) const {
  if (IsAmount(column)) return amount_;
  for (size_t i = 0; i < BoxKinds().size(); ++i) {
    if (BoxKinds()[i].kind == ColumnListKind(column)) return boxes_.Window(i);
  }
  return 0;
}

void VoucherEntry::Load() {
  const Cell& at = grid_.Current();
  for (int c = 0; c < kColumns; ++c) {
    auto column = static_cast<Column>(c);
    if (!IsAmount(column)) write_(Editor(column), grid_.Line(at.line)[column]);
  }
  if (IsAmount(at.column)) write_(amount_, grid_.CurrentText());
  focus_(CurrentEditor());
}

void VoucherEntry::Commit() {
  long box = CurrentEditor();
  if (!windows_.IsWindow(box)) return;
  std::string text = windows_.Text(box);
  if (text == grid_.CurrentText()) return;
  grid_.SetText(grid_.Current(), text);
  KeepDraft();
}

void VoucherEntry::KeepDraft() {
  if (!drafts_ || offered_) return;  // an offered draft is not overwritten before the answer
  try {
    if (Unsaved()) {
      drafts_->Save(grid_.voucher(), /*durable=*/false);
    } else {
      drafts_->Discard();
    }
  } catch (const std::exception& e) {
    boxes_.ShowStatus("草稿没有保存：" + FaultText(e), true);
  }
}

bool VoucherEntry::Unsaved() const { return DraftText(grid_.voucher()) != clean_; }

void VoucherEntry::Go(const std::function<void()>& move) {
  Commit();
  // An amount left is written as the voucher keeps it ("1000" as "1,000.00"); one that
  // cannot be read stays as typed, for Check to name.
  const Cell& at = grid_.Current();
  if (IsAmount(at.column) && !grid_.CurrentText().empty()) {
    if (std::optional<Money> amount = Money::Parse(grid_.CurrentText())) {
      grid_.SetText(at, amount->Text());
    }
  }
  if (listkit::NameListBase* shown = boxes_.Shown()) shown->HideList();
  move();
  Load();
}

void VoucherEntry::MoveTo(Cell cell) {
  Go([&] { grid_.MoveTo(cell); });
}

bool VoucherEntry::Key(const FormKey& key) {
  if (key.vk == VK_TAB || (key.vk == VK_RETURN && !boxes_.Shown())) {
    Go([&] { key.shift ? grid_.Previous() : grid_.Next(); });
  } else if (key.ch == U'=' && IsAmount(grid_.Current().column)) {
    Go([&] { grid_.Balance(); });
    KeepDraft();
  } else if (key.vk == kSaveKey || key.ch == kCtrlS) {
    Save();
  } else {
    return false;
  }
  return true;
}

void VoucherEntry::Save() {
  Commit();
  if (!keeper_) {
    boxes_.ShowStatus("没有保存：这个账套不能保存凭证", true);
    return;
  }
  if (names_version_ != boxes_.DataVersion()) {
    names_ = EntryNames();  // master data changed since they were read
    names_version_ = boxes_.DataVersion();
  }
  try {
    std::vector<Problem> problems =
        Check(grid_.voucher(), [this](long kind, const std::string& code, long class_id) {
          return names_.Look(kind, code, class_id, 0);
        });
    if (!problems.empty()) {
      boxes_.ShowStatus("没有保存：" + problems.front().Message(), true);
      return;
    }
    Voucher saved = grid_.voucher();
    std::erase_if(saved.lines, [](const VoucherLine& l) { return l.IsBlank(); });
    keeper_->Save(saved);
    if (drafts_) drafts_->Discard();
    Fresh(saved.date, saved.word);
    Load();
    boxes_.ShowStatus("已保存：" + saved.word + "字第 " + std::to_string(saved.number) + " 号（" +
                          saved.date.substr(0, 7) + "），开始录入下一张凭证",
                      false);
  } catch (const std::exception& e) {
    boxes_.ShowStatus("没有保存：" + WhyNot(e), true);
  }
}

void VoucherEntry::OpenByText(const std::string& text) {
  Commit();
  const Voucher& now = grid_.voucher();
  std::optional<Reference> ref =
      ParseReference(std::string(text::Trim(text, " \t")), {now.word, now.date.substr(0, 7), 0});
  if (!ref) {
    boxes_.ShowStatus("“" + text + "”不是凭证号：请输入号码，或月份和号码，如 2026-12 3", true);
    return;
  }
  if (Unsaved()) {
    boxes_.ShowStatus("正在录入的凭证还没有保存：请先保存（" + std::string(kSaveKeys) + "）", true);
    return;
  }
  std::string name = ref->month + " " + ref->word + "字第 " + std::to_string(ref->number) + " 号";
  if (!keeper_) {
    boxes_.ShowStatus("没有打开：这个账套不能保存凭证", true);
    return;
  }
  try {
    std::optional<Voucher> found = keeper_->Open(ref->word, ref->month, ref->number);
    if (!found) {
      boxes_.ShowStatus("没有找到凭证 " + name, true);
      return;
    }
    grid_.Reset(std::move(*found));
    clean_ = DraftText(grid_.voucher());
    Load();
    boxes_.ShowStatus("已打开凭证 " + name, false);
  } catch (const std::exception& e) {
    boxes_.ShowStatus("没有打开凭证 " + name + "：" + WhyNot(e), true);
  }
}

void VoucherEntry::AnswerDraft(bool take) {
  std::optional<Voucher> draft = std::exchange(offered_, std::nullopt);
  if (!draft) return;
  if (take) {
    Voucher clean = *draft;
    grid_.Reset(std::move(*draft));
    clean.lines.clear();
    // A draft of a saved voucher has changes against that one; a new one against nothing.
    clean_ = clean.id != 0 ? std::string() : DraftText(VoucherGrid(clean).voucher());
    Load();
    boxes_.ShowStatus("已恢复上次没有保存的凭证", false);
  } else if (drafts_) {
    try {
      drafts_->Discard();
    } catch (const std::exception& e) {
      boxes_.ShowStatus(FaultText(e), true);
    }
  }
}

bool VoucherEntry::Balanced() const { return TotalsOf(grid_.voucher()).Balanced(); }

std::string VoucherEntry::TotalsText() const {
  Totals t = TotalsOf(grid_.voucher());
  std::string text = "借方合计 " + t.debit.Text() + "   贷方合计 " + t.credit.Text();
  if (!t.Balanced()) text += "   差额 " + t.Difference().Text();
  return text;
}

std::string VoucherEntry::HeaderText() const {
  const Voucher& v = grid_.voucher();
  std::string number =
      v.number > 0 ? "字第 " + std::to_string(v.number) + " 号" : "字（保存时编号）";
  return "日期 " + v.date + "   " + v.word + number + "   附件 " + std::to_string(v.attachments) +
         " 张";
}

}  // namespace glnamelist::voucher
