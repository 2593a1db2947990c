#include "apps/voucher/voucher_boxes.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "apps/voucher/code_messages.h"
#include "apps/voucher/error_text.h"
#include "apps/voucher/form_words.h"
#include "apps/voucher/kind_pictures.h"
#include "contracts/environment.h"
#include "contracts/list_kinds.h"
#include "contracts/live_data.h"
#include "contracts/text.h"
#include "contracts/virtual_keys.h"
#include "services/library_services.h"

namespace glnamelist::voucher {
namespace {

constexpr long kPoint = '.';
constexpr long kIdeographicFullStop = 0x3002;  // 。
constexpr long kFullwidthFullStop = 0xFF0E;    // ．

// The boxes whose codes have levels, a trailing point asking for the level below.
bool IsLevelledCode(long kind) { return kind == nlAccount || kind == nlItem || kind == nlSubMes; }

// The boxes whose chosen entry may have entries below it to list.
bool DrillsDown(long kind) { return kind == nlAccount || kind == nlItem; }

}  // namespace

const std::vector<VoucherBoxes::BoxKind>& VoucherBoxes::Kinds() {
  static const std::vector<BoxKind> kinds = {
      {"摘要", nlVchExp},        {"科目", nlAccount},    {"币别", nlCurrency},
      {"核算类别", nlItemClass}, {"核算项目", nlItem},   {"单位组", nlUnitGroup},
      {"计量单位", nlUnit},      {"明细分类", nlSubMes}, {"结算方式", nlSettleType}};
  return kinds;
}

std::vector<long> VoucherBoxes::ListKinds() {
  std::vector<long> kinds;
  for (const BoxKind& k : Kinds()) kinds.push_back(k.kind);
  return kinds;
}

VoucherBoxes::VoucherBoxes(platform::WindowSystem& windows, WriteBox write,
                           const std::vector<TextBoxPtr>& boxes, const std::vector<BoxKind>& kinds)
    : windows_(windows), write_(std::move(write)) {
  for (size_t i = 0; i < kinds.size() && i < boxes.size(); ++i) {
    Field f;
    f.index = i;
    f.label = kinds[i].label;
    f.kind = kinds[i].kind;
    f.box = boxes[i];
    f.hwnd = f.box->hWnd();
    fields_.push_back(std::move(f));
  }
  focused_ = last_focused_ = status_box_ = fields_.size();
  for (Field& f : fields_) {
    f.watch = windows_.AddScopedHook(
        f.hwnd,
        [this](long, long& msg, long&, long&, bool&, long&) {
          if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS) BeginAction();
          if (msg != WM_KEYDOWN && msg != WM_CHAR) return;
          BeginAction();
          retry_ = true;
          ++keys_;
          if (auto service = service_.lock()) key_answers_ = service->Answers();
        },
        [this, i = f.index](long, long msg, long, long) { Watch(fields_[i], msg); });
  }
  // A fault the lists absorb (a listing that fails ends silently) is still told.
  try {
    if (std::shared_ptr<LiveData> live = LiveDataOf(GetGLData())) {
      live->OnFault([this](const std::exception& e) { ShowFault("", e); });
      service_ = live;
    }
  } catch (const std::exception&) {
    // No data service yet: its errors reach the lists' own callers.
  }
}

VoucherBoxes::~VoucherBoxes() {
  if (auto service = service_.lock()) service->OnFault(nullptr);
  changed_ = nullptr;
  for (Field& f : fields_) {
    f.watch.reset();
    DetachList(f);
  }
  shown_ = nullptr;
}

void VoucherBoxes::DetachList(Field& f) {
  f.hook.reset();
  if (!f.list) return;
  try {
    f.list->Detach();
  } catch (const std::exception&) {
    // The list goes whatever Detach says.
  }
  f.list.reset();
}

