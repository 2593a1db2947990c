#include "apps/voucher/tui/voucher_form.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <exception>
#include <utility>

#include "apps/voucher/form_words.h"
#include "apps/voucher/kind_pictures.h"
#include "contracts/text.h"
#include "contracts/virtual_keys.h"
#include "tui/text.h"

namespace glnamelist::tui {
namespace {

constexpr long kCtrlC = 3;
constexpr long kCtrlQ = 17;

// Each line fits into 80 columns.
const char* const kHelp1 = "Tab/Shift-Tab 换框  F8 按代码列出  F9 按名称查找  F2 自动列出 开/关";
const char* const kHelp2 =
    "列表中: Up/Down PgUp/PgDn Home/End 移动  Enter 选定  Esc 关闭  F10/Ctrl-Q 退出";
const char* const kVoucherHelp1 =
    "Tab/Enter 下一格 Shift-Tab 上一格 Up/Down/PgUp/PgDn 换行 Home/End 行首尾";
const char* const kVoucherHelp2 =
    "F8列出 F9查找 =平衡 F3插行 F4删行 ^Z恢复 Esc还原 F5保存 F6打开 F7放弃 F10退出";

// Today, as the voucher's date: YYYY-MM-DD of the local time.
std::string Today() {
  std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

// The text box object the component attaches to: a window handle and a font.
class FormTextBox : public TextBox {
 public:
  explicit FormTextBox(long hwnd) : hwnd_(hwnd) {}
  long hWnd() const override { return hwnd_; }
  FontPtr Font() const override { return font_; }

 private:
  class TerminalFont : public glnamelist::Font {
   public:
    std::string Name() const override { return "Terminal"; }
    double Size() const override { return 1; }
    bool Bold() const override { return false; }
  };
  long hwnd_;
  FontPtr font_ = std::make_shared<TerminalFont>();
};

bool Quits(const KeyPress& key) {
  return (key.kind == KeyPress::kChar && (key.code == kCtrlQ || key.code == kCtrlC)) ||
         (key.kind == KeyPress::kKey && key.code == VK_F10) || key.kind == KeyPress::kEnd;
}

// F10 and Ctrl-Q leave a voucher with changes only after a question; Ctrl-C and the end of
// the terminal leave at once (the draft keeps the changes).
bool AsksFirst(const KeyPress& key) {
  return (key.kind == KeyPress::kChar && key.code == kCtrlQ) ||
         (key.kind == KeyPress::kKey && key.code == VK_F10);
}

// A key read from the terminal as the form tells keys apart.
voucher::FormKey FormKeyOf(const KeyPress& key) {
  switch (key.kind) {
    case KeyPress::kKey:
      return {key.code, 0, key.shift, key.ctrl};
    case KeyPress::kBackTab:
      return {VK_TAB, 0};
    case KeyPress::kChar:
      switch (key.code) {
        case '\t':
          return {VK_TAB, 0};
        case '\r':
        case '\n':
          return {VK_RETURN, 0};
        case VK_ESCAPE:
          return {VK_ESCAPE, 0};
        case VK_BACK:
        case 127:
          return {VK_BACK, 0};
        default:
          return {0, static_cast<char32_t>(key.code)};
      }
    default:
      return {};
  }
}

// The boxes of the page, on windows of their own.
std::shared_ptr<voucher::VoucherBoxes> MakeBoxes(platform::WindowSystem& windows,
                                                 VoucherForm::Page page) {
  const auto& kinds = page == VoucherForm::Page::kBoxes ? voucher::VoucherBoxes::Kinds()
                                                        : voucher::VoucherEntry::BoxKinds();
  std::vector<TextBoxPtr> boxes;
  for (size_t i = 0; i < kinds.size(); ++i) {
    boxes.push_back(std::make_shared<FormTextBox>(windows.CreateWindow()));
  }
  return std::make_shared<voucher::VoucherBoxes>(
      windows, [&windows](long hwnd, const std::string& text) { windows.SetText(hwnd, text); },
      boxes, kinds);
}

}  // namespace

// The form's screen as its lists see it.
class VoucherForm::FormHost : public ListHost {
 public:
  explicit FormHost(VoucherForm* form) : form_(form) {}
  void Forget() { form_ = nullptr; }

