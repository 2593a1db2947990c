// The voucher-entry form as every host has it: one labelled text box per list kind, each
// with its own GLNameList, and what the form knows beyond the lists.
//
// The item and SubMes boxes list the items of the class whose code the item-class box holds,
// the unit box the units of the group whose code the unit-group box holds. A row chosen
// from a list writes what its box takes: the code, but the text of an explanation; after a
// choice only a parent account or item lists again (its sub-entries). Beside each box
// stands the name of the entry it holds, also when the box got its code before its list.
// A full-width point typed into a code box (what a Chinese input method types) is the "."
// of the code.
//
// The status line speaks of one box at a time and goes once that box's text changes:
// moving to another box after one holding an unknown code (or a non-detail account) says
// so, and so does a listing key that lists nothing (a detail code, no class or group
// chosen, a code the box's kind does not list) or lists everything for an unknown code.
// Losing the focus to a window that is no box of the form (a message box) says nothing.
//
// A box that has the focus when its list is attached lists as entering it would have. The
// rows of each list show the picture of its kind (kind_pictures.h).
//
// Master data that changes while the form runs (DataChanged) reaches a box through a new
// GLNameList, the way a host sees new data, made once the box's list is not dropped down;
// the box keeps its text, caret and focus, and lists nothing by itself. The names beside the
// boxes follow the new data, and a box whose code no longer exists says so.
//
// A fault of the ledger (a lost or unreachable server, a locked file) is told in the status
// line by its cause, never as an unknown code: a look-up that failed leaves the box's entry
// unknown but unjudged, and is tried again on the next key; a box whose list could not be
// attached stays a plain box until the next key, when it waits for its data again. Once the
// ledger answers again, its fault leaves the status line.
//
// The form sees its boxes' messages through hooks of its own on each box's window: one from
// the start that follows the focus and the boxes' texts, and one added after the list's
// once the list is attached: it steers a box's list before the list sees a message and
// looks at the outcome after. The host draws the boxes, the names and the status line, and
// moves the focus through the window system.
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