bool VoucherBoxes::AttachList(Field& f) {
  try {
    // A new list each time: list setup never retries a failed account copy.
    auto list = std::make_shared<GLNameList>();
    list->HotTrace(hot_trace_);
    list->Attach(f.box, f.kind);
    if (PicturePtr picture = KindPicture(f.kind)) list->PicDefault(picture);
    f.list = std::move(list);
  } catch (const std::exception& e) {
    f.failed = true;
    ShowFault(f.label + ": ", e);
    return false;
  }
  Answered();
  const size_t i = f.index;
  f.hook = windows_.AddScopedHook(
      f.hwnd,
      [this, i](long, long& msg, long& wParam, long&, bool&, long&) {
        Before(fields_[i], msg, wParam);
      },
      [this, i](long, long msg, long wParam, long) { After(fields_[i], msg, wParam); });
  return true;
}

bool VoucherBoxes::DataChanged(const std::vector<long>& kinds) {
  if (!kinds.empty()) {
    ++data_version_;
    names_ = EntryNames();  // it holds copies of the sets as they were
    for (Field& f : fields_) {
      f.stale = f.stale || std::find(kinds.begin(), kinds.end(), f.kind) != kinds.end();
    }
  }
  bool renewed = false;
  for (Field& f : fields_) {
    // A box still waiting for its list gets the new data when it is attached.
    if (!f.stale || !f.list || (shown_ && shown_->OwnerHwnd() == f.hwnd)) continue;
    f.stale = false;
    DetachList(f);
    AttachList(f);
    renewed = true;
  }
  if (kinds.empty() && !renewed) return false;
  LookUpAgain();
  Changed();
  return true;
}

void VoucherBoxes::LookUpAgain() {
  for (Field& f : fields_) {
    if (!f.list) continue;
    const bool known = f.entry.known;
    f.looked_up.clear();
    try {
      LookUp(f);
    } catch (const std::exception& e) {
      ShowFault("", e);
      continue;
    }
    if (known && !f.entry.known) {
      if (std::string problem = Problem(f); !problem.empty()) ShowStatusOf(f, problem, true);
    }
  }
  try {
    DropAnsweredComplaint();
  } catch (const std::exception& e) {
    ShowFault("", e);
  }
}

void VoucherBoxes::DropAnsweredComplaint() {
  if (status_box_ >= fields_.size() || !status_error_) return;
  Field& f = fields_[status_box_];
  const std::string code = CodeIn(f.kind, status_text_of_box_);
  long class_id = f.kind == nlItem || f.kind == nlSubMes ? ItemClassId() : 0;
  long group_id = f.kind == nlUnit ? UnitGroupId() : 0;
  NamedEntry entry = names_.Look(f.kind, code, class_id, group_id);
  if (!code.empty() && LeavingComplaint(f.kind, code, entry).empty()) ShowStatus("", false);
}

bool VoucherBoxes::AttachLists(const ListReady& ready) {
  if (std::exchange(retry_, false)) {
    for (Field& f : fields_) {
      if (f.failed) f.waiting = true, f.failed = false;
    }
  }
  bool waiting = false;
  bool attached = false;
  for (size_t i = 0; i < fields_.size(); ++i) {
    Field& f = fields_[i];
    if (!f.waiting) continue;
    try {
      if (ready && !ready(f.kind)) {
        waiting = true;
        continue;
      }
    } catch (const std::exception& e) {  // its data could not be read
      f.waiting = false;
      f.failed = true;
      ShowFault(f.label + ": ", e);
      continue;
    }
    f.waiting = false;
    f.stale = false;
    if (!AttachList(f)) continue;
    attached = true;
    ListOnArrival(f);
  }
  if (attached) {
    try {
      LookUpAll();  // the names of codes typed while the lists were read
    } catch (const std::exception& e) {
      ShowFault("", e);
    }
    Changed();
  }
  return !waiting;
}

void VoucherBoxes::ListOnArrival(Field& f) {
  if (f.index != focused_ || !hot_trace_) return;
  try {
    windows_.SendMessage(f.hwnd, WM_SETFOCUS, 0, 0);
  } catch (const std::exception& e) {
    ShowFault("", e);
  }
}

long VoucherBoxes::Window(size_t box) const { return box < fields_.size() ? fields_[box].hwnd : 0; }

