#include "tui/voucher_form.h"

#include <exception>

#include "contracts/list_kinds.h"
#include "contracts/text.h"
#include "contracts/virtual_keys.h"
#include "tui/error_text.h"
#include "tui/text.h"

namespace glnamelist::tui {
namespace {

constexpr long kCtrlC = 3;
constexpr long kCtrlQ = 17;

// Each line fits into 80 columns.
const char* const kHelp1 = "Tab/Shift-Tab 换框  F8 按代码列出  F9 按名称查找  F2 HotTrace 开关";
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

// The code a box holds: its text without surrounding blanks and, in the boxes that list
// the children of a code ending in a point, without that point.
std::string CodeIn(const std::string& text, long kind) {
  std::string code(text::Trim(text, " \t"));
  if ((kind == nlAccount || kind == nlItem || kind == nlSubMes) && !code.empty() &&
      code.back() == '.') {
    code.pop_back();
  }
  return code;
}

// What the status line calls the entries of a box.
const char* EntryWord(long kind) {
  switch (kind) {
    case nlAccount:
      return "科目";
    case nlCurrency:
      return "币别";
    case nlItemClass:
      return "核算类别";
    case nlItem:
      return "核算项目";
    case nlUnitGroup:
      return "单位组";
    case nlUnit:
      return "计量单位";
    case nlSubMes:
      return "明细";
    case nlSettleType:
      return "结算方式";
    default:
      return "";
  }
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
  void RowChosen(TerminalNameList& list, long hWnd, long row, const std::string& code) override {
    if (form_) form_->WriteChoice(hWnd, list.Rows(), row, code);
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

VoucherForm::Field* VoucherForm::FieldOfWindow(long hwnd) {
  for (Field& f : fields_) {
    if (f.hwnd == hwnd) return &f;
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

// The class in the item-class box: by its code, typed or chosen.
long VoucherForm::ItemClassId() {
  Field* classes = FieldOfKind(nlItemClass);
  if (!classes) return 0;
  return names_.Look(nlItemClass, CodeIn(env_.Windows().Text(classes->hwnd), nlItemClass), 0, 0).id;
}

// The group in the unit-group box: the one chosen from its list while the box still holds
// its name; otherwise the group with the typed code, or else the first with the typed name.
long VoucherForm::UnitGroupId() {
  Field* groups = FieldOfKind(nlUnitGroup);
  if (!groups) return 0;
  std::string text = CodeIn(env_.Windows().Text(groups->hwnd), nlUnitGroup);
  if (text.empty()) return 0;
  if (text == groups->chosen_text) return groups->chosen_id;
  NamedEntry typed = names_.Look(nlUnitGroup, text, 0, 0);
  return typed.known ? typed.id : names_.UnitGroupNamed(text, 0);
}

// The item and SubMes boxes list the class in the item-class box, the unit box the group
// in the unit-group box.
void VoucherForm::SyncParentIds(Field& field) {
  if (!field.list) return;
  if (field.kind == nlItem || field.kind == nlSubMes) {
    field.list->ItemClassID(ItemClassId());
  } else if (field.kind == nlUnit) {
    field.list->UnitGroupID(UnitGroupId());
  }
}

void VoucherForm::WriteChoice(long hwnd, const TerminalListData& rows, long row,
                              const std::string& code) {
  Field* f = FieldOfWindow(hwnd);
  if (!f || !env_.Windows().IsWindow(hwnd)) return;
  std::string text = code;
  const TerminalListData::Row& chosen = rows.Peek(row);
  if (f->kind == nlVchExp && !chosen.cells[2].empty()) {
    text = chosen.cells[2];  // the explanation itself goes into the voucher
  } else if (f->kind == nlUnitGroup) {
    long nth = 0;
    for (long r = 1; r < row; ++r) nth += rows.Peek(r).cells[1] == chosen.cells[1] ? 1 : 0;
    f->chosen_text = chosen.cells[1];
    f->chosen_id = names_.UnitGroupNamed(chosen.cells[1], nth);
  }
  env_.Windows().SetText(hwnd, text);
}

void VoucherForm::LookUp(Field& f) {
  long class_id = f.kind == nlItem || f.kind == nlSubMes ? ItemClassId() : 0;
  long group_id = f.kind == nlUnit ? UnitGroupId() : 0;
  std::string code = CodeIn(env_.Windows().Text(f.hwnd), f.kind);
  std::string key = code + '\n' + std::to_string(class_id) + '\n' + std::to_string(group_id);
  if (key == f.looked_up) return;
  f.looked_up = key;
  f.entry = {};
  if (f.kind == nlUnitGroup) {
    NamedEntry typed = names_.Look(nlUnitGroup, code, 0, 0);
    long id = UnitGroupId();
    f.entry = typed.known && typed.id == id ? typed : NamedEntry{id != 0, true, id, code};
  } else {
    f.entry = names_.Look(f.kind, code, class_id, group_id);
  }
}

std::string VoucherForm::Problem(const Field& f) const {
  std::string code = CodeIn(env_.Windows().Text(f.hwnd), f.kind);
  if (code.empty() || f.kind == nlVchExp || !f.list) return "";
  if (!f.entry.known) return std::string(EntryWord(f.kind)) + " " + code + " 不存在";
  if (f.kind == nlAccount && !f.entry.detail) {
    return "科目 " + code + " " + f.entry.name + " 不是明细科目，凭证要用明细科目";
  }
  return "";
}

void VoucherForm::AfterKey(const KeyPress& key) {
  for (Field& other : fields_) {
    if (other.list) LookUp(other);
  }
  Field& f = fields_[focus_];
  if (!f.list) return;
  std::string text(text::Trim(env_.Windows().Text(f.hwnd), " \t"));
  bool listing_key =
      (key.kind == KeyPress::kKey && key.code == VK_F8) ||
      (key.kind == KeyPress::kChar && hot_trace_ && !text.empty() && text.back() == '.');
  if (listing_key && !host_->Shown() && (f.kind == nlAccount || f.kind == nlItem) &&
      f.entry.known && f.entry.detail) {
    ShowStatus(std::string(EntryWord(f.kind)) + " " + CodeIn(text, f.kind) + " " + f.entry.name +
                   " 是明细，没有下级可列出",
               false);
  }
}

void VoucherForm::MoveFocus(int step) {
  if (host_->Shown()) host_->Shown()->HideList();
  try {
    LookUp(fields_[focus_]);
    if (std::string problem = Problem(fields_[focus_]); !problem.empty()) ShowStatus(problem, true);
  } catch (const std::exception& e) {
    ShowStatus(ErrorText(e), true);
  }
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

// Enter: with a list shown, it chooses a row. A chosen parent account or item lists its
// sub-entries through the component's HotTrace; every other box keeps its list closed.
void VoucherForm::SendEnter() {
  Field& f = fields_[focus_];
  bool drills_down = f.kind == nlAccount || f.kind == nlItem;
  if (f.list && !drills_down) f.list->HotTrace(false);
  try {
    SendKey(VK_RETURN);
  } catch (const std::exception&) {
    if (f.list) f.list->HotTrace(hot_trace_);
    throw;
  }
  if (f.list) f.list->HotTrace(hot_trace_);
}

void VoucherForm::SendChar(char32_t code) {
  // A Chinese input method types the level separator of a code as a full-width point.
  long kind = fields_[focus_].kind;
  bool code_box = kind == nlAccount || kind == nlItem || kind == nlSubMes;
  if (code_box && (code == U'。' || code == U'．')) code = U'.';
  if (code < 0x10000) {
    Send(WM_CHAR, static_cast<long>(code));
    return;
  }
  code -= 0x10000;  // two UTF-16 units, as the box expects
  Send(WM_CHAR, static_cast<long>(0xD800 + (code >> 10)));
  Send(WM_CHAR, static_cast<long>(0xDC00 + (code & 0x3FF)));
}

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
      SendEnter();
      if (!list_shown) MoveFocus(1);
    } else if (key.code == VK_ESCAPE) {
      SendKey(VK_ESCAPE);
    } else if (key.code == VK_BACK || key.code == 127) {
      SendKey(VK_BACK);
      Send(WM_CHAR, VK_BACK);
    } else if (key.code >= 32) {
      SendChar(static_cast<char32_t>(key.code));
    }
    AfterKey(key);
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
    // In full, over as many lines as it takes.
    int y = 0;
    for (const std::string& line :
         WrapToWidth(TooSmallMessage(s.Rows(), s.Cols(), fields_.size()), s.Cols())) {
      s.Put(y++, 0, line, Style::kError);
    }
    for (const std::string& line : WrapToWidth("请放大窗口，或按 F10 / Ctrl-Q 退出", s.Cols())) {
      s.Put(y++, 0, line, Style::kNormal);
    }
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
    int beside = s.Cols() - (box.x + box.width + 2);
    if (!f.list) {
      s.Put(box.y, box.x + box.width + 2, FitToWidth("(无列表)", beside), Style::kError);
    } else if (f.entry.known && f.entry.name != CodeIn(env_.Windows().Text(f.hwnd), f.kind)) {
      s.Put(box.y, box.x + box.width + 2, FitToWidth(Printable(f.entry.name), beside),
            Style::kLabel);
    }
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
