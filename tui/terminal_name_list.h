// The drop-down list control of the terminal.
//
// The list keeps a selection and the first shown row; Up/Down/Page Up/Page Down/Home/End
// move the selection, Enter chooses the selected row: the list closes, the host writes the
// row into the owner box, then SelChanged is raised. Moving never raises SelChanged, so the
// rows shown (a search result too) stay while the user browses them. Esc closes. While the list is
// shown these keys never reach the box. Where the list goes is list_layout.h's to say, how it looks
// list_painter.h's.
//
// With rows on request the list asks for a row (DataRequest) only when it paints it, or
// when Enter needs its code; a row handed over is kept until Rows is set again.
#ifndef GLNAMELIST_TUI_TERMINAL_NAME_LIST_H_
#define GLNAMELIST_TUI_TERMINAL_NAME_LIST_H_

#include <memory>
#include <string>

#include "contracts/list_control.h"
#include "tui/list_data.h"
#include "tui/screen.h"

namespace glnamelist::tui {

class TerminalNameList;

// What a list needs of the form it belongs to.
class ListHost {
 public:
  virtual ~ListHost() = default;
  // Where the text box hWnd is on the screen; height 0 when the form has no such box.
  virtual Rect BoxRect(long hWnd) = 0;
  virtual int ScreenRows() = 0;
  virtual int ScreenCols() = 0;
  // The user chose row `row` of list, whose code is `code`; the list has closed. The host
  // writes what box hWnd takes of the row (the code, unless the form knows better); the
  // list raises SelChanged right after.
  virtual void RowChosen(TerminalNameList& list, long hWnd, long row, const std::string& code) = 0;
  // The glyph that stands for the picture stored under key (at most two columns).
  virtual std::string PictureGlyph(const std::string& key) = 0;
  // The list has dropped down or closed; the form shows one list at a time.
  virtual void ListShown(TerminalNameList& list) = 0;
  virtual void ListHidden(TerminalNameList& list) = 0;
  // An error raised inside the list (by a DataRequest handler) for the status line.
  virtual void ReportError(const std::string& message) = 0;
};

class TerminalNameList : public NameListControl {
 public:
  explicit TerminalNameList(std::shared_ptr<ListHost> host);
  ~TerminalNameList() override;

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
  // Closes the list when its box loses the focus or its text is edited (the rows no longer
  // belong to the text).
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
  const TerminalListData& Rows() const { return *data_; }

  // Draws the list, when shown, over what the screen holds; first asks for the rows on
  // request about to be painted.
  void Paint(Screen& screen);

 private:
  void Show(bool found);
  // Handles a list key (virtual-key code) while shown; False for any other key.
  bool HandleKey(long key);
  // Where the list goes (frame included); height 0 when the screen has no room.
  Rect Frame() const;
  int PageRows() const;
  void Select(long row);
  void Choose();

  std::shared_ptr<ListHost> host_;
  std::shared_ptr<TerminalListData> data_;
  FontPtr list_font_;
  FontPtr font_;
  long owner_ = 0;
  bool no_key_down_key_up_ = false;
  bool visible_ = false;
  bool found_ = false;
  long selection_ = 0;  // 1-based, 0 when there are no rows
  long top_ = 1;        // the first shown row
  std::string marked_;  // the text marked in the rows: the box text when the list dropped down
};

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_TUI_TERMINAL_NAME_LIST_H_
