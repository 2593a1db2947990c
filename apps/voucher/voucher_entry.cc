#include "apps/voucher/voucher_entry.h"

#include <algorithm>
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

bool Same(const Voucher& a, const Voucher& b) { return DraftText(a) == DraftText(b); }

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
// The cells of money (the amounts and the original amount), and the plain boxes' cells:
// those and the other figures, none with a list.
bool IsMoney(Column column) { return IsAmount(column) || column == Column::kOriginal; }
bool IsPlain(Column column) { return ColumnListKind(column) == 0; }
int PlacesOf(Column column) {
  return IsMoney(column) ? 2 : column == Column::kRate ? kRatePlaces : kQuantityPlaces;
}

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

VoucherEntry::VoucherEntry(platform::WindowSystem& windows, VoucherBoxes& boxes, PlainBoxes plain,
                           std::function<void(long hWnd)> focus, VoucherBoxes::WriteBox write)
    : windows_(windows),
      boxes_(boxes),
      plain_(plain),
      focus_(std::move(focus)),
      write_(std::move(write)) {
  grid_.UseKeptBy([this](const std::string& account) { return KeptOfAccount(account); });
}

EntryNames& VoucherEntry::Names() {
  if (names_version_ != boxes_.DataVersion()) {
    names_ = EntryNames();  // master data changed since they were read
    kept_.clear();
    names_version_ = boxes_.DataVersion();
  }
  return names_;
}

KeptBy VoucherEntry::ReadKept(const std::string& account) {
  Names();  // what was read of an older version goes
  if (auto known = kept_.find(account); known != kept_.end()) return known->second;
  if (!keeper_ || account.empty()) return {};
  return kept_[account] = keeper_->Kept(account);
}

KeptBy VoucherEntry::KeptOfAccount(const std::string& account) {
  try {
    return ReadKept(account);
  } catch (const std::exception&) {
    return {};  // the ledger's fault is told by the account's box; asked again next time
  }
}

void VoucherEntry::UseKeeper(std::shared_ptr<VoucherKeeper> keeper) {
  keeper_ = std::move(keeper);
  preparer_.clear();
  kept_.clear();
  if (!keeper_) return;
  if (std::string notice = keeper_->Notice(); !notice.empty()) boxes_.ShowStatus(notice, true);
  try {
    preparer_ = keeper_->Preparer();
  } catch (const std::exception&) {
    // told at the first save; the voucher then names its preparer
  }
}

void VoucherEntry::UseDrafts(std::optional<DraftStore> drafts) {
  drafts_.reset();
  if (drafts) drafts_.emplace(std::move(*drafts));
  offered_.reset();
  asked_ = Asked::kNone;
  OfferDraft(false);
}

void VoucherEntry::OfferDraft(bool aside, bool again) {
  offered_.reset();
  if (!drafts_) return;
  try {
    offered_ = drafts_->Offer(aside, again);
  } catch (const std::exception& e) {
    boxes_.ShowStatus(FaultText(e), true);  // a damaged draft, moved aside and named
  }
  offered_aside_ = aside;
  offered_unsaved_ = !offered_ || offered_->id != 0 || !MaybeStored(offered_->uid);
  if (offered_) {
    asked_ = aside ? Asked::kAside : Asked::kDraft;
  } else if (aside) {
    boxes_.ShowStatus("没有放到一边的草稿", false);
  }
}

bool VoucherEntry::MaybeStored(const std::string& uid) const {
  if (uid.empty() || !keeper_) return false;
  try {
    return keeper_->Stored(uid);
  } catch (const std::exception&) {
    return true;  // it may be: the draft is not called unsaved
  }
}

void VoucherEntry::OfferAsideDrafts() {
  if (asked_ != Asked::kNone) return;
  Commit();
  if (Unsaved()) {
    return boxes_.ShowStatus("正在录入的凭证还没有保存：请先保存（" + std::string(kSaveKeys) +
                                 "），或放弃修改（" + kGiveUpKeys + "）",
                             true);
  }
  OfferDraft(true, true);
}

void VoucherEntry::Start(const std::string& date) { Fresh(date, "记"); }

void VoucherEntry::Fresh(const std::string& date, const std::string& word) {
  Voucher v;
  v.uid = NewVoucherUid();
  v.date = date;
  v.word = word;
  Show(v, v);
}