namespace glnamelist {
class LiveData;
}  // namespace glnamelist

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

  // boxes[i] is the box of kinds[i] (the form's boxes by default); their windows live in
  // windows, which outlives the form.
  VoucherBoxes(platform::WindowSystem& windows, WriteBox write,
               const std::vector<TextBoxPtr>& boxes, const std::vector<BoxKind>& kinds = Kinds());
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

  // The master data of these list kinds has a new version (ledger::WatchLists): every box of
  // those kinds gets a new GLNameList, at once or, while its list is dropped down, at a call
  // once it is not. The host calls this every kChangesPollMs, with the kinds it has learnt
  // of (often none). True when the form may look different since.
  bool DataChanged(const std::vector<long>& kinds);
  static constexpr int kChangesPollMs = 100;
  // Goes up by one with every change of master data, so that what the form keeps of it
  // elsewhere (the entries a voucher is checked against) can be let go.
  long DataVersion() const { return data_version_; }

  size_t Count() const { return fields_.size(); }
  const std::string& Label(size_t box) const { return fields_.at(box).label; }
  long Window(size_t box) const;
  bool HasList(size_t box) const;
  // True while the box waits for its data to attach its list.
  bool Waiting(size_t box) const;
  // The name of the entry box holds, when it is known and says more than the box's text.
  const std::string& NameBeside(size_t box) const;
  // The box whose window is hWnd, Count() for none.
  size_t BoxOfWindow(long hWnd) const;

  // The box that has the focus, Count() when none has.
  size_t Focused() const { return focused_; }

  // Listing on entering a box: HotTrace of every list.
  bool HotTrace() const { return hot_trace_; }
  // Turns HotTrace of every list on or off, and says so.
  void ToggleHotTrace();
  // Turns it on or off without a word (a new form taking over the switch of the last).
  void HotTrace(bool on);
  const std::string& Status() const { return status_; }
  bool StatusIsError() const { return status_error_; }
  // Shows a message of the whole form.
  void ShowStatus(std::string text, bool error);
  // Clears the status line when it still says text.
  void ClearStatus(const std::string& text);

  // Milliseconds until a listing of any box gets past the lists' repeat guard
  // (GLNameList::kRepeatSeconds), by the clock the lists read; 0 when it would now.
  int ListingGuardMs() const;

  // The list shown, nullptr when none is; one list is shown at a time.
  listkit::NameListBase* Shown() const { return shown_; }
  // Enter chooses a row: a list is shown and the user moved to a row of it or typed what it
  // found. Otherwise Enter keeps the box as it is and moves on.
  bool EnterChooses() const { return shown_ && shown_->Selection() > 0; }
  // Called after the form's boxes, names or status may have changed.
  void OnChange(std::function<void()> changed) { changed_ = std::move(changed); }
  // A key, a move of the focus, a save: the ledger may wait for a fault once again.
  void BeginAction();

  void RowChosen(listkit::NameListBase& list, long hWnd, long row,
                 const std::string& code) override;
  void ChoiceEnded(listkit::NameListBase& list, long hWnd) override;
  void ListShown(listkit::NameListBase& list) override;
  void ListHidden(listkit::NameListBase& list) override;
  void ReportError(const std::string& message) override;
  void ReportFailure(const std::exception& e) override;

 private:
  struct Field {
    size_t index = 0;
    std::string label;
    long kind = 0;
    TextBoxPtr box;
    long hwnd = 0;
    bool waiting = true;
    bool failed = false;  // its list could not be attached
    bool stale = false;   // its list lists master data that has a newer version
    std::shared_ptr<GLNameList> list;
    platform::ScopedHook watch;  // from the start: follows focus, texts and every key
    platform::ScopedHook hook;   // with the list
    // What was looked up for the box, and for which text and parent ids; whether the last
    // look-up failed (the entry is then unknown but not judged).
    std::string looked_up;
    bool lookup_failed = false;
    NamedEntry entry;
  };

  // Makes and attaches the box's GLNameList and hooks the box's window after it; false (the
  // error shown) when the list could not be made.
  bool AttachList(Field& field);
  // The box's GLNameList is let go.
  void DetachList(Field& field);
  // After new master data: the entries of the boxes are looked up again; a box whose code
  // was known and is no longer says so, and a complaint about a code that is now known goes.
  void LookUpAgain();
  void DropAnsweredComplaint();
  // The form's hook on a box's window, before and after the box's list.
  void Before(Field& field, long msg, long& wParam);
  void After(Field& field, long msg, long wParam);
  // The hook that follows the focus and the text of a box, from the start.
  void Watch(Field& field, long msg);
  // The focus has come to field; the box that had it last says what is wrong with its code.
  void Entered(Field& field);
  // The status line speaks of field's code as the box holds it now.
  void ShowStatusOf(const Field& field, std::string text, bool error);
  // Clears a message about a box whose text has changed since.
  void DropStaleStatus();
  // Lists for the box with the focus, as entering it does, when its list has just come.
  void ListOnArrival(Field& field);
  void SyncParentIds(Field& field);
  long ItemClassId();
  long UnitGroupId();
  Field* FieldOfKind(long kind);
  Field* FieldOfWindow(long hwnd);
  std::string CodeOf(const Field& field) const;
  // The code of a box of kind holding text.
  static std::string CodeIn(long kind, const std::string& text);
  void LookUp(Field& field);
  // Looks up the entry of every box with a list whose text or parent has changed.
  void LookUpAll();
  // The status-line complaint about the box's code; empty when there is none.
  std::string Problem(const Field& field) const;
  // After F8 or a typed point: says why nothing was listed, or that an unknown code lists
  // everything.
  void HintAfterListing(const Field& field);
  void MarkListing();
  // Shows an error met while the form is in use, a ledger's fault in the form's words.
  void ShowFault(const std::string& prefix, const std::exception& e);
  // The ledger answered: a fault it showed leaves the status line.
  void Answered();
  void Changed();

  platform::WindowSystem& windows_;
  WriteBox write_;
  std::vector<Field> fields_;
  EntryNames names_;
  bool hot_trace_ = true;
  size_t focused_;
  size_t last_focused_;
  std::string status_;
  bool status_error_ = false;
  // The box the status line speaks of (Count() for the whole form) and its text then.
  size_t status_box_;
  std::string status_text_of_box_;
  // When the last listing that may have run ended, by the lists' clock; negative: none yet.
  double last_listing_ = -1;
  // The status line shows a ledger's fault that passes (unreachable, locked), met while the
  // keys_-th key was handled.
  bool fault_shown_ = false;
  long fault_key_ = 0;
  long key_answers_ = 0;  // the ledger's answers as the last key began (LiveData::Answers)
  long keys_ = 0;
  // A key has come since a box failed: failed boxes wait for their data again.
  bool retry_ = false;
  listkit::NameListBase* shown_ = nullptr;
  std::function<void()> changed_;
  long data_version_ = 0;
  // The ledger's data service, told to show its faults here while the form lives.
  std::weak_ptr<LiveData> service_;
};

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_VOUCHER_BOXES_H_