bool VoucherBoxes::HasList(size_t box) const {
  return box < fields_.size() && fields_[box].list != nullptr;
}

bool VoucherBoxes::Waiting(size_t box) const {
  return box < fields_.size() && fields_[box].waiting;
}

bool VoucherBoxes::ListsWaiting() const {
  for (const Field& f : fields_) {
    if (f.waiting || (f.failed && retry_)) return true;
  }
  return false;
}

const std::string& VoucherBoxes::NameBeside(size_t box) const {
  static const std::string kNone;
  if (!HasList(box)) return kNone;
  const Field& f = fields_[box];
  return f.entry.known && f.entry.name != CodeOf(f) ? f.entry.name : kNone;
}

size_t VoucherBoxes::BoxOfWindow(long hWnd) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i].hwnd == hWnd) return i;
  }
  return fields_.size();
}

void VoucherBoxes::HotTrace(bool on) {
  hot_trace_ = on;
  for (Field& f : fields_) {
    if (f.list) f.list->HotTrace(hot_trace_);
  }
  Changed();
}

void VoucherBoxes::ToggleHotTrace() {
  HotTrace(!hot_trace_);
  ShowStatus(hot_trace_ ? kListOnEntrySwitchedOn : kListOnEntrySwitchedOff, false);
}

void VoucherBoxes::ShowStatus(std::string text, bool error) {
  status_ = std::move(text);
  status_error_ = error;
  status_box_ = fields_.size();
  fault_shown_ = false;
  Changed();
}

void VoucherBoxes::ShowStatusOf(const Field& field, std::string text, bool error) {
  std::string box_text = windows_.IsWindow(field.hwnd) ? windows_.Text(field.hwnd) : "";
  ShowStatus(std::move(text), error);
  status_box_ = field.index;
  status_text_of_box_ = std::move(box_text);
}

void VoucherBoxes::ClearStatus(const std::string& text) {
  if (status_ == text) ShowStatus("", false);
}

void VoucherBoxes::DropStaleStatus() {
  if (status_box_ >= fields_.size()) return;
  long hwnd = fields_[status_box_].hwnd;
  if (windows_.IsWindow(hwnd) && windows_.Text(hwnd) == status_text_of_box_) return;
  ShowStatus("", false);
}

int VoucherBoxes::ListingGuardMs() const {
  if (last_listing_ < 0) return 0;
  double elapsed = static_cast<double>(Env().Timer()) - last_listing_;
  // A clock that went back (midnight) lets a listing through, as it does the lists'.
  if (elapsed < 0 || elapsed >= GLNameList::kRepeatSeconds) return 0;
  return std::max(1, static_cast<int>(std::ceil((GLNameList::kRepeatSeconds - elapsed) * 1000)));
}

void VoucherBoxes::MarkListing() { last_listing_ = Env().Timer(); }

void VoucherBoxes::BeginAction() {
  if (auto service = service_.lock()) service->BeginAction();
}

void VoucherBoxes::ShowFault(const std::string& prefix, const std::exception& e) {
  ShowStatus(prefix + FaultText(e), true);
  fault_shown_ = Unreachable(e);
  fault_key_ = keys_;
}

void VoucherBoxes::Answered() {
  // An answer to the key that met the fault says nothing of the fault: what failed failed.
  if (!fault_shown_ || fault_key_ == keys_) return;
  // Nor does one from what was read before: the fault stands until a key reaches the ledger.
  if (auto service = service_.lock(); service && service->Answers() == key_answers_) return;
  for (const Field& f : fields_) {
    if (f.failed) return;  // its fault stands until it is tried again
  }
  ShowStatus("", false);
}

void VoucherBoxes::Changed() {
  if (changed_) changed_();
}

VoucherBoxes::Field* VoucherBoxes::FieldOfKind(long kind) {
  for (Field& f : fields_) {
    if (f.kind == kind) return &f;
  }
  return nullptr;
}

VoucherBoxes::Field* VoucherBoxes::FieldOfWindow(long hwnd) {
  size_t box = BoxOfWindow(hwnd);
  return box < fields_.size() ? &fields_[box] : nullptr;
}