void VoucherEntry::Show(Voucher voucher, std::optional<Voucher> clean) {
  if (clean) clean = VoucherGrid(std::move(*clean)).voucher();  // as the grid keeps it
  clean_ = std::move(clean);
  unsettled_ = false;
  deleted_.reset();
  marked_.clear();
  grid_.Reset(std::move(voucher));
  header_at_.reset();
  Load();
}

long VoucherEntry::Editor(Column column) const {
  if (IsPlain(column)) return plain_.amount;
  for (size_t i = 0; i < BoxKinds().size(); ++i) {
    if (BoxKinds()[i].kind == ColumnListKind(column)) return boxes_.Window(i);
  }
  return 0;
}

void VoucherEntry::Load() {
  const Cell& at = grid_.Current();
  for (int c = 0; c < kColumns; ++c) {
    auto column = static_cast<Column>(c);
    if (!IsPlain(column)) write_(Editor(column), grid_.Line(at.line)[column]);
  }
  if (IsPlain(at.column)) write_(plain_.amount, grid_.CurrentText());
  for (int f = 0; f < kHeaderFields; ++f) {
    auto field = static_cast<HeaderField>(f);
    write_(Editor(field), HeaderText(grid_.voucher(), field));
  }
  entered_text_ = header_at_ ? "" : grid_.CurrentText();
  header_selected_ = header_at_.has_value();
  focus_(CurrentEditor());
}

void VoucherEntry::Commit() {
  long box = CurrentEditor();
  // A header box goes into the voucher when it is left.
  if (!header_at_ && windows_.IsWindow(box)) {
    std::string text = windows_.Text(box);
    if (text != grid_.CurrentText() && AmountTyped(text)) {
      grid_.SetText(grid_.Current(), text);
      KeepDraft(false);
    }
  }
  Settle();
}

bool VoucherEntry::AmountTyped(const std::string& text) {
  Column column = grid_.Current().column;
  std::string why;
  if (!IsPlain(column)) return true;
  if (IsMoney(column) ? Money::Typing(text, &why)
                      : Figure::Parse(text, PlacesOf(column), &why) ||
                            Figure::Parse(text + "0", PlacesOf(column))) {
    return true;
  }
  write_(plain_.amount, grid_.CurrentText());
  boxes_.ShowStatus(std::string(ColumnTitle(column)) +
                        (IsMoney(column) ? "只能填金额" : "只能填数") + "：“" + text + "”" + why,
                    true);
  return false;
}

bool VoucherEntry::LeaveAmount() {
  const Cell& at = grid_.Current();
  if (!IsPlain(at.column) || grid_.CurrentText().empty()) return true;
  // Left, an amount is written as the voucher keeps it ("1000" as "1,000.00"), a figure
  // without places of zeros ("7.10" as "7.1").
  std::string why;
  if (IsMoney(at.column)) {
    if (std::optional<Money> amount = Money::Parse(grid_.CurrentText(), &why)) {
      grid_.SetText(at, amount->Text());
      return true;
    }
  } else if (std::optional<Figure> figure =
                 Figure::Parse(grid_.CurrentText(), PlacesOf(at.column), &why)) {
    grid_.SetText(at, figure->Text());
    return true;
  }
  boxes_.ShowStatus(std::string(ColumnTitle(at.column)) + (IsMoney(at.column) ? "金额" : "") + "“" +
                        grid_.CurrentText() + "”" + why + "，请改正或按 Esc 恢复",
                    true);
  return false;
}

void VoucherEntry::Settle() {
  long box = CurrentEditor();
  std::string text = windows_.IsWindow(box) ? windows_.Text(box) : "";
  if (boxes_.Status() != said_.status) {
    said_ = {boxes_.Status(), box, std::move(text)};  // said since the last key
  } else if (!said_.status.empty() && (box != said_.box || text != said_.text)) {
    boxes_.ShowStatus("", false);
    said_ = {"", box, std::move(text)};
  }
}

bool VoucherEntry::LeaveHeader(const std::string& prefix) {
  if (!header_at_) return true;
  std::string why;
  // The ledger is asked for its words only when a word was typed.
  const auto& words = *header_at_ == HeaderField::kWord ? Words() : StandardWords();
  if (!SetHeader(grid_.header(), *header_at_, windows_.Text(Editor(*header_at_)), words, why)) {
    boxes_.ShowStatus(prefix + why, true);
    return false;
  }
  write_(Editor(*header_at_), HeaderText(grid_.voucher(), *header_at_));
  return true;
}

