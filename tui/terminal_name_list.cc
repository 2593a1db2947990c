#include "tui/terminal_name_list.h"

#include <algorithm>
#include <exception>

#include "contracts/environment.h"
#include "contracts/text.h"
#include "contracts/virtual_keys.h"
#include "tui/error_text.h"
#include "tui/list_layout.h"
#include "tui/list_painter.h"

namespace glnamelist::tui {
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

TerminalNameList::TerminalNameList(std::shared_ptr<ListHost> host)
    : host_(std::move(host)), data_(std::make_shared<TerminalListData>()) {}

TerminalNameList::~TerminalNameList() {
  if (visible_) host_->ListHidden(*this);
}

void TerminalNameList::EnterWindowProc(long hWnd, long Msg, long wParam, long /*lParam*/,
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

void TerminalNameList::LeaveWindowProc(long hWnd, long Msg, long wParam, long /*lParam*/) {
  if (!visible_ || hWnd != owner_) return;
  long code = wParam & 0xFFFF;
  bool edited = (Msg == WM_CHAR && code != VK_RETURN && code != VK_ESCAPE) ||
                (Msg == WM_KEYDOWN && (code == VK_BACK || code == VK_DELETE));
  if (Msg == WM_KILLFOCUS || edited) HideList();
}

bool TerminalNameList::OnKeyDown(short& KeyCode, short& /*Shift*/) {
  if (no_key_down_key_up_ || !visible_ || !IsListKey(KeyCode)) return false;
  short key = KeyCode;
  KeyCode = 0;
  HandleKey(key);
  return true;
}

bool TerminalNameList::OnKeyUp(short& KeyCode, short& /*Shift*/) {
  if (no_key_down_key_up_ || !visible_ || !IsListKey(KeyCode)) return false;
  KeyCode = 0;
  return true;
}

std::string TerminalNameList::GetEditText(long hWnd, long flag) {
  Environment& env = Env();
  long length = env.GetWindowTextLengthA(hWnd);
  std::string text(static_cast<size_t>(std::max(length, 0L)) + 1, '\0');
  long copied = env.GetWindowTextA(hWnd, text, length + 1);
  text.resize(static_cast<size_t>(std::clamp(copied, 0L, length)));
  return flag != 0 ? std::string(text::Trim(text, " \t")) : text;
}

void TerminalNameList::Show(bool found) {
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
  if (!keep) {
    selection_ = rows > 0 ? 1 : 0;
    top_ = 1;
  } else {
    selection_ = std::clamp(selection_, rows > 0 ? 1L : 0L, rows);
    top_ = std::clamp(top_, 1L, std::max(selection_, 1L));
  }
  visible_ = true;
  host_->ListShown(*this);
}

void TerminalNameList::HideList() {
  if (!visible_) return;
  visible_ = false;
  host_->ListHidden(*this);
}

void TerminalNameList::Unload() {
  HideList();
  selection_ = 0;
  top_ = 1;
  marked_.clear();
}

Rect TerminalNameList::Frame() const {
  return ListFrame(*data_, host_->BoxRect(owner_), host_->ScreenRows(), host_->ScreenCols());
}

int TerminalNameList::PageRows() const {
  Rect f = Frame();
  return std::max(f.height - 2, 1);
}

void TerminalNameList::Select(long row) {
  long rows = data_->Rows();
  if (rows == 0) return;
  row = std::clamp(row, 1L, rows);
  if (row == selection_) return;
  selection_ = row;
  long page = PageRows();
  if (selection_ < top_) top_ = selection_;
  if (selection_ >= top_ + page) top_ = selection_ - page + 1;
}

bool TerminalNameList::HandleKey(long key) {
  if (!visible_) return false;
  long page = PageRows();
  switch (key) {
    case VK_UP:
      Select(selection_ - 1);
      break;
    case VK_DOWN:
      Select(selection_ + 1);
      break;
    case VK_PRIOR:
      Select(selection_ - page);
      break;
    case VK_NEXT:
      Select(selection_ + page);
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

void TerminalNameList::Choose() {
  long owner = owner_;
  if (selection_ < 1 || selection_ > data_->Rows()) {
    HideList();
    return;
  }
  TerminalListData::Row row;
  try {
    row = data_->Fetch(selection_);
  } catch (const std::exception& e) {
    HideList();
    host_->ReportError(ErrorText(e));
    return;
  }
  std::string code = row.cells[1].empty() ? row.cells[0] : row.cells[1];
  if (code.size() >= 2 && code.compare(code.size() - 2, 2, " +") == 0) code.resize(code.size() - 2);
  HideList();
  host_->RowChosen(*this, owner, selection_, code);
  SelChanged.Raise();
}

void TerminalNameList::Paint(Screen& screen) {
  if (!visible_) return;
  Rect f = Frame();
  if (f.height == 0) return;
  long rows = data_->Rows();
  long shown = f.height - 2;
  if (selection_ >= top_ + shown) top_ = selection_ - shown + 1;
  top_ = std::clamp(top_, 1L, std::max(rows - shown + 1, 1L));
  long last = std::min(rows, top_ + shown - 1);

  // Hand over the rows about to be painted; the layout measures them.
  std::string error;
  for (long r = top_; r <= last; ++r) {
    try {
      data_->Fetch(r);
    } catch (const std::exception& e) {
      if (error.empty()) error = ErrorText(e);
    }
  }
  if (!error.empty()) host_->ReportError(error);

  ListView view{f,
                top_,
                last,
                selection_,
                found_,
                marked_,
                LayOutColumns(*data_, top_, last, f.width - 2, /*code_listing=*/!found_)};
  PaintList(screen, *data_, view,
            [this](const std::string& key) { return host_->PictureGlyph(key); });
}

}  // namespace glnamelist::tui