  Rect BoxRect(long hWnd) override { return form_ ? form_->BoxRect(hWnd) : Rect{}; }
  std::string PictureGlyph(const std::string& key) override {
    std::string glyph = voucher::KindGlyph(key);
    return glyph.empty() ? ListHost::PictureGlyph(key) : glyph;
  }
  // Without the status line: a list never covers what it says (a voucher saved, say).
  int ScreenRows() override { return form_ ? form_->screen_.Rows() - 1 : 0; }
  int ScreenCols() override { return form_ ? form_->screen_.Cols() : 0; }

 private:
  VoucherForm* form_;
};

VoucherForm::VoucherForm(platform::PlatformEnvironment& env, Screen& screen, std::string title,
                         Page page)
    : env_(env),
      screen_(screen),
      title_(std::move(title)),
      host_(std::make_shared<FormHost>(this)),
      boxes_(MakeBoxes(env_.Windows(), page)),
      typed_(*boxes_, FormKeyOf, [this](KeyPress& key) { Handle(key); }) {
  if (page == Page::kBoxes) return;
  platform::WindowSystem& windows = env_.Windows();
  plain_.amount = windows.CreateWindow();
  for (long& header : plain_.header) header = windows.CreateWindow();
  entry_ = std::make_unique<voucher::VoucherEntry>(
      windows, *boxes_, plain_, [&windows](long hwnd) { windows.SetFocus(hwnd); },
      [&windows](long hwnd, const std::string& text) { windows.SetText(hwnd, text); });
}

VoucherForm::~VoucherForm() {
  std::vector<long> windows;
  for (size_t i = 0; i < boxes_->Count(); ++i) windows.push_back(boxes_->Window(i));
  if (entry_) {
    windows.push_back(plain_.amount);
    windows.insert(windows.end(), plain_.header.begin(), plain_.header.end());
  }
  entry_.reset();
  boxes_.reset();
  host_->Forget();
  for (long hwnd : windows) env_.Windows().DestroyWindow(hwnd);
}

std::shared_ptr<ListHost> VoucherForm::Host() const { return host_; }

bool VoucherForm::AttachLists(const ListReady& ready) {
  bool done = boxes_->AttachLists(ready);
  if (!std::exchange(focus_given_, true)) {
    try {
      if (entry_) {
        entry_->Start(Today());
      } else {
        env_.Windows().SetFocus(boxes_->Window(focus_));
      }
    } catch (const std::exception& e) {
      boxes_->ReportFailure(e);  // a ledger's fault in the form's words
    }
  }
  return done;
}

Rect VoucherForm::BoxRect(long hwnd) const {
  if (entry_) {
    GridLayout grid = Layout();
    if (!grid.fits || hwnd != entry_->CurrentEditor()) return Rect{};
    if (auto field = entry_->HeaderAt()) return grid.Header(static_cast<int>(*field));
    const voucher::Cell& at = entry_->Grid().Current();
    if (int nth = FigureOf(at.column); nth >= 0) return grid.Figure(nth);
    int first = std::max(0, at.line - grid.visible_lines + 1);
    return grid.Cell(grid.first_line_row + at.line - first, static_cast<int>(at.column));
  }
  FormLayout layout = LayOutForm(screen_.Rows(), screen_.Cols(), boxes_->Count());
  size_t box = boxes_->BoxOfWindow(hwnd);
  return layout.fits && box < boxes_->Count() ? layout.Box(box) : Rect{};
}

int VoucherForm::FigureOf(voucher::Column column) {
  static constexpr voucher::Column kFigures[] = {voucher::Column::kRate, voucher::Column::kOriginal,
                                                 voucher::Column::kQuantity,
                                                 voucher::Column::kPrice};
  const auto* at = std::find(std::begin(kFigures), std::end(kFigures), column);
  return at == std::end(kFigures) ? -1 : static_cast<int>(at - std::begin(kFigures));
}

std::pair<int, int> VoucherForm::PaintFigures(const GridLayout& g) {
  const voucher::VoucherGrid& grid = entry_->Grid();
  const voucher::Cell& at = grid.Current();
  const voucher::KeptBy kept = grid.Kept(at.line);
  std::pair<int, int> caret{-1, -1};
  for (voucher::Column column : voucher::ColumnOrder()) {
    const int nth = FigureOf(column);
    if (nth < 0 || !grid.Opens(at.line, column)) continue;
    const Rect box = g.Figure(nth);
    std::string title = voucher::ColumnTitle(column);
    if (column == voucher::Column::kRate) title = kept.currency;
    screen_.Put(box.y, box.x - GridLayout::kFigureTitleWidth, PadToWidth(title, 4), Style::kLabel);
    std::string text = FitPrintable(grid.Line(at.line)[column], box.width);
    Style style = Style::kField;
    if (column == at.column) {
      long editor = entry_->CurrentEditor();
      BoxView view =
          ViewOfBox(env_.Windows().Text(editor), env_.Windows().Caret(editor), box.width);
      text = view.text;
      style = Style::kFocusField;
      caret = {box.y, box.x + view.caret_x};
    }
    screen_.Put(box.y, box.x, PadToWidth(text, box.width), style);
  }
  return caret;
}

GridLayout VoucherForm::Layout() const {
  const voucher::VoucherGrid& grid = entry_->Grid();
  int widest = TextWidth(env_.Windows().Text(entry_->Editor(voucher::Column::kDebit)));
  for (int line = 0; line < grid.Lines(); ++line) {
    for (auto column : {voucher::Column::kDebit, voucher::Column::kCredit}) {
      widest = std::max(widest, TextWidth(grid.Line(line)[column]));
    }
  }
  return LayOutGrid(screen_.Rows(), screen_.Cols(), widest);
}

void VoucherForm::MoveFocus(int step) {
  if (boxes_->Shown()) boxes_->Shown()->HideList();
  size_t n = boxes_->Count();
  focus_ = (focus_ + n + static_cast<size_t>(step + static_cast<int>(n))) % n;
  env_.Windows().SetFocus(boxes_->Window(focus_));
}

long VoucherForm::FocusedWindow() const {
  return entry_ ? entry_->CurrentEditor() : boxes_->Window(focus_);
}

void VoucherForm::Send(long msg, long wParam) {
  env_.Windows().SendMessage(FocusedWindow(), msg, wParam, 0);
}

void VoucherForm::SendChar(char32_t code) {
  if (code < 0x10000) {
    Send(WM_CHAR, static_cast<long>(code));
    return;
  }
  code -= 0x10000;  // two UTF-16 units, as the box expects
  Send(WM_CHAR, static_cast<long>(0xD800 + (code >> 10)));
  Send(WM_CHAR, static_cast<long>(0xDC00 + (code & 0x3FF)));
}

bool VoucherForm::Press(const KeyPress& key) {
  if (Quits(key) && !(entry_ && AsksFirst(key))) return false;
  if (key.kind == KeyPress::kChar || key.kind == KeyPress::kKey || key.kind == KeyPress::kBackTab) {
    typed_.Push(key);
  }
  return true;
}

bool VoucherForm::Handle(const KeyPress& key) {
  if (Quits(key)) return entry_ && AsksFirst(key) && !entry_->Quit();
  bool input =
      key.kind == KeyPress::kChar || key.kind == KeyPress::kKey || key.kind == KeyPress::kBackTab;
  bool fits =
      entry_ ? Layout().fits : LayOutForm(screen_.Rows(), screen_.Cols(), boxes_->Count()).fits;
  if (!fits || !input) return true;
  try {
    if (key.kind == KeyPress::kKey && key.code == VK_F2) {
      boxes_->ToggleHotTrace();
    } else if (entry_ ? !VoucherKey(key) : !BoxesKey(key)) {
      SendKey(key);
    }
    if (entry_ && !prompt_ && !list_screen_) entry_->Commit();
  } catch (const std::exception& e) {
    boxes_->ReportFailure(e);  // a ledger's fault in the form's words
  }
  return !entry_ || !entry_->Quitting();
}

bool VoucherForm::BoxesKey(const KeyPress& key) {
  voucher::FormKey what = FormKeyOf(key);
  if (what.vk == VK_TAB) {
    MoveFocus(key.kind == KeyPress::kBackTab ? -1 : 1);
  } else if (what.vk == VK_RETURN) {
    if (boxes_->EnterChooses()) {
      Send(WM_KEYDOWN, VK_RETURN);
    } else {
      MoveFocus(1);
    }
  } else {
    return false;
  }
  return true;
}

bool VoucherForm::VoucherKey(const KeyPress& key) {
  voucher::FormKey what = FormKeyOf(key);
  what.shift = key.kind == KeyPress::kBackTab;
  if (entry_->Question()) {
    entry_->QuestionKey(what);
    return true;
  }
  if (list_screen_) {
    if (!list_screen_->Key(what)) list_screen_.reset();
    return true;
  }
  if (prompt_) {
    PromptKey(what);
    return true;
  }
  return AroundKey(what) || entry_->Key(what);
}

bool VoucherForm::AroundKey(const voucher::FormKey& what) {
  if (what.vk == voucher::kOpenKey) {
    prompt_title_ = voucher::kOpenPrompt;
  } else if (what.ch == voucher::kSaveTemplateKey || what.ch == voucher::kFromTemplateKey) {
    prompt_title_ = entry_->TemplatePrompt(what.ch == voucher::kSaveTemplateKey);
  } else if (what.vk == voucher::kListKey) {
    entry_->Commit();
    if (boxes_->Shown()) boxes_->Shown()->HideList();
    list_screen_ = std::make_unique<VoucherListScreen>(*entry_);
    return true;
  } else {
    return false;
  }
  if (boxes_->Shown()) boxes_->Shown()->HideList();
  prompt_ = "";
  prompt_key_ = what.vk ? what.vk : static_cast<long>(what.ch);
  return true;
}

void VoucherForm::PromptKey(const voucher::FormKey& what) {
  if (what.vk == VK_RETURN) {
    std::string text = *std::exchange(prompt_, std::nullopt);
    if (prompt_key_ == voucher::kSaveTemplateKey) {
      entry_->SaveTemplate(text);
    } else if (prompt_key_ == voucher::kFromTemplateKey) {
      entry_->FromTemplate(text);
    } else {
      entry_->OpenByText(text);
    }
  } else if (what.vk == VK_ESCAPE) {
    prompt_.reset();
  } else if (what.vk == VK_BACK) {
    // The last character, however many bytes it takes.
    auto continuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
    while (!prompt_->empty() && continuation(prompt_->back())) prompt_->pop_back();
    if (!prompt_->empty()) prompt_->pop_back();
  } else if (what.ch >= 32) {
    *prompt_ += glnamelist::text::EncodeUtf8(what.ch);
  }
}

void VoucherForm::SendKey(const KeyPress& key) {
  if (key.kind == KeyPress::kBackTab) {
    MoveFocus(-1);
  } else if (key.kind == KeyPress::kKey) {
    Send(WM_KEYDOWN, key.code);
  } else if (key.code == VK_TAB) {
    MoveFocus(1);
  } else if (key.code == '\r' || key.code == '\n') {
    Send(WM_KEYDOWN, VK_RETURN);
  } else if (key.code == VK_ESCAPE) {
    Send(WM_KEYDOWN, VK_ESCAPE);
  } else if (key.code == VK_BACK || key.code == 127) {
    Send(WM_KEYDOWN, VK_BACK);
    Send(WM_CHAR, VK_BACK);
  } else if (key.code >= 32) {
    SendChar(static_cast<char32_t>(key.code));
  }
}

std::pair<int, int> VoucherForm::Paint(bool with_list) {
  screen_.Clear();
  if (list_screen_) return list_screen_->Paint(screen_, boxes_->Status());
  std::pair<int, int> caret = entry_ ? PaintVoucher() : PaintBoxes();
  auto* list = dynamic_cast<TerminalNameList*>(boxes_->Shown());
  const bool asking = entry_ && entry_->Question();  // nothing covers a question
  if (list && with_list && !asking && caret.first >= 0) {
    list->Paint(screen_);
    caret = {-1, -1};
  }
  return caret;
}

void VoucherForm::PaintFooter(int help_row, int status_row) {
  Screen& s = screen_;
  s.Put(help_row, 1, entry_ ? kVoucherHelp1 : kHelp1, Style::kHelp);
  s.Put(help_row + 1, 1, entry_ ? kVoucherHelp2 : kHelp2, Style::kHelp);
  std::string trace = boxes_->HotTrace() ? voucher::kListOnEntryOn : voucher::kListOnEntryOff;
  int trace_x = s.Cols() - TextWidth(trace) - 1;
  s.Put(status_row, 1, FitToWidth(Printable(boxes_->Status()), trace_x - 2),
        boxes_->StatusIsError() ? Style::kError : Style::kStatus);
  s.Put(status_row, trace_x, trace, Style::kStatus);
}

std::pair<int, int> VoucherForm::PaintBoxes() {
  Screen& s = screen_;
  FormLayout layout = LayOutForm(s.Rows(), s.Cols(), boxes_->Count());
  if (!layout.fits) {
    // In full, over as many lines as it takes.
    int y = 0;
    for (const std::string& line :
         WrapToWidth(TooSmallMessage(s.Rows(), s.Cols(), boxes_->Count()), s.Cols())) {
      s.Put(y++, 0, line, Style::kError);
    }
    for (const std::string& line : WrapToWidth("请放大窗口，或按 F10 / Ctrl-Q 退出", s.Cols())) {
      s.Put(y++, 0, line, Style::kNormal);
    }
    return {-1, -1};
  }
  s.Put(layout.title_row, 1, std::string(voucher::kFormTitle) + "  账套: " + title_, Style::kTitle);
  std::pair<int, int> caret{-1, -1};
  for (size_t i = 0; i < boxes_->Count(); ++i) {
    long hwnd = boxes_->Window(i);
    Rect box = layout.Box(i);
    bool focused = i == focus_;
    s.Put(box.y, layout.label_x, PadToWidth(boxes_->Label(i), kLabelWidth), Style::kLabel);
    BoxView view = ViewOfBox(env_.Windows().Text(hwnd), env_.Windows().Caret(hwnd), box.width);
    s.Put(box.y, box.x - 1, "[", Style::kFrame);
    s.Put(box.y, box.x, PadToWidth(view.text, box.width),
          focused ? Style::kFocusField : Style::kField);
    s.Put(box.y, box.x + box.width, "]", Style::kFrame);
    int beside = s.Cols() - (box.x + box.width + 2);
    if (boxes_->Waiting(i)) {
      s.Put(box.y, box.x + box.width + 2, FitToWidth(voucher::VoucherBoxes::kWaitingNote, beside),
            Style::kStatus);
    } else if (!boxes_->HasList(i)) {
      s.Put(box.y, box.x + box.width + 2, FitToWidth("(无列表)", beside), Style::kError);
    } else if (const std::string& name = boxes_->NameBeside(i); !name.empty()) {
      s.Put(box.y, box.x + box.width + 2, FitPrintable(name, beside), Style::kLabel);
    }
    if (focused) caret = {box.y, box.x + view.caret_x};
  }
  PaintFooter(layout.help_row, layout.status_row);
  return caret;
}

std::pair<int, int> VoucherForm::PaintVoucher() {
  Screen& s = screen_;
  GridLayout g = Layout();
  entry_->PageLines(g.visible_lines);
  if (!g.fits) {
    int y = 0;
    for (const std::string& line : WrapToWidth(GridTooSmallMessage(s.Rows(), s.Cols()), s.Cols())) {
      s.Put(y++, 0, line, Style::kError);
    }
    for (const std::string& line : WrapToWidth("请放大窗口，或按 F10 / Ctrl-Q 退出", s.Cols())) {
      s.Put(y++, 0, line, Style::kNormal);
    }
    return {-1, -1};
  }
  const voucher::VoucherGrid& grid = entry_->Grid();
  const voucher::Cell& at = grid.Current();
  s.Put(g.title_row, 1, std::string(voucher::kFormTitle) + "  账套: " + title_, Style::kTitle);
  std::pair<int, int> caret = PaintHeader(g);
  s.Put(g.titles_row, g.number_x, " # ", Style::kLabel);
  for (int c = 0; c < GridLayout::kGridColumns; ++c) {
    s.Put(g.titles_row, g.x[c],
          PadToWidth(voucher::ColumnTitle(static_cast<voucher::Column>(c)), g.width[c]),
          Style::kLabel);
  }
  int first = std::max(0, at.line - g.visible_lines + 1);
  for (int row = 0; row < g.visible_lines && first + row < grid.Lines(); ++row) {
    int line = first + row;
    int y = g.first_line_row + row;
    // A line that kept the voucher from being saved is marked "!".
    bool marked = entry_->LineMarked(line);
    std::string number = (marked ? "!" : "") + std::to_string(line + 1);
    s.Put(y, g.number_x, std::string(3 - std::min<size_t>(3, number.size()), ' ') + number,
          marked ? Style::kError : Style::kLabel);
    for (int c = 0; c < GridLayout::kGridColumns; ++c) {
      auto column = static_cast<voucher::Column>(c);
      bool amount = column == voucher::Column::kDebit || column == voucher::Column::kCredit;
      if (line == at.line && column == at.column && !entry_->HeaderAt()) {
        long box = entry_->CurrentEditor();
        BoxView view = ViewOfBox(env_.Windows().Text(box), env_.Windows().Caret(box), g.width[c]);
        s.Put(y, g.x[c], PadToWidth(view.text, g.width[c]), Style::kFocusField);
        caret = {y, g.x[c] + view.caret_x};
        continue;
      }
      std::string text = FitPrintable(grid.Line(line)[column], g.width[c]);
      int pad = amount ? g.width[c] - TextWidth(text) : 0;
      s.Put(y, g.x[c],
            std::string(static_cast<size_t>(pad), ' ') + PadToWidth(text, g.width[c] - pad),
            Style::kField);
    }
  }
  s.Put(g.totals_row, g.x[0], entry_->TotalsText(),
        entry_->Balanced() ? Style::kLabel : Style::kError);
  s.Put(g.capitals_row, g.x[0],
        FitPrintable(entry_->CapitalsText() + "   " + entry_->PreparerText(), s.Cols() - 2),
        Style::kLabel);
  size_t box = boxes_->BoxOfWindow(entry_->CurrentEditor());
  if (box >= boxes_->Count() && !entry_->HeaderAt()) {
    if (std::pair<int, int> at = PaintFigures(g); at.first >= 0) caret = at;
  } else if (box < boxes_->Count()) {
    std::string beside = boxes_->Waiting(box)    ? voucher::VoucherBoxes::kWaitingNote
                         : !boxes_->HasList(box) ? "(无列表)"
                                                 : boxes_->NameBeside(box);
    if (!beside.empty()) {
      s.Put(g.name_row, g.x[0], FitPrintable(boxes_->Label(box) + ": " + beside, s.Cols() - 2),
            Style::kLabel);
    }
  }
  PaintFooter(g.help_row, g.status_row);
  if (const char* question = entry_->Question()) {
    s.Put(g.status_row, 1,
          PadToWidth(FitPrintable(std::string(question) + entry_->QuestionKeys(), s.Cols() - 2),
                     s.Cols() - 2),
          Style::kTitle);
  } else if (prompt_) {
    std::string ask = prompt_title_ + *prompt_;
    s.Put(g.status_row, 1, PadToWidth(FitPrintable(ask, s.Cols() - 2), s.Cols() - 2),
          Style::kTitle);
    caret = {g.status_row, 1 + std::min(TextWidth(ask), s.Cols() - 2)};
  }
  return caret;
}

std::pair<int, int> VoucherForm::PaintHeader(const GridLayout& g) {
  Screen& s = screen_;
  std::pair<int, int> caret{-1, -1};
  for (int f = 0; f < voucher::kHeaderFields; ++f) {
    auto field = static_cast<voucher::HeaderField>(f);
    Rect box = g.Header(f);
    std::string title = voucher::HeaderTitle(field);
    s.Put(box.y, box.x - 2 - TextWidth(title), title, Style::kLabel);
    long hwnd = entry_->Editor(field);
    bool editing = entry_->HeaderAt() == field;
    BoxView view =
        ViewOfBox(env_.Windows().Text(hwnd), editing ? env_.Windows().Caret(hwnd) : 0, box.width);
    s.Put(box.y, box.x - 1, "[", Style::kFrame);
    // A box just entered shows its text selected: what is typed replaces it.
    Style style = !editing                   ? Style::kField
                  : entry_->HeaderSelected() ? Style::kSelected
                                             : Style::kFocusField;
    s.Put(box.y, box.x, PadToWidth(view.text, box.width), style);
    s.Put(box.y, box.x + box.width, "]", Style::kFrame);
    if (editing) caret = {box.y, box.x + view.caret_x};
  }
  Rect word = g.Header(static_cast<int>(voucher::HeaderField::kWord));
  s.Put(word.y, word.x + word.width + 2, "字" + entry_->NumberText(), Style::kLabel);
  Rect attachments = g.Header(static_cast<int>(voucher::HeaderField::kAttachments));
  s.Put(attachments.y, attachments.x + attachments.width + 2, "张", Style::kLabel);
  return caret;
}

}  // namespace glnamelist::tui