// The code a box holds: its text without surrounding blanks and, in the boxes that list the
// children of a code ending in a point, without that point.
std::string VoucherBoxes::CodeOf(const Field& field) const {
  return windows_.IsWindow(field.hwnd) ? CodeIn(field.kind, windows_.Text(field.hwnd)) : "";
}

std::string VoucherBoxes::CodeIn(long kind, const std::string& text) {
  std::string code(text::Trim(text, " \t"));
  if (IsLevelledCode(kind) && !code.empty() && code.back() == '.') code.pop_back();
  return code;
}

// The class in the item-class box: by its code, typed or chosen.
long VoucherBoxes::ItemClassId() {
  Field* classes = FieldOfKind(nlItemClass);
  if (!classes) return 0;
  return names_.Look(nlItemClass, CodeOf(*classes), 0, 0).id;
}

// The group in the unit-group box: by its code, typed or chosen.
long VoucherBoxes::UnitGroupId() {
  Field* groups = FieldOfKind(nlUnitGroup);
  if (!groups) return 0;
  return names_.Look(nlUnitGroup, CodeOf(*groups), 0, 0).id;
}

// The item and SubMes boxes list the class in the item-class box, the unit box the group
// in the unit-group box.
void VoucherBoxes::SyncParentIds(Field& field) {
  if (!field.list) return;
  if (field.kind == nlItem || field.kind == nlSubMes) {
    field.list->ItemClassID(ItemClassId());
  } else if (field.kind == nlUnit) {
    field.list->UnitGroupID(UnitGroupId());
  }
}

void VoucherBoxes::LookUp(Field& f) {
  long class_id = f.kind == nlItem || f.kind == nlSubMes ? ItemClassId() : 0;
  long group_id = f.kind == nlUnit ? UnitGroupId() : 0;
  std::string code = CodeOf(f);
  std::string key = code + '\n' + std::to_string(class_id) + '\n' + std::to_string(group_id);
  if (key == f.looked_up) return;
  // Recorded once done: a look-up that fails is made again on the next key.
  f.looked_up.clear();
  f.entry = {};
  f.lookup_failed = true;
  f.entry = names_.Look(f.kind, code, class_id, group_id);
  f.lookup_failed = false;
  f.looked_up = key;
}

void VoucherBoxes::LookUpAll() {
  bool looked = false;
  for (Field& f : fields_) {
    if (!f.list) continue;
    LookUp(f);
    looked = true;
  }
  if (looked) Answered();
}

std::string VoucherBoxes::Problem(const Field& f) const {
  // A look-up that failed says nothing of the code: its fault is in the status line.
  return f.list && !f.lookup_failed ? LeavingComplaint(f.kind, CodeOf(f), f.entry) : "";
}

void VoucherBoxes::HintAfterListing(const Field& f) {
  if (f.lookup_failed) return;  // its fault is in the status line
  ListingOutcome o;
  o.kind = f.kind;
  o.code = CodeOf(f);
  std::string text(text::Trim(windows_.Text(f.hwnd), " \t"));
  o.point = !text.empty() && text.back() == '.';
  o.entry = f.entry;
  if (f.kind == nlItem || f.kind == nlSubMes) o.parent_chosen = ItemClassId() != 0;
  if (f.kind == nlUnit) o.parent_chosen = UnitGroupId() != 0;
  o.listed = shown_ && shown_->OwnerHwnd() == f.hwnd;
  if (o.listed && (f.kind == nlAccount || f.kind == nlItem)) {
    long all = names_.Count(f.kind, f.kind == nlItem ? ItemClassId() : 0);
    o.lists_all = all > 0 && shown_->Rows().Rows() == all;
  }
  if (Hint hint = ListingHint(o); !hint.text.empty()) ShowStatusOf(f, hint.text, hint.error);
}