void VoucherEntry::KeepDraft(bool durable) {
  if (!drafts_ || asked_ == Asked::kDraft) return;  // an offered draft waits for the answer
  try {
    if (!Changed()) return DiscardDraft();
    std::string text = DraftText(grid_.voucher());
    if (text == draft_synced_ || (!durable && text == draft_written_)) return;
    drafts_->Save(grid_.voucher(), durable);
    draft_written_ = text;
    if (durable) draft_synced_ = text;
  } catch (const std::exception& e) {
    boxes_.ShowStatus("草稿没有保存：" + FaultText(e), true);
  }
}

void VoucherEntry::DiscardDraft() {
  draft_written_.clear();
  draft_synced_.clear();
  if (drafts_) drafts_->Discard();
}

bool VoucherEntry::Changed() const { return !clean_ || !Same(grid_.voucher(), *clean_); }

bool VoucherEntry::Unsaved() const {
  return Changed() || (header_at_ && windows_.Text(Editor(*header_at_)) !=
                                         HeaderText(grid_.voucher(), *header_at_));
}

void VoucherEntry::Go(const std::function<void()>& move) {
  if (header_at_) {
    if (!LeaveHeader()) return;
  } else {
    Commit();
    if (!LeaveAmount() || !LeaveCell()) return;
  }
  if (listkit::NameListBase* shown = boxes_.Shown()) shown->HideList();
  move();
  Load();
  KeepDraft(true);
}

bool VoucherEntry::LeaveCell() {
  const Cell at = grid_.Current();
  if (at.column == Column::kExplanation) ExpandExplanation();
  if (at.column != Column::kAccount) return true;
  if (!TakeHelperCode()) return false;
  // An unknown account keeps the line as typed: the save names what is wrong.
  try {
    const std::string code(text::Trim(grid_.CurrentText(), " \t"));
    if (!Names().Look(nlAccount, code, 0, 0).known) return true;
  } catch (const std::exception&) {
    return true;
  }
  const std::string date = grid_.voucher().date;
  grid_.FitToAccount(at.line, [&](const std::string& currency) -> std::string {
    try {
      return keeper_ ? keeper_->Rate(currency, date).value_or("") : "";
    } catch (const std::exception& e) {
      boxes_.ShowStatus("汇率没有读到：" + WhyNot(e), true);
      return "";
    }
  });
  return true;
}

void VoucherEntry::ExpandExplanation() {
  const Cell at = grid_.Current();
  const std::string typed(text::Trim(grid_.CurrentText(), " \t"));
  std::string text = typed;
  if (typed == ".." || typed == "。。") {
    text = at.line > 0 ? grid_.Line(at.line - 1)[Column::kExplanation] : "";
  } else if (typed == "//" || typed == "／／") {
    text = grid_.Line(0)[Column::kExplanation];
  } else if (!typed.empty()) {
    try {
      NamedEntry e = Names().Look(nlVchExp, typed, 0, 0);
      if (e.known) text = e.text;
    } catch (const std::exception&) {
      // the code stays as typed; the box tells the ledger's fault
    }
  }
  if (text != grid_.CurrentText()) grid_.SetText(at, text);
}

bool VoucherEntry::TakeHelperCode() {
  const Cell at = grid_.Current();
  const std::string typed(text::Trim(grid_.CurrentText(), " \t"));
  std::vector<std::string> codes;
  try {
    if (typed.empty() || Names().Look(nlAccount, typed, 0, 0).known) return true;
    codes = Names().AccountsByHelperCode(typed);
  } catch (const std::exception&) {
    return true;  // the box tells the ledger's fault
  }
  if (codes.size() == 1) {
    grid_.SetText(at, codes.front());
    return true;
  }
  if (codes.empty()) return true;  // an unknown code: the box and the save say so
  std::string some;
  for (size_t i = 0; i < codes.size() && i < 5; ++i) some += (i ? "、" : "") + codes[i];
  boxes_.ShowStatus("助记码 " + typed + " 有 " + std::to_string(codes.size()) + " 个科目（" + some +
                        (codes.size() > 5 ? "…" : "") + "）：请选择",
                    true);
  // The candidates listed as F9 lists what matches the box's text.
  windows_.SendMessage(Editor(Column::kAccount), WM_KEYDOWN, VK_F9, 0);
  return false;
}

