// The voucher-entry form: one labelled text box per list kind, each with its own GLNameList.
//
// Keys go to the focused box as window messages through the window system, so that the
// component sees them through its subclassing object: characters as WM_CHAR (UTF-16 units;
// a full-width point typed into a code box is the "." of the code), function,
// arrow and editing keys as WM_KEYDOWN. Tab and Shift-Tab (and Enter while no list is
// shown) move the focus; F2 switches HotTrace of every box; F10 and Ctrl-Q close the form,
// and so does the end of the terminal's input.
// The item and SubMes boxes list the items of the class whose code the item-class box
// holds, the unit box the units of the group chosen (or typed, by code) in the unit-group
// box. A row chosen from a list writes what its box takes: the code, but the text of an
// explanation; after a choice only a parent account or item lists again (its sub-entries).
// Beside each box stands the name of the entry it holds; leaving a box with an unknown code
// (or a non-detail account) says so in the status line, and so does a listing key on a
// detail code, which has nothing to list. An error raised while a key is handled is shown
// in the status line.
#ifndef GLNAMELIST_TUI_VOUCHER_FORM_H_
#define GLNAMELIST_TUI_VOUCHER_FORM_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "component/gl_name_list.h"
#include "platform/environment.h"
#include "tui/curses_screen.h"
#include "tui/entry_names.h"
#include "tui/form_layout.h"
#include "tui/terminal_name_list.h"

namespace glnamelist::tui {

class VoucherForm {
 public:
  // progress(step, steps, what) is called before each slow step of AttachLists.
  using Progress = std::function<void(int step, int steps, const std::string& what)>;

  VoucherForm(platform::PlatformEnvironment& env, Screen& screen, std::string title);
  ~VoucherForm();
  VoucherForm(const VoucherForm&) = delete;
  VoucherForm& operator=(const VoucherForm&) = delete;

  // The list host that list controls created for this form draw through.
  std::shared_ptr<ListHost> Host() const;

  // Creates and attaches the GLNameList of every box, with HotTrace on, and gives the first
  // box the focus. A box whose list cannot be made stays a plain box; the error is shown.
  void AttachLists(const Progress& progress);

  // Draws the form and (with_list) the shown list; returns where the caret goes ({-1, -1}:
  // nowhere).
  std::pair<int, int> Paint(bool with_list = true);
  // Handles one key; False when the form is to close.
  bool Handle(const KeyPress& key);

  void ShowStatus(std::string text, bool error);
  bool HotTrace() const { return hot_trace_; }

 private:
  struct Field {
    std::string label;
    long kind = 0;
    long hwnd = 0;
    std::shared_ptr<GLNameList> list;
    // What was looked up for the box, and for which text and parent ids.
    std::string looked_up;
    NamedEntry entry;
    // A unit group chosen from its list: the name written into the box and the group's id
    // (names need not be unique).
    std::string chosen_text;
    long chosen_id = 0;
  };
  class FormHost;

  void MoveFocus(int step);
  void Send(long msg, long wParam);
  void SendKey(long vk);
  void SendEnter();
  // A typed character as WM_CHAR messages of UTF-16 units.
  void SendChar(char32_t code);
  void SyncParentIds(Field& field);
  long ItemClassId();
  long UnitGroupId();
  Field* FieldOfKind(long kind);
  Field* FieldOfWindow(long hwnd);
  // Writes what the box takes of the chosen row `row` of rows.
  void WriteChoice(long hwnd, const TerminalListData& rows, long row, const std::string& code);
  // Looks up the entry of the focused box again when its text has changed; after a key
  // that asks for a listing (F8, a typed point) that showed nothing, says why.
  void AfterKey(const KeyPress& key);
  void LookUp(Field& field);
  // The status-line complaint about the box's code; empty when there is none.
  std::string Problem(const Field& field) const;
  Rect BoxRect(long hwnd) const;

  platform::PlatformEnvironment& env_;
  Screen& screen_;
  std::string title_;
  std::vector<Field> fields_;
  std::shared_ptr<FormHost> host_;
  EntryNames names_;
  size_t focus_ = 0;
  bool hot_trace_ = true;
  std::string status_;
  bool status_error_ = false;
};

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_TUI_VOUCHER_FORM_H_
