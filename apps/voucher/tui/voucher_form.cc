#include "apps/voucher/tui/voucher_form.h"

#include <exception>
#include <utility>

#include "apps/voucher/form_words.h"
#include "apps/voucher/kind_pictures.h"
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

// A key read from the terminal as the form tells keys apart.
voucher::FormKey FormKeyOf(const KeyPress& key) {
  switch (key.kind) {
    case KeyPress::kKey:
      return {key.code, 0};
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

// The boxes of the form, on windows of their own.
std::shared_ptr<voucher::VoucherBoxes> MakeBoxes(platform::WindowSystem& windows) {
  std::vector<TextBoxPtr> boxes;
  for (size_t i = 0; i < voucher::VoucherBoxes::Kinds().size(); ++i) {
    boxes.push_back(std::make_shared<FormTextBox>(windows.CreateWindow()));
  }
  return std::make_shared<voucher::VoucherBoxes>(
      windows, [&windows](long hwnd, const std::string& text) { windows.SetText(hwnd, text); },
      boxes);
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
  int ScreenRows() override { return form_ ? form_->screen_.Rows() : 0; }
  int ScreenCols() override { return form_ ? form_->screen_.Cols() : 0; }

 private:
  VoucherForm* form_;
};

VoucherForm::VoucherForm(platform::PlatformEnvironment& env, Screen& screen, std::string title)
    : env_(env),
      screen_(screen),
      title_(std::move(title)),
      host_(std::make_shared<FormHost>(this)),
      boxes_(MakeBoxes(env_.Windows())),
      typed_(*boxes_, FormKeyOf, [this](KeyPress& key) { Handle(key); }) {}

VoucherForm::~VoucherForm() {
  std::vector<long> windows;
  for (size_t i = 0; i < boxes_->Count(); ++i) windows.push_back(boxes_->Window(i));
  boxes_.reset();
  host_->Forget();
  for (long hwnd : windows) env_.Windows().DestroyWindow(hwnd);
}

std::shared_ptr<ListHost> VoucherForm::Host() const { return host_; }

bool VoucherForm::AttachLists(const ListReady& ready) {
  bool done = boxes_->AttachLists(ready);
  if (!std::exchange(focus_given_, true)) {
    try {
      env_.Windows().SetFocus(boxes_->Window(focus_));
    } catch (const std::exception& e) {
      boxes_->ReportFailure(e);  // a ledger's fault in the form's words
    }
  }
  return done;
}

Rect VoucherForm::BoxRect(long hwnd) const {
  FormLayout layout = LayOutForm(screen_.Rows(), screen_.Cols(), boxes_->Count());
  size_t box = boxes_->BoxOfWindow(hwnd);
  return layout.fits && box < boxes_->Count() ? layout.Box(box) : Rect{};
}

void VoucherForm::MoveFocus(int step) {
  if (boxes_->Shown()) boxes_->Shown()->HideList();
  size_t n = boxes_->Count();
  focus_ = (focus_ + n + static_cast<size_t>(step + static_cast<int>(n))) % n;
  env_.Windows().SetFocus(boxes_->Window(focus_));
}

void VoucherForm::Send(long msg, long wParam) {
  env_.Windows().SendMessage(boxes_->Window(focus_), msg, wParam, 0);
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
  if (Quits(key)) return false;
  if (key.kind == KeyPress::kChar || key.kind == KeyPress::kKey || key.kind == KeyPress::kBackTab) {
    typed_.Push(key);
  }
  return true;
}

bool VoucherForm::Handle(const KeyPress& key) {
  FormLayout layout = LayOutForm(screen_.Rows(), screen_.Cols(), boxes_->Count());
  if (Quits(key)) return false;
  bool input =
      key.kind == KeyPress::kChar || key.kind == KeyPress::kKey || key.kind == KeyPress::kBackTab;
  if (!layout.fits || !input) return true;
  try {
    if (key.kind == KeyPress::kBackTab) {
      MoveFocus(-1);
    } else if (key.kind == KeyPress::kKey && key.code == VK_F2) {
      boxes_->ToggleHotTrace();
    } else if (key.kind == KeyPress::kKey) {
      Send(WM_KEYDOWN, key.code);
    } else if (key.code == VK_TAB) {
      MoveFocus(1);
    } else if (key.code == '\r' || key.code == '\n') {
      bool list_shown = boxes_->Shown() != nullptr;
      Send(WM_KEYDOWN, VK_RETURN);
      if (!list_shown) MoveFocus(1);
    } else if (key.code == VK_ESCAPE) {
      Send(WM_KEYDOWN, VK_ESCAPE);
    } else if (key.code == VK_BACK || key.code == 127) {
      Send(WM_KEYDOWN, VK_BACK);
      Send(WM_CHAR, VK_BACK);
    } else if (key.code >= 32) {
      SendChar(static_cast<char32_t>(key.code));
    }
  } catch (const std::exception& e) {
    boxes_->ReportFailure(e);  // a ledger's fault in the form's words
  }
  return true;
}

std::pair<int, int> VoucherForm::Paint(bool with_list) {
  Screen& s = screen_;
  s.Clear();
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
    s.Put(box.y, layout.label_x, PadToWidth(voucher::VoucherBoxes::Kinds()[i].label, kLabelWidth),
          Style::kLabel);
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
  s.Put(layout.help_row, 1, kHelp1, Style::kHelp);
  s.Put(layout.help_row + 1, 1, kHelp2, Style::kHelp);
  std::string trace = boxes_->HotTrace() ? voucher::kListOnEntryOn : voucher::kListOnEntryOff;
  int trace_x = s.Cols() - TextWidth(trace) - 1;
  s.Put(layout.status_row, 1, FitToWidth(Printable(boxes_->Status()), trace_x - 2),
        boxes_->StatusIsError() ? Style::kError : Style::kStatus);
  s.Put(layout.status_row, trace_x, trace, Style::kStatus);
  auto* list = dynamic_cast<TerminalNameList*>(boxes_->Shown());
  if (list && with_list) {
    list->Paint(s);
    caret = {-1, -1};
  }
  return caret;
}

}  // namespace glnamelist::tui