void VoucherEntry::Step(bool back) {
  const Cell& at = grid_.Current();
  if (!header_at_) {
    if (back && at == Cell{0, Column::kExplanation}) {
      header_at_ = HeaderField::kAttachments;
    } else {
      back ? grid_.Previous() : grid_.Next();
    }
    return;
  }
  int next = static_cast<int>(*header_at_) + (back ? -1 : 1);
  if (next >= kHeaderFields) {
    header_at_.reset();
    grid_.MoveTo({0, Column::kExplanation});
  } else {
    header_at_ = static_cast<HeaderField>(std::max(next, 0));
  }
}

void VoucherEntry::MoveTo(Cell cell) {
  Go([&] {
    header_at_.reset();
    grid_.MoveTo(cell);
  });
}

void VoucherEntry::MoveTo(HeaderField field) {
  Go([&] { header_at_ = field; });
}

void VoucherEntry::InsertLine() {
  if (header_at_) return boxes_.ShowStatus("插入行、删除行要在分录的格子里", true);
  Go([&] { grid_.InsertLine(); });
}

void VoucherEntry::DeleteLine() {
  if (header_at_) return boxes_.ShowStatus("插入行、删除行要在分录的格子里", true);
  std::optional<std::pair<int, VoucherLine>> gone;
  Go([&] {
    int line = grid_.Current().line;
    if (!grid_.Line(line).IsBlank()) gone.emplace(line, grid_.Line(line));
    grid_.DeleteLine();
  });
  if (!gone) return;
  deleted_ = std::move(gone);
  boxes_.ShowStatus("已删除第 " + std::to_string(deleted_->first + 1) + " 行（Ctrl-Z 恢复）",
                    false);
}

void VoucherEntry::UndoDelete() {
  if (!deleted_) return boxes_.ShowStatus("没有可以恢复的行", false);
  bool restored = false;
  Go([&] {
    header_at_.reset();
    auto [line, text] = *std::exchange(deleted_, std::nullopt);
    grid_.RestoreLine(line, std::move(text));
    restored = true;
  });
  if (!restored) return;  // the cell could not be left: the line waits for the next Ctrl-Z
  boxes_.ShowStatus("已恢复第 " + std::to_string(grid_.Current().line + 1) + " 行", false);
}

void VoucherEntry::RestoreCell() {
  write_(CurrentEditor(), entered_text_);
  Commit();
}

void VoucherEntry::GiveUp() {
  Commit();
  if (!Unsaved()) return boxes_.ShowStatus("没有要放弃的修改", false);
  asked_ = Asked::kGiveUp;
}

void VoucherEntry::NewVoucher() {
  Commit();
  if (Unsaved()) {
    asked_ = Asked::kNew;
    return;
  }
  Fresh(grid_.voucher().date, grid_.voucher().word);
  boxes_.ShowStatus("开始录入新凭证", false);
}

bool VoucherEntry::Key(const FormKey& key) {
  bool taken =
      SelectedHeaderKey(key) || (!header_at_ && !boxes_.Shown() && MoveKey(key)) || CommandKey(key);
  Settle();
  return taken;
}

bool VoucherEntry::SelectedHeaderKey(const FormKey& key) {
  if (!HeaderSelected()) return false;
  long box = Editor(*header_at_);
  if (key.ch >= 32 && key.ch != 127) {
    write_(box, "");  // the character then goes into the emptied box
    header_selected_ = false;
    return false;
  }
  if (key.vk == VK_BACK || key.vk == VK_DELETE) {
    write_(box, "");
    header_selected_ = false;
    return true;
  }
  if (key.vk == VK_LEFT || key.vk == VK_RIGHT || key.vk == VK_HOME || key.vk == VK_END) {
    header_selected_ = false;
  }
  return false;
}

