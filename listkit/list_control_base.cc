#include "listkit/list_control_base.h"

#include <algorithm>
#include <exception>

#include "contracts/environment.h"
#include "contracts/text.h"
#include "contracts/virtual_keys.h"
#include "listkit/error_text.h"

namespace glnamelist::listkit {
namespace {

// True for the keys a shown list takes from its box.
bool IsListKey(long key) {
  switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
    case VK_RETURN:
    case VK_ESCAPE:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string PositionText(long selection, long rows) {
  std::string all = "共 " + std::to_string(rows) + " 行";
  return selection > 0 ? "第 " + std::to_string(selection) + " 行 / " + all : all;
}

NameListBase::NameListBase(std::weak_ptr<ListForm> form)
    : form_(std::move(form)), data_(std::make_shared<ListRows>()) {}

NameListBase::~NameListBase() {
  if (auto form = form_.lock(); form && visible_) form->ListHidden(*this);
}

void NameListBase::EnterWindowProc(long hWnd, long Msg, long wParam, long /*lParam*/,
                                   bool& bExecProc, long& lResult) {
  if (!visible_ || hWnd != owner_) return;
  long code = wParam & 0xFFFF;
  if (Msg == WM_KEYDOWN && IsListKey(code)) {
    bExecProc = false;
    lResult = 0;
    HandleKey(code);
  } else if (Msg == WM_CHAR && (code == VK_RETURN || code == VK_ESCAPE)) {
    bExecProc = false;
    lResult = 0;
  }
}

void NameListBase::LeaveWindowProc(long hWnd, long Msg, long wParam, long /*lParam*/) {
  if (!visible_ || hWnd != owner_) return;
  long code = wParam & 0xFFFF;
  bool edited = (Msg == WM_CHAR && code != VK_RETURN && code != VK_ESCAPE) ||
                (Msg == WM_KEYDOWN && (code == VK_BACK || code == VK_DELETE));
  if (Msg == WM_KILLFOCUS || edited) HideList();
}

bool NameListBase::OnKeyDown(short& KeyCode, short& /*Shift*/) {
  if (no_key_down_key_up_ || !visible_ || !IsListKey(KeyCode)) return false;
  short key = KeyCode;
  KeyCode = 0;
  HandleKey(key);
  return true;
}

bool NameListBase::OnKeyUp(short& KeyCode, short& /*Shift*/) {
  if (no_key_down_key_up_ || !visible_ || !IsListKey(KeyCode)) return false;
  KeyCode = 0;
  return true;
}

std::string NameListBase::GetEditText(long hWnd, long flag) {
  Environment& env = Env();
  long length = env.GetWindowTextLengthA(hWnd);
  std::string text(static_cast<size_t>(std::max(length, 0L)) + 1, '\0');
  long copied = env.GetWindowTextA(hWnd, text, length + 1);
  text.resize(static_cast<size_t>(std::clamp(copied, 0L, length)));
  return flag != 0 ? std::string(text::Trim(text, " \t")) : text;
}

void NameListBase::Show(bool found) {
  std::string marked;
  try {
    marked = GetEditText(owner_, -1);
  } catch (const std::exception&) {
    marked.clear();  // no box to read: nothing to mark
  }
  if (!marked.empty() && marked.back() == '.') marked.pop_back();
  bool keep = visible_ && found == found_ && marked == marked_;
  found_ = found;
  marked_ = marked;
  long rows = data_->Rows();
  // A list dropped down without typing has no current row until the user moves to one; the
  // rows found for a typed text start at the first.
  long first = found && rows > 0 ? 1 : 0;
  selection_ = keep ? std::clamp(selection_, std::min(selection_, first), rows) : first;
  visible_ = true;
  if (auto form = form_.lock()) form->ListShown(*this);
  OnShow(keep);
}

void NameListBase::HideList() {
  if (!visible_) return;
  visible_ = false;
  OnHide();
  if (auto form = form_.lock()) form->ListHidden(*this);
}

void NameListBase::Unload() {
  HideList();
  selection_ = 0;
  marked_.clear();
}

void ListForm::ReportFailure(const std::exception& e) { ReportError(ErrorText(e)); }

void NameListBase::ReportError(const std::exception& e) {
  if (auto form = form_.lock()) form->ReportFailure(e);
}

void NameListBase::Select(long row) {
  long rows = data_->Rows();
  if (rows == 0) return;
  row = std::clamp(row, 1L, rows);  // Up from no row goes to the first
  if (row == selection_) return;
  selection_ = row;
  OnSelect();
}

bool NameListBase::HandleKey(long key) {
  if (!visible_) return false;
  switch (key) {
    case VK_UP:
      Select(selection_ - 1);
      break;
    case VK_DOWN:
      Select(selection_ + 1);
      break;
    case VK_PRIOR:
      Select(selection_ - PageRows());
      break;
    case VK_NEXT:
      Select(selection_ + PageRows());
      break;
    case VK_HOME:
      Select(1);
      break;
    case VK_END:
      Select(data_->Rows());
      break;
    case VK_RETURN:
      Choose();
      break;
    case VK_ESCAPE:
      HideList();
      break;
    default:
      return false;
  }
  return true;
}

void NameListBase::Choose(long row) {
  if (!visible_) return;
  Select(row);
  Choose();
}

void NameListBase::Choose() {
  long owner = owner_;
  if (selection_ < 1 || selection_ > data_->Rows()) {
    HideList();
    return;
  }
  ListRows::Row row;
  try {
    row = data_->Fetch(selection_);
  } catch (const std::exception& e) {
    HideList();
    ReportError(e);
    return;
  }
  std::string code(row.cells[1].empty() ? row.cells[0] : ListRows::PlainCode(row.cells[1]));
  HideList();
  std::shared_ptr<ListForm> form = form_.lock();
  if (form) form->RowChosen(*this, owner, selection_, code);
  try {
    SelChanged.Raise();
  } catch (...) {
    if (form) form->ChoiceEnded(*this, owner);
    throw;
  }
  if (form) form->ChoiceEnded(*this, owner);
}

}  // namespace glnamelist::listkit
