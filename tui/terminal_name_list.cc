#include "tui/terminal_name_list.h"

#include <algorithm>
#include <exception>

#include "contracts/environment.h"
#include "contracts/text.h"
#include "contracts/virtual_keys.h"
#include "tui/error_text.h"
#include "tui/text.h"

namespace glnamelist::tui {
namespace {

constexpr int kGlyphColumns = 2;
constexpr int kColumnGap = 2;
constexpr const char* kFoundTitle = " 查找结果 ";

}  // namespace

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
  int screen_rows = host_->ScreenRows();
  int screen_cols = host_->ScreenCols();
  Rect owner = host_->BoxRect(owner_);
  if (owner.height <= 0) owner = Rect{0, 0, 1, kMinWidth};

  int want_rows = static_cast<int>(std::clamp(data_->Rows(), 1L, long{kMaxShownRows}));
  int content = kOnRequestWidth;  // rows not yet handed over cannot be measured
  if (!data_->OnRequest() && data_->Rows() <= 2000) {
    int sum = 1 + kGlyphColumns + 1;
    for (int col : data_->ShownColumns()) {
      int widest = 0;
      for (long r = 1; r <= data_->Rows(); ++r) {
        widest = std::max(widest, TextWidth(data_->Peek(r).cells[static_cast<size_t>(col)]));
      }
      sum += widest + kColumnGap;
    }
    content = sum + 2;
  }
  int width = std::min(screen_cols, std::max({owner.width, kMinWidth, content}));

  int below = screen_rows - (owner.y + 1);
  int above = owner.y;
  Rect f;
  if (below >= want_rows + 2 || below >= above) {
    f.y = owner.y + 1;
    f.height = std::min(want_rows + 2, below);
  } else {
    f.height = std::min(want_rows + 2, above);
    f.y = owner.y - f.height;
  }
  if (f.height < 3 || width < 8) return Rect{};
  f.width = width;
  f.x = std::clamp(owner.x, 0, screen_cols - width);
  return f;
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
  SelChanged.Raise();
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
  host_->SetBoxText(owner, code);
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

  // Hand over the rows about to be painted, then measure the columns.
  std::string error;
  for (long r = top_; r <= last; ++r) {
    try {
      data_->Fetch(r);
    } catch (const std::exception& e) {
      if (error.empty()) error = ErrorText(e);
    }
  }
  if (!error.empty()) host_->ReportError(error);

  int inner = f.width - 2;
  std::vector<int> columns = data_->ShownColumns();
  // The short code says nothing new where every shown row has its full code there too
  // (a listing without a parent entry, a search result).
  bool short_is_full = data_->OnRequest() && last >= top_;
  for (long r = top_; r <= last && short_is_full; ++r) {
    short_is_full = data_->Peek(r).cells[0] == data_->Peek(r).cells[1];
  }
  if (short_is_full) columns.erase(columns.begin());
  std::vector<int> widths(columns.size(), 0);
  long measure_from = data_->OnRequest() ? top_ : 1;
  long measure_to = data_->OnRequest() ? last : std::min(rows, 2000L);
  for (size_t i = 0; i + 1 < columns.size(); ++i) {
    for (long r = measure_from; r <= measure_to; ++r) {
      widths[i] =
          std::max(widths[i], TextWidth(data_->Peek(r).cells[static_cast<size_t>(columns[i])]));
    }
    widths[i] = std::min(widths[i], inner / 3);
  }

  FillRect(screen, f, Style::kNormal);
  DrawFrame(screen, f, Style::kFrame);
  if (found_) screen.Put(f.y, f.x + 2, ClipToWidth(kFoundTitle, inner - 2), Style::kTitle);
  for (long r = top_; r <= last; ++r) {
    PaintRow(screen, f.y + 1 + static_cast<int>(r - top_), f.x + 1, inner, r, columns, widths);
  }
  if (rows == 0)
    screen.Put(f.y + 1, f.x + 2, ClipToWidth("（没有数据）", inner - 1), Style::kNormal);

  std::string position =
      " 第 " + std::to_string(selection_) + " 行 / 共 " + std::to_string(rows) + " 行 ";
  position = ClipToWidth(position, inner);
  screen.Put(f.y + f.height - 1, f.x + f.width - 1 - TextWidth(position), position, Style::kTitle);
}

void TerminalNameList::PaintRow(Screen& screen, int y, int x, int width, long row,
                                const std::vector<int>& columns, const std::vector<int>& widths) {
  const TerminalListData::Row& cells = data_->Peek(row);
  bool selected = row == selection_;
  Style base = selected ? Style::kSelected : Style::kNormal;
  Style match = selected ? Style::kSelectedMatch : Style::kMatch;
  screen.Put(y, x, std::string(static_cast<size_t>(width), ' '), base);

  int end = x + width;
  int at = x;
  // A marker in front of the selected row, for terminals that show no reverse video.
  screen.Put(y, at, selected ? ">" : " ", base);
  ++at;
  std::string glyph;
  if (cells.picture) glyph = ClipToWidth(host_->PictureGlyph(cells.picture->Key()), kGlyphColumns);
  screen.Put(y, at, PadToWidth(glyph, kGlyphColumns), base);
  at += kGlyphColumns + 1;

  for (size_t i = 0; i < columns.size() && at < end; ++i) {
    bool last = i + 1 == columns.size();
    int cell_width = last ? end - at : std::min(widths[i], end - at);
    std::string text =
        ClipToWidth(Printable(cells.cells[static_cast<size_t>(columns[i])]), cell_width);
    screen.Put(y, at, text, base);
    for (auto [b, e] : FindAll(text, marked_)) {
      screen.Put(y, at + TextWidth(std::string_view(text).substr(0, b)), text.substr(b, e - b),
                 match);
    }
    at += cell_width + kColumnGap;
  }
}

}  // namespace glnamelist::tui