bool VoucherEntry::MoveKey(const FormKey& key) {
  Cell to = grid_.Current();
  const int last = grid_.Lines() - 1;
  switch (key.vk) {
    case VK_UP:
    case VK_DOWN:
      to.line += key.vk == VK_UP ? -1 : 1;
      break;
    case VK_PRIOR:
    case VK_NEXT:
      if (key.ctrl) return false;  // another voucher
      to.line += key.vk == VK_PRIOR ? -page_lines_ : page_lines_;
      break;
    case VK_HOME:
    case VK_END:
      if (key.ctrl) {
        to.line = key.vk == VK_HOME ? 0 : last;
      } else {
        to.column = key.vk == VK_HOME ? Column::kExplanation : Column::kCredit;
      }
      break;
    default:
      return false;
  }
  to.line = std::clamp(to.line, 0, last);
  if (to != grid_.Current()) MoveTo(to);
  return true;
}

bool VoucherEntry::CommandKey(const FormKey& key) {
  if (key.vk == VK_TAB || (key.vk == VK_RETURN && !boxes_.EnterChooses())) {
    Go([&] { Step(key.shift); });
  } else if (header_at_ == HeaderField::kWord && (key.vk == VK_UP || key.vk == VK_DOWN)) {
    long box = Editor(HeaderField::kWord);
    std::string word(text::Trim(windows_.Text(box), " \t"));
    write_(box, NextWord(word, Words(), key.vk == VK_DOWN ? 1 : -1));
  } else if (header_at_ && key.vk == VK_ESCAPE) {
    write_(Editor(*header_at_), HeaderText(grid_.voucher(), *header_at_));
    header_selected_ = true;
  } else if (key.vk == VK_ESCAPE && !boxes_.Shown()) {
    RestoreCell();
  } else if (key.ch == kCtrlZ) {
    UndoDelete();
  } else if (key.ch == U'=' && !header_at_ && IsAmount(grid_.Current().column)) {
    Go([&] { grid_.Balance(); });
  } else if (key.ch == U' ' && !header_at_ && IsAmount(grid_.Current().column)) {
    Go([&] { grid_.SwapSides(); });
  } else if (key.vk == kSaveKey || key.ch == kCtrlS) {
    Save();
  } else if (key.vk == kInsertLineKey) {
    InsertLine();
  } else if (key.vk == kDeleteLineKey) {
    DeleteLine();
  } else if (key.vk == kGiveUpKey) {
    GiveUp();
  } else if (key.ch == kCtrlN) {
    NewVoucher();
  } else if (key.ch == kCtrlD) {
    OfferAsideDrafts();
  } else {
    return AroundKey(key);
  }
  return true;
}

const std::vector<std::string>& VoucherEntry::Words() {
  if (!words_.empty()) return words_;
  try {
    words_ = keeper_ ? keeper_->Words() : StandardWords();
  } catch (const std::exception& e) {
    boxes_.ShowStatus("凭证字没有读到：" + FaultText(e), true);
    return StandardWords();  // read again next time
  }
  return words_;
}

void VoucherEntry::Save() {
  boxes_.BeginAction();  // a fault a key before met is tried again, not told again
  Commit();
  if (!LeaveHeader("没有保存：")) return;
  KeepDraft(true);
  if (!keeper_) {
    boxes_.ShowStatus("没有保存：这个账套不能保存凭证", true);
    return;
  }
  try {
    std::vector<Problem> problems = Check(
        grid_.voucher(),
        [this](long kind, const std::string& code, long class_id) {
          NamedEntry e = Names().Look(kind, code, class_id, 0);
          if (kind == nlAccount && e.known) {
            const KeptBy kept = ReadKept(code);
            e.item_class = kept.item_class;
            e.currency = kept.currency;
            e.quantity = kept.quantity;
            e.unit = kept.unit;
          }
          return e;
        },
        Words());
    MarkLines(problems);
    if (!problems.empty()) {
      boxes_.ShowStatus("没有保存：" + problems.front().Message(), true);
      return;
    }
    Voucher saved = grid_.voucher();
    std::erase_if(saved.lines, [](const VoucherLine& l) { return l.IsBlank(); });
    keeper_->Save(saved);
    DiscardDraft();
    Fresh(saved.date, saved.word);
    // The message stays readable: the next voucher's first list waits for a key.
    if (listkit::NameListBase* shown = boxes_.Shown()) shown->HideList();
    boxes_.ShowStatus("已保存：" + saved.word + "字第 " + std::to_string(saved.number) + " 号（" +
                          saved.date.substr(0, 7) + "），开始录入下一张凭证",
                      false);
  } catch (const SaveUnsettled& e) {
    boxes_.ShowStatus(UnsettledText(e), true);  // the voucher and its draft stay as they are
    unsettled_ = true;
  } catch (const std::exception& e) {
    // After a save of unknown outcome, a retry that failed settles nothing.
    boxes_.ShowStatus(unsettled_ ? UnsettledText(e) : "没有保存：" + WhyNot(e), true);
  }
}

