#include "tui/voucher_form.h"

#include <exception>

#include "contracts/virtual_keys.h"
#include "services/library_services.h"
#include "tui/error_text.h"
#include "tui/text.h"

namespace glnamelist::tui {
namespace {

constexpr long kCtrlC = 3;
constexpr long kCtrlQ = 17;

const char* const kHelp1 =
    "Tab/Shift-Tab 换框  F8 按代码列出  F9 按名称查找  F2 HotTrace 开关  "
    "F10/Ctrl-Q 退出";
const char* const kHelp2 = "列表中: Up/Down PgUp/PgDn Home/End 移动  Enter 选定  Esc 关闭";

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

// The FItemID of the row whose FNumber is number, 0 when there is none.
long IdOfCode(const RecordSourcePtr& source, const std::string& number) {
  if (!source || number.empty()) return 0;
  RecordsetPtr rs = source->Recordset();
  if (!rs || rs->RecordCount() == 0) return 0;
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
    Variant code = rs->Fields("FNumber");
    if (!code.IsNull() && code.ToText() == number) {
      return static_cast<long>(rs->Fields("FItemID").ToLong());
    }
  }
  return 0;
}

}  // namespace

// The form as its lists see it; one list is shown at a time.
class VoucherForm::FormHost : public ListHost {
 public:
  explicit FormHost(VoucherForm* form) : form_(form) {}
  void Forget() { form_ = nullptr; }
  TerminalNameList* Shown() const { return shown_; }

  Rect BoxRect(long hWnd) override { return form_ ? form_->BoxRect(hWnd) : Rect{}; }
  int ScreenRows() override { return form_ ? form_->screen_.Rows() : 0; }
  int ScreenCols() override { return form_ ? form_->screen_.Cols() : 0; }
  void RowChosen(TerminalNameList& /*list*/, long hWnd, long /*row*/,
                 const std::string& code) override {
    if (form_ && form_->env_.Windows().IsWindow(hWnd)) form_->env_.Windows().SetText(hWnd, code);
  }
  std::string PictureGlyph(const std::string& key) override { return platform::PictureGlyph(key); }
  void ListShown(TerminalNameList& list) override {
    TerminalNameList* other = shown_;
    shown_ = &list;
    if (other && other != &list) other->HideList();
  }
  void ListHidden(TerminalNameList& list) override {
    if (shown_ == &list) shown_ = nullptr;
  }
  void ReportError(const std::string& message) override {
    if (form_) form_->ShowStatus(message, true);
  }

 private:
  VoucherForm* form_;
  TerminalNameList* shown_ = nullptr;
};

VoucherForm::VoucherForm(platform::PlatformEnvironment& env, Screen& screen, std::string title)
    : env_(env),
      screen_(screen),
      title_(std::move(title)),
      host_(std::make_shared<FormHost>(this)) {
  const std::pair<const char*, long> kinds[] = {
      {"摘要", nlVchExp},        {"科目", nlAccount},       {"币别", nlCurrency},
      {"核算类别", nlItemClass}, {"核算项目", nlItem},      {"单位组", nlUnitGroup},
      {"计量单位", nlUnit},      {"SubMes 明细", nlSubMes}, {"结算方式", nlSettleType}};
  for (const auto& [label, kind] : kinds) {
    Field f;
    f.label = label;
    f.kind = kind;
    f.hwnd = env_.Windows().CreateWindow();
    fields_.push_back(std::move(f));
  }
}

VoucherForm::~VoucherForm() {
  for (Field& f : fields_) {
    if (!f.list) continue;
    try {
      f.list->Detach();
    } catch (const std::exception&) {
      // Closing: the list goes with the form whatever Detach says.
    }
    f.list.reset();
  }
  host_->Forget();
  for (Field& f : fields_) env_.Windows().DestroyWindow(f.hwnd);
}

std::shared_ptr<ListHost> VoucherForm::Host() const { return host_; }

void VoucherForm::AttachLists(const Progress& progress) {
  int step = 0;
  for (Field& f : fields_) {
    if (progress) progress(++step, static_cast<int>(fields_.size()), f.label);
    try {
      auto list = std::make_shared<GLNameList>();
      list->HotTrace(hot_trace_);
      TextBoxPtr box = std::make_shared<FormTextBox>(f.hwnd);
      list->Attach(box, f.kind);
      f.list = std::move(list);
    } catch (const std::exception& e) {
      ShowStatus(f.label + ": " + ErrorText(e), true);
    }
  }
  focus_ = 0;
  try {
    env_.Windows().SetFocus(fields_[focus_].hwnd);
  } catch (const std::exception& e) {
    ShowStatus(ErrorText(e), true);
  }
}

void VoucherForm::ShowStatus(std::string text, bool error) {
  status_ = std::move(text);
  status_error_ = error;
}

VoucherForm::Field* VoucherForm::FieldOfKind(long kind) {
  for (Field& f : fields_) {
    if (f.kind == kind) return &f;
  }
  return nullptr;
}

Rect VoucherForm::BoxRect(long hwnd) const {
  FormLayout layout = LayOutForm(screen_.Rows(), screen_.Cols(), fields_.size());
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i].hwnd == hwnd && layout.fits) return layout.Box(i);
  }
  return Rect{};
}

