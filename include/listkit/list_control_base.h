// What a drop-down list control does the same on every host: which keys of its box it
// takes, how they move the selection, what choosing a row does, and the text it marks.
//
// The list keeps a selection; Up/Down/Page Up/Page Down/Home/End move it, Enter (or a host's
// click, through Choose) chooses the selected row. A list dropped down by DropDown (on
// entering its box, F8, a point) has no selected row until the user moves to one, and Enter
// there chooses nothing and only closes it; a found listing (DropDownFound: rows matching
// what was typed) starts on its first row. Choosing a row: the list closes, the form writes the row
// into the owner box, then SelChanged is raised. Moving never raises SelChanged, so the rows
// shown (a search result too) stay while the user browses them. Esc closes. While the list
// is shown these keys never reach the box. Editing the box's text or leaving the box closes
// the list: its rows no longer belong to the text.
//
// A host derives its control from NameListBase and draws it: where the list goes, how it
// looks and how many rows a page holds are the host's.
#ifndef GLNAMELIST_LISTKIT_LIST_CONTROL_BASE_H_
#define GLNAMELIST_LISTKIT_LIST_CONTROL_BASE_H_

#include <exception>
#include <memory>
#include <string>

#include "contracts/api.h"
#include "contracts/list_control.h"
#include "listkit/list_rows.h"

namespace glnamelist::listkit {

class NameListBase;

// What a list says of itself: the title of a search result, the line of a list without
// rows, and where its selection is ("第 2 行 / 共 30 行").
inline constexpr const char* kFoundTitle = "查找结果";
inline constexpr const char* kNoRowsText = "（没有数据）";
GLNAMELIST_API std::string PositionText(long selection, long rows);

// What a list control needs of the form whose boxes it serves.
class GLNAMELIST_API ListForm {
 public:
  virtual ~ListForm() = default;
  // The user chose row `row` of list, whose code is `code`; the list has closed. The form
  // writes what box hWnd takes of the row (the code, unless the form knows better); the
  // list raises SelChanged right after and then calls ChoiceEnded, even when a handler of
  // SelChanged failed.
  virtual void RowChosen(NameListBase& list, long hWnd, long row, const std::string& code) = 0;
  virtual void ChoiceEnded(NameListBase& list, long hWnd) = 0;
  // The list has dropped down or closed.
  virtual void ListShown(NameListBase& list) = 0;
  virtual void ListHidden(NameListBase& list) = 0;
  // An error raised inside the list (by a DataRequest handler), for the user to see.
  virtual void ReportError(const std::string& message) = 0;
  // The same error as it was raised: ReportError(ErrorText(e)) unless a form words some
  // errors itself (a ledger's faults in its own language, say).
  virtual void ReportFailure(const std::exception& e);
};

class GLNAMELIST_API NameListBase : public NameListControl {
 public:
  // The list tells form what happens while form exists; it never keeps it alive.
  explicit NameListBase(std::weak_ptr<ListForm> form);
  ~NameListBase() override;

  void ListFont(FontPtr NewVal) override { list_font_ = std::move(NewVal); }
  void Font(FontPtr NewVal) override { font_ = std::move(NewVal); }
  long OwnerHwnd() const override { return owner_; }
  void OwnerHwnd(long NewVal) override { owner_ = NewVal; }
  bool NoKeyDownKeyUp() const override { return no_key_down_key_up_; }
  void NoKeyDownKeyUp(bool NewVal) override { no_key_down_key_up_ = NewVal; }

  // While shown, takes the list keys (WM_KEYDOWN, and the WM_CHAR of Enter and Esc) of the
  // owner box: clears bExecProc and sets lResult to 0.
  void EnterWindowProc(long hWnd, long Msg, long wParam, long lParam, bool& bExecProc,
                       long& lResult) override;
  // Closes the list when its box loses the focus or its text is edited.
  void LeaveWindowProc(long hWnd, long Msg, long wParam, long lParam) override;
  // Unless NoKeyDownKeyUp is set: while shown, a list key is handled (on key down), its
  // KeyCode set to 0 and True returned; otherwise False.
  bool OnKeyDown(short& KeyCode, short& Shift) override;
  bool OnKeyUp(short& KeyCode, short& Shift) override;

  // The text of box hWnd as the window system holds it; flag -1 gives it without leading
  // and trailing white space, 0 exactly as typed.
  std::string GetEditText(long hWnd, long flag) override;
  NameListDataPtr ListData() override { return data_; }
  void DropDown() override { Show(false); }
  void DropDownFound() override { Show(true); }
  bool Visible() const override { return visible_; }
  void HideList() override;
  void Unload() override;

  // The rows as the component last wrote them.
  const ListRows& Rows() const { return *data_; }
  // The selected row (1-based; 0 when there are no rows or none is selected yet).
  long Selection() const { return selection_; }
  // True when the rows shown are a search result.
  bool Found() const { return found_; }
  // The text marked in the rows: the box's text when the list dropped down, without its
  // surrounding blanks and a trailing point.
  const std::string& Marked() const { return marked_; }
  // Selects row and chooses it, as Enter does.
  void Choose(long row);

 protected:
  ListRows& MutableRows() { return *data_; }
  const FontPtr& ListFontObject() const { return list_font_; }
  // How far Page Up and Page Down move: the rows the list shows at a time.
  virtual long PageRows() const = 0;
  // The list has dropped down (kept: on the same text and kind as it was already showing, so
  // the selection stayed), has closed, or its selection has moved.
  virtual void OnShow(bool kept) = 0;
  virtual void OnHide() = 0;
  virtual void OnSelect() = 0;
  // Tells the form of an error raised inside the list.
  void ReportError(const std::exception& e);

 private:
  void Show(bool found);
  // Handles a list key (virtual-key code) while shown; False for any other key.
  bool HandleKey(long key);
  void Select(long row);
  void Choose();

  std::weak_ptr<ListForm> form_;
  std::shared_ptr<ListRows> data_;
  FontPtr list_font_;
  FontPtr font_;
  long owner_ = 0;
  bool no_key_down_key_up_ = false;
  bool visible_ = false;
  bool found_ = false;
  long selection_ = 0;
  std::string marked_;
};

}  // namespace glnamelist::listkit

#endif  // GLNAMELIST_LISTKIT_LIST_CONTROL_BASE_H_