void VoucherEntry::MarkLines(const std::vector<Problem>& problems) {
  marked_.clear();
  for (const Problem& p : problems) {
    if (p.line > 0) marked_.push_back(p.line - 1);
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
    asked_ = Asked::kLeave;
    leave_to_ = text;
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
    Show(*found, *found);
    boxes_.ShowStatus("已打开凭证 " + name + (found->voided_at.empty() ? "" : "（已作废）"), false);
  } catch (const std::exception& e) {
    boxes_.ShowStatus("没有打开凭证 " + name + "：" + WhyNot(e), true);
  }
}

const char* VoucherEntry::Question() const {
  switch (asked_) {
    case Asked::kDraft:
      return offered_unsaved_ ? kDraftQuestion : kMaybeSavedDraftQuestion;
    case Asked::kAside:
      return kAsideQuestion;
    case Asked::kDeleteDraft:
      return kDeleteDraftQuestion;
    case Asked::kGiveUp:
      return kGiveUpQuestion;
    case Asked::kNew:
      return unsettled_ ? kNewUnsettledQuestion : kNewQuestion;
    case Asked::kLeave:
      return unsettled_ ? kLeaveToUnsettledQuestion : kLeaveQuestion;
    case Asked::kLeaveUnsettled:
      return kLeaveUnsettledQuestion;
    case Asked::kVoid:
      return kVoidQuestion;
    case Asked::kDelete:
      return kDeleteQuestion;
    case Asked::kNone:
      break;
  }
  return nullptr;
}

const char* VoucherEntry::QuestionKeys() const {
  switch (asked_) {
    case Asked::kDraft:
      return "（Y 录入 N 放一边 D 删除 Esc 下次）";
    case Asked::kAside:
      return "（Y 录入 N 下一张 D 删除 Esc 返回）";
    case Asked::kLeave:
      return "（Y 保存 / N 不保存 / Esc 返回）";
    default:
      return "（Y/N）";
  }
}

bool VoucherEntry::QuestionKey(const FormKey& key) {
  if (key.ch == U'y' || key.ch == U'Y' || key.vk == VK_RETURN) {
    Answer(true);
  } else if (key.ch == U'n' || key.ch == U'N') {
    Answer(false);
  } else if (key.vk == VK_ESCAPE) {
    Dismiss();
  } else if ((key.ch == U'd' || key.ch == U'D') && DraftOffered()) {
    asked_ = Asked::kDeleteDraft;
  } else {
    return false;
  }
  return true;
}

void VoucherEntry::Dismiss() {
  if (asked_ == Asked::kLeave) {  // back to the voucher, which is not left
    asked_ = Asked::kNone;
    leave_to_.reset();
    return;
  }
  if (!DraftOffered() && asked_ != Asked::kDeleteDraft) return Answer(false);
  if (asked_ == Asked::kDeleteDraft) {  // back to the draft's own question
    asked_ = offered_aside_ ? Asked::kAside : Asked::kDraft;
    return;
  }
  asked_ = Asked::kNone;
  offered_.reset();
  drafts_->Leave();
  if (!offered_aside_) OfferDraft(false);  // the next draft of a window gone
}

void VoucherEntry::Answer(bool yes) {
  Asked asked = std::exchange(asked_, Asked::kNone);
  if (asked == Asked::kDraft || asked == Asked::kAside) return TakeDraft(yes);
  if (asked == Asked::kDeleteDraft) {
    if (!yes) {
      asked_ = offered_aside_ ? Asked::kAside : Asked::kDraft;
      return;
    }
    try {
      drafts_->Delete();
      boxes_.ShowStatus("草稿已删除", false);
    } catch (const std::exception& e) {
      boxes_.ShowStatus(FaultText(e), true);
    }
    return OfferDraft(offered_aside_);
  }
  if (asked == Asked::kLeave) return Leave(yes);
  if (asked == Asked::kLeaveUnsettled) {
    quitting_ = yes;  // the draft stays for the next F5 to settle
    return;
  }
  if (!yes) return;
  if (asked == Asked::kVoid || asked == Asked::kDelete) return Mark(asked == Asked::kVoid);
  if (asked == Asked::kGiveUp) Revert();
  if (asked == Asked::kNew) {
    DiscardDraft();
    Fresh(grid_.voucher().date, grid_.voucher().word);
    boxes_.ShowStatus("已放弃修改，开始录入新凭证", false);
  }
}