// The item and SubMes boxes list the class in the item-class box, the unit box the group
// in the unit-group box.
void VoucherForm::SyncParentIds(Field& field) {
  if (!field.list) return;
  if (field.kind == nlItem || field.kind == nlSubMes) {
    Field* classes = FieldOfKind(nlItemClass);
    std::string code = classes ? env_.Windows().Text(classes->hwnd) : "";
    field.list->ItemClassID(IdOfCode(GetGLData()->ItemClassSet(), code));
  } else if (field.kind == nlUnit) {
    Field* groups = FieldOfKind(nlUnitGroup);
    std::string code = groups ? env_.Windows().Text(groups->hwnd) : "";
    field.list->UnitGroupID(IdOfCode(GetGLData()->UnitGroupSet(), code));
  }
}

void VoucherForm::MoveFocus(int step) {
  if (host_->Shown()) host_->Shown()->HideList();
  size_t n = fields_.size();
  focus_ = (focus_ + n + static_cast<size_t>(step + static_cast<int>(n))) % n;
  try {
    SyncParentIds(fields_[focus_]);
  } catch (const std::exception& e) {
    ShowStatus(ErrorText(e), true);
  }
  env_.Windows().SetFocus(fields_[focus_].hwnd);
}

void VoucherForm::Send(long msg, long wParam) {
  Field& f = fields_[focus_];
  try {
    SyncParentIds(f);
  } catch (const std::exception& e) {
    ShowStatus(ErrorText(e), true);  // the key still reaches the box
  }
  env_.Windows().SendMessage(f.hwnd, msg, wParam, 0);
}

void VoucherForm::SendKey(long vk) { Send(WM_KEYDOWN, vk); }

bool VoucherForm::Handle(const KeyPress& key) {
  FormLayout layout = LayOutForm(screen_.Rows(), screen_.Cols(), fields_.size());
  bool quit = (key.kind == KeyPress::kChar && (key.code == kCtrlQ || key.code == kCtrlC)) ||
              (key.kind == KeyPress::kKey && key.code == VK_F10) || key.kind == KeyPress::kEnd;
  if (quit) return false;
  if (!layout.fits || key.kind == KeyPress::kNone || key.kind == KeyPress::kResize) return true;
  try {
    if (key.kind == KeyPress::kBackTab) {
      MoveFocus(-1);
    } else if (key.kind == KeyPress::kKey && key.code == VK_F2) {
      hot_trace_ = !hot_trace_;
      for (Field& f : fields_) {
        if (f.list) f.list->HotTrace(hot_trace_);
      }
      ShowStatus(hot_trace_ ? "HotTrace 已打开" : "HotTrace 已关闭", false);
    } else if (key.kind == KeyPress::kKey) {
      SendKey(key.code);
    } else if (key.code == VK_TAB) {
      MoveFocus(1);
    } else if (key.code == '\r' || key.code == '\n') {
      bool list_shown = host_->Shown() != nullptr;
      SendKey(VK_RETURN);
      if (!list_shown) MoveFocus(1);
    } else if (key.code == VK_ESCAPE) {
      SendKey(VK_ESCAPE);
    } else if (key.code == VK_BACK || key.code == 127) {
      SendKey(VK_BACK);
      Send(WM_CHAR, VK_BACK);
    } else if (key.code >= 32) {
      Send(WM_CHAR, key.code);
    }
  } catch (const std::exception& e) {
    ShowStatus(ErrorText(e), true);
  }
  return true;
}

std::pair<int, int> VoucherForm::Paint(bool with_list) {
  Screen& s = screen_;
  s.Clear();
  FormLayout layout = LayOutForm(s.Rows(), s.Cols(), fields_.size());
  if (!layout.fits) {
    s.Put(0, 0, TooSmallMessage(s.Rows(), s.Cols(), fields_.size()), Style::kError);
    s.Put(1, 0, "请放大窗口，或按 F10 / Ctrl-Q 退出", Style::kNormal);
    return {-1, -1};
  }
  s.Put(layout.title_row, 1, "记账凭证录入  账套: " + title_, Style::kTitle);
  std::pair<int, int> caret{-1, -1};
  for (size_t i = 0; i < fields_.size(); ++i) {
    const Field& f = fields_[i];
    Rect box = layout.Box(i);
    bool focused = i == focus_;
    s.Put(box.y, layout.label_x, PadToWidth(f.label, kLabelWidth), Style::kLabel);
    BoxView view = ViewOfBox(env_.Windows().Text(f.hwnd), env_.Windows().Caret(f.hwnd), box.width);
    s.Put(box.y, box.x - 1, "[", Style::kFrame);
    s.Put(box.y, box.x, PadToWidth(view.text, box.width),
          focused ? Style::kFocusField : Style::kField);
    s.Put(box.y, box.x + box.width, "]", Style::kFrame);
    if (!f.list) s.Put(box.y, box.x + box.width + 2, "(无列表)", Style::kError);
    if (focused) caret = {box.y, box.x + view.caret_x};
  }
  s.Put(layout.help_row, 1, kHelp1, Style::kHelp);
  s.Put(layout.help_row + 1, 1, kHelp2, Style::kHelp);
  std::string trace = hot_trace_ ? "HotTrace: 开" : "HotTrace: 关";
  int trace_x = s.Cols() - TextWidth(trace) - 1;
  s.Put(layout.status_row, 1, ClipToWidth(status_, trace_x - 2),
        status_error_ ? Style::kError : Style::kStatus);
  s.Put(layout.status_row, trace_x, trace, Style::kStatus);
  if (TerminalNameList* list = host_->Shown(); list && with_list) {
    list->Paint(s);
    caret = {-1, -1};
  }
  return caret;
}

}  // namespace glnamelist::tui
