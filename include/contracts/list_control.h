// The drop-down list control and its row-data object.
//
// The component creates one list control per GLNameList and talks to it only through these
// members. What the control draws, where, and how the user moves inside it is the
// control's own business; what the component relies on is stated per member.
#ifndef GLNAMELIST_CONTRACTS_LIST_CONTROL_H_
#define GLNAMELIST_CONTRACTS_LIST_CONTROL_H_

#include <memory>
#include <string>

#include "contracts/api.h"
#include "contracts/event.h"
#include "contracts/font.h"
#include "contracts/object.h"
#include "contracts/picture.h"

namespace glnamelist {

// The rows of the list. Rows count from 1; columns from 0 to 2.
class GLNAMELIST_API NameListData : public Object {
 public:
  // Number of columns shown: 1 or 2.
  virtual void Cols(long NewVal) = 0;
  // 0 for items and SubMes entries, 1 for all other kinds.
  virtual void ListStyle(long NewVal) = 0;
  // -1 (True): rows come through DataRequest, one by one, as the control paints them.
  // 2: copied rows whose column 0 holds a hidden key; the control shows columns 1 to Cols.
  // 0: copied rows.
  virtual void RowsOnRequest(long NewVal) = 0;
  // The row count. Setting it forgets every row written before.
  virtual void Rows(long NewVal) = 0;
  virtual void CellText(long Row, long Col, const std::string& Text) = 0;
  virtual void RowPicture(long Row, PicturePtr Pic) = 0;
  // Called once after all copied rows have been written.
  virtual void FinishRows() = 0;

  // Raised for each row the control is about to paint while RowsOnRequest is -1; the
  // handler sets the row's cells and picture before it returns. An error thrown by the
  // handler reaches the control.
  Event<long> DataRequest;
};

using NameListDataPtr = std::shared_ptr<NameListData>;

class GLNAMELIST_API NameListControl : public Object {
 public:
  virtual void ListFont(FontPtr NewVal) = 0;
  virtual void Font(FontPtr NewVal) = 0;
  // The window handle of the text box the list serves.
  virtual long OwnerHwnd() const = 0;
  virtual void OwnerHwnd(long NewVal) = 0;
  virtual bool NoKeyDownKeyUp() const = 0;
  virtual void NoKeyDownKeyUp(bool NewVal) = 0;

  // Sees each message of the owner box before the box does; may clear bExecProc to keep
  // the message from the box and set lResult as the message's result.
  virtual void EnterWindowProc(long hWnd, long Msg, long wParam, long lParam, bool& bExecProc,
                               long& lResult) = 0;
  // Sees each message after the box has handled it.
  virtual void LeaveWindowProc(long hWnd, long Msg, long wParam, long lParam) = 0;
  // For hosts that forward their box's key events; may change both arguments.
  virtual bool OnKeyDown(short& KeyCode, short& Shift) = 0;
  virtual bool OnKeyUp(short& KeyCode, short& Shift) = 0;

  // The typed text of the box hWnd. flag is -1 or 0; its meaning is the control's.
  virtual std::string GetEditText(long hWnd, long flag) = 0;
  // The row-data object; the same object for the life of the control.
  virtual NameListDataPtr ListData() = 0;
  // Shows the list after a code listing.
  virtual void DropDown() = 0;
  // Shows the list after a name search.
  virtual void DropDownFound() = 0;
  // True while the list is shown.
  virtual bool Visible() const = 0;
  virtual void HideList() = 0;
  // Ends the list window.
  virtual void Unload() = 0;

  // Raised when the selection in the list changes.
  Event<> SelChanged;
};

using NameListControlPtr = std::shared_ptr<NameListControl>;

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_LIST_CONTROL_H_