bool VoucherEntry::Quit() {
  Commit();
  if (!Unsaved()) return quitting_ = true;
  asked_ = unsettled_ ? Asked::kLeaveUnsettled : Asked::kLeave;
  leave_to_.reset();
  return false;
}

void VoucherEntry::Leave(bool save) {
  std::optional<std::string> to = std::exchange(leave_to_, std::nullopt);
  if (save) {
    Save();
    if (Unsaved()) return;  // not saved: the status line says why, and the voucher stays
  } else {
    DiscardDraft();
    Fresh(grid_.voucher().date, grid_.voucher().word);
  }
  if (to) {
    OpenByText(*to);
  } else {
    quitting_ = true;
  }
}

void VoucherEntry::Revert() {
  const Voucher& now = grid_.voucher();
  if (clean_) {
    Show(*clean_, *clean_);
  } else {
    // Only a draft of the saved voucher is known: the voucher is read again.
    std::string name =
        now.date.substr(0, 7) + " " + now.word + "字第 " + std::to_string(now.number) + " 号";
    try {
      std::optional<Voucher> saved =
          keeper_ ? keeper_->Open(now.word, now.date.substr(0, 7), now.number) : std::nullopt;
      if (!saved) return boxes_.ShowStatus("没有放弃修改：找不到凭证 " + name, true);
      Show(*saved, *saved);
    } catch (const std::exception& e) {
      return boxes_.ShowStatus("没有放弃修改：凭证 " + name + " 读不出来：" + WhyNot(e), true);
    }
  }
  DiscardDraft();
  boxes_.ShowStatus(grid_.voucher().id != 0 ? "已放弃修改，回到已保存的凭证" : "已放弃修改", false);
}

void VoucherEntry::TakeDraft(bool take) {
  std::optional<Voucher> draft = std::exchange(offered_, std::nullopt);
  if (!draft) return;
  try {
    if (!take) {
      drafts_->SetAside();
      boxes_.ShowStatus("草稿已放到一边：按 " + std::string(kAsideKeys) + " 可以再找回", false);
      return OfferDraft(offered_aside_);
    }
    drafts_->Take();
  } catch (const std::exception& e) {
    boxes_.ShowStatus(FaultText(e), true);
    return;
  }
  if (draft->uid.empty()) draft->uid = NewVoucherUid();  // a draft of an older form
  Voucher begun = *draft;
  begun.lines.clear();
  // A draft of a saved voucher has changes against that one; a new one against nothing.
  Show(*draft, draft->id != 0 ? std::nullopt : std::optional<Voucher>(begun));
  draft_written_ = draft_synced_ = DraftText(grid_.voucher());
  boxes_.ShowStatus(offered_unsaved_ ? "已恢复上次没有保存的凭证"
                                     : "已恢复上次的草稿：按 F5 查明，已保存的凭证不会再存一次",
                    false);
}

bool VoucherEntry::Balanced() const { return TotalsOf(grid_.voucher()).Balanced(); }

std::string VoucherEntry::TotalsText() const {
  Totals t = TotalsOf(grid_.voucher());
  std::string text = "借方合计 " + t.debit.Text() + "   贷方合计 " + t.credit.Text();
  if (!t.Balanced()) text += "   差额 " + t.Difference().Text();
  return text;
}

std::string VoucherEntry::CapitalsText() const {
  return "人民币大写：" + InCapitals(TotalsOf(grid_.voucher()).debit);
}

std::string VoucherEntry::PreparerText() const {
  const std::string& who = grid_.voucher().preparer.empty() ? preparer_ : grid_.voucher().preparer;
  return "制单人：" + who;
}

std::string VoucherEntry::NumberText() const {
  const Voucher& v = grid_.voucher();
  if (v.number <= 0) return "（保存时编号）";
  return "第 " + std::to_string(v.number) + " 号" + (v.voided_at.empty() ? "" : "（作废）");
}

}  // namespace glnamelist::voucher
