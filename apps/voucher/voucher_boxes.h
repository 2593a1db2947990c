// The voucher-entry form as every host has it: one labelled text box per list kind, each
// with its own GLNameList, and what the form knows beyond the lists.
//
// The item and SubMes boxes list the items of the class whose code the item-class box holds,
// the unit box the units of the group chosen (or typed, by code) in the unit-group box. A
// row chosen from a list writes what its box takes: the code, but the text of an
// explanation; after a choice only a parent account or item lists again (its sub-entries).
// Beside each box stands the name of the entry it holds; leaving a box with an unknown code
// (or a non-detail account) says so in the status line, and so does a listing key on a
// detail code, which has nothing to list. A full-width point typed into a code box (what a
// Chinese input method types) is the "." of the code.
//
// A fault of the ledger (a lost or unreachable server, a locked file) is told in the status
// line by its cause, never as an unknown code: a look-up that failed leaves the box's entry
// unknown but unjudged, and is tried again on the next key; a box whose list could not be
// attached stays a plain box until the next key, when it waits for its data again. Once the
// ledger answers again, its fault leaves the status line.
//
// The form sees its boxes' messages through a hook of its own on each box's window, added
// after the list's: it steers a box's list before the list sees a message and looks at the
// outcome after. The host draws the boxes, the names and the status line, and moves the
// focus through the window system.
#ifndef GLNAMELIST_APPS_VOUCHER_VOUCHER_BOXES_H_
#define GLNAMELIST_APPS_VOUCHER_VOUCHER_BOXES_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "apps/voucher/entry_names.h"
#include "component/gl_name_list.h"
#include "listkit/list_control_base.h"
#include "platform/window_system.h"

namespace glnamelist::ledger {
class LedgerService;
}  // namespace glnamelist::ledger

namespace glnamelist::voucher {

class VoucherBoxes : public listkit::ListForm {
 public:
  // A box of the form: its label and its list kind.
  struct BoxKind {
    const char* label;
    long kind;
  };
  // The form's boxes, in order.
  static const std::vector<BoxKind>& Kinds();
  // Their list kinds, in the same order.
  static std::vector<long> ListKinds();

  // Puts text into box hWnd as the host's box shows it.
  using WriteBox = std::function<void(long hWnd, const std::string& text)>;
  // Whether the data of a list kind is in, so that its list is attached without waiting.
  using ListReady = std::function<bool(long kind)>;
  // What a host shows beside a box that waits for its data, and how often (in milliseconds)
  // it calls AttachLists again while one waits.
  static constexpr const char* kWaitingNote = "(列表载入中…)";
  static constexpr int kAttachPollMs = 50;

  // boxes[i] is the box of Kinds()[i]; their windows live in windows, which outlives the
  // form.
  VoucherBoxes(platform::WindowSystem& windows, WriteBox write,
               const std::vector<TextBoxPtr>& boxes);
  // Detaches every list.
  ~VoucherBoxes() override;
  VoucherBoxes(const VoucherBoxes&) = delete;
  VoucherBoxes& operator=(const VoucherBoxes&) = delete;

  // Creates and attaches, with the current HotTrace, the GLNameList of every box still
  // waiting whose kind is ready (every one when ready is empty), and hooks its window; true
  // once no box waits. Until then a box is a plain box. A box whose list cannot be made
  // stays one and the error is shown; after the next key in any box it waits again (a new
  // GLNameList is made once its kind is ready).
  bool AttachLists(const ListReady& ready = {});
  // True while a box waits for its data or a failed one is to be tried again: the host
  // calls AttachLists again soon (every kAttachPollMs).
  bool ListsWaiting() const;

  size_t Count() const { return fields_.size(); }
  long Window(size_t box) const;
  bool HasList(size_t box) const;
  // True while the box waits for its data to attach its list.
  bool Waiting(size_t box) const;
  // The name of the entry box holds, when it is known and says more than the box's text.
  const std::string& NameBeside(size_t box) const;
  // The box whose window is hWnd, Count() for none.
  size_t BoxOfWindow(long hWnd) const;

  bool HotTrace() const { return hot_trace_; }
  // Turns HotTrace of every list on or off, and says so.
  void ToggleHotTrace();
  const std::string& Status() const { return status_; }
  bool StatusIsError() const { return status_error_; }
  void ShowStatus(std::string text, bool error);

  // The list shown, nullptr when none is; one list is shown at a time.
  listkit::NameListBase* Shown() const { return shown_; }
  // Called after the form's boxes, names or status may have changed.
  void OnChange(std::function<void()> changed) { changed_ = std::move(changed); }

  void RowChosen(listkit::NameListBase& list, long hWnd, long row,
                 const std::string& code) override;
  void ChoiceEnded(listkit::NameListBase& list, long hWnd) override;
  void ListShown(listkit::NameListBase& list) override;
  void ListHidden(listkit::NameListBase& list) override;
  void ReportError(const std::string& message) override;
  void ReportFailure(const std::exception& e) override;

 private:
  struct Field {
    std::string label;
    long kind = 0;
    TextBoxPtr box;
    long hwnd = 0;
    bool waiting = true;
    bool failed = false;  // its list could not be attached
    std::shared_ptr<GLNameList> list;
    platform::ScopedHook hook;
    // Sees every key that reaches the box, list or none: a failure is tried again after it.
    platform::ScopedHook key_hook;
    // What was looked up for the box, and for which text and parent ids; whether the last
    // look-up failed (the entry is then unknown but not judged).
    std::string looked_up;
    bool lookup_failed = false;
    NamedEntry entry;
    // A unit group chosen from its list: the name written into the box and the group's id
    // (names need not be unique).
    std::string chosen_text;
    long chosen_id = 0;
  };

  // The form's hook on a box's window, before and after the box's list.
  void Before(Field& field, long msg, long& wParam);
  void After(Field& field, long msg, long wParam);
  void SyncParentIds(Field& field);
  long ItemClassId();
  long UnitGroupId();
  Field* FieldOfKind(long kind);
  Field* FieldOfWindow(long hwnd);
  std::string CodeOf(const Field& field) const;
  void LookUp(Field& field);
  // Looks up the entry of every box with a list whose text or parent has changed.
  void LookUpAll();
  // The status-line complaint about the box's code; empty when there is none.
  std::string Problem(const Field& field) const;
  // After F8 or a typed point that listed nothing: says why, when the code is a detail.
  void ExplainNoList(const Field& field);
  // Shows an error met while the form is in use, a ledger's fault in the form's words.
  void ShowFault(const std::string& prefix, const std::exception& e);
  // The ledger answered: a fault it showed leaves the status line.
  void Answered();
  // A key or a move of the focus: the ledger may wait for a fault once again.
  void BeginAction();
  void Changed();

  platform::WindowSystem& windows_;
  WriteBox write_;
  std::vector<Field> fields_;
  EntryNames names_;
  bool hot_trace_ = true;
  std::string status_;
  bool status_error_ = false;
  // The status line shows a ledger's fault that passes (unreachable, locked), met while the
  // keys_-th key was handled.
  bool fault_shown_ = false;
  long fault_key_ = 0;
  long keys_ = 0;
  // A key has come since a box failed: failed boxes wait for their data again.
  bool retry_ = false;
  listkit::NameListBase* shown_ = nullptr;
  std::function<void()> changed_;
  // The ledger's data service, told to show its faults here while the form lives.
  std::weak_ptr<ledger::LedgerService> service_;
};

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_VOUCHER_BOXES_H_