void VoucherBoxes::Before(Field& field, long msg, long& wParam) {
  long unit = wParam & 0xFFFF;
  if (msg == WM_CHAR && IsLevelledCode(field.kind) &&
      (unit == kIdeographicFullStop || unit == kFullwidthFullStop)) {
    wParam = kPoint;
  }
  if (msg != WM_SETFOCUS && msg != WM_KEYDOWN && msg != WM_CHAR) return;
  try {
    SyncParentIds(field);
  } catch (const std::exception& e) {
    ShowFault("", e);  // the message still reaches the box
  }
}

void VoucherBoxes::After(Field& field, long msg, long wParam) {
  if (msg != WM_SETFOCUS && msg != WM_KEYDOWN && msg != WM_CHAR) return;
  long unit = wParam & 0xFFFF;
  bool listing_key = (msg == WM_KEYDOWN && unit == VK_F8) || (msg == WM_CHAR && unit == kPoint);
  // The list may have listed (focus with HotTrace, F8, a point): its repeat guard runs.
  if (msg == WM_SETFOCUS || listing_key) MarkListing();
  try {
    LookUpAll();
    if (listing_key && (msg == WM_KEYDOWN || hot_trace_)) HintAfterListing(field);
  } catch (const std::exception& e) {
    ShowFault("", e);
  }
  Changed();
}

void VoucherBoxes::Watch(Field& field, long msg) {
  if (msg == WM_SETFOCUS) {
    Entered(field);
  } else if (msg == WM_KILLFOCUS && focused_ == field.index) {
    focused_ = fields_.size();
  }
  DropStaleStatus();
}

void VoucherBoxes::Entered(Field& field) {
  size_t left = last_focused_;
  focused_ = last_focused_ = field.index;
  if (left >= fields_.size() || left == field.index) return;
  Field& before = fields_[left];
  try {
    LookUp(before);
    if (std::string problem = Problem(before); !problem.empty()) {
      ShowStatusOf(before, problem, true);
    }
  } catch (const std::exception& e) {
    ShowFault("", e);
  }
}

void VoucherBoxes::RowChosen(listkit::NameListBase& list, long hWnd, long row,
                             const std::string& code) {
  Field* f = FieldOfWindow(hWnd);
  if (!f || !windows_.IsWindow(hWnd)) return;
  std::string text = code;
  const listkit::ListRows& rows = list.Rows();
  const listkit::ListRows::Row& chosen = rows.Peek(row);
  if (f->kind == nlVchExp && !chosen.cells[2].empty()) {
    text = chosen.cells[2];  // the explanation itself goes into the voucher
  } else if (f->kind == nlUnitGroup) {
    // Its list shows names only; the group is told apart by its row among those of its name.
    long nth = 0;
    for (long r = 1; r < row; ++r) nth += rows.Peek(r).cells[1] == chosen.cells[1] ? 1 : 0;
    if (std::string group = names_.UnitGroupCode(chosen.cells[1], nth); !group.empty()) {
      text = group;
    }
  }
  write_(hWnd, text);
  // Only a parent account or item has something new to list once chosen.
  if (f->list && !DrillsDown(f->kind)) f->list->HotTrace(false);
}

void VoucherBoxes::ChoiceEnded(listkit::NameListBase& /*list*/, long hWnd) {
  Field* f = FieldOfWindow(hWnd);
  if (f && f->list) f->list->HotTrace(hot_trace_);
  MarkListing();  // SelChanged may have listed the sub-entries of a parent
  DropStaleStatus();
  try {
    LookUpAll();
  } catch (const std::exception& e) {
    ShowFault("", e);
  }
  Changed();
}

void VoucherBoxes::ListShown(listkit::NameListBase& list) {
  listkit::NameListBase* other = shown_;
  shown_ = &list;
  if (other && other != &list) other->HideList();
}

void VoucherBoxes::ListHidden(listkit::NameListBase& list) {
  if (shown_ == &list) shown_ = nullptr;
}

void VoucherBoxes::ReportError(const std::string& message) { ShowStatus(message, true); }

void VoucherBoxes::ReportFailure(const std::exception& e) { ShowFault("", e); }

}  // namespace glnamelist::voucher
