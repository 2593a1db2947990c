// GLNameList: turns one single-line text box of a host form into a drop-down list of master
// data of one kind.
//
//   auto list = std::make_shared<GLNameList>();   // creates the list control
//   list->HotTrace(true);
//   list->Attach(box, nlAccount);                  // hooks the box, sets the list up
//   ...                                            // F8, F9, focus, "." now list
//   list->Detach();
//
// Construction creates the list control (progid::kNameList) and sets DeleteOptions = False on
// the shared data service; it fails when either cannot be created. Everything runs on the
// host's user-interface thread.
#ifndef GLNAMELIST_COMPONENT_GL_NAME_LIST_H_
#define GLNAMELIST_COMPONENT_GL_NAME_LIST_H_

#include <memory>
#include <string>

#include "component/dispatch.h"
#include "component/list_setup.h"
#include "component/row_supply.h"
#include "contracts/event.h"
#include "contracts/list_control.h"
#include "contracts/subclass.h"
#include "contracts/text_box.h"
#include "providers/provider.h"
#include "providers/state.h"

namespace glnamelist {

class GLNameList {
 public:
  GLNameList();
  // Detaches (errors ignored), then releases every object it holds. Never throws.
  ~GLNameList();
  GLNameList(const GLNameList&) = delete;
  GLNameList& operator=(const GLNameList&) = delete;

  // Public fields, each with a getter and a setter of the same name.
  bool HotTrace() const { return s_.HotTrace; }
  void HotTrace(bool NewVal) { s_.HotTrace = NewVal; }
  // The picture of rows without one of their own; replaced by every list setup.
  PicturePtr PicDefault() const { return s_.PicDefault; }
  void PicDefault(const PicturePtr& NewVal) { s_.PicDefault = NewVal; }
  // Stored only.
  long AssetItemType() const { return s_.AssetItemType; }
  void AssetItemType(long NewVal) { s_.AssetItemType = NewVal; }
  std::string AssetFilter() const { return s_.AssetFilter; }
  void AssetFilter(const std::string& NewVal) { s_.AssetFilter = NewVal; }
  bool FilterIsAsset() const { return s_.FilterIsAsset; }
  void FilterIsAsset(bool NewVal) { s_.FilterIsAsset = NewVal; }
  long ItemClassID() const { return s_.ItemClassID; }
  void ItemClassID(long NewVal) { s_.ItemClassID = NewVal; }
  long UnitGroupID() const { return s_.UnitGroupID; }
  void UnitGroupID(long NewVal) { s_.UnitGroupID = NewVal; }

  // Passed through to the list control, which keeps the value.
  bool NoKeyDownKeyUp() const;
  void NoKeyDownKeyUp(bool NewVal);

  // For hosts that forward their box's key events: passed to the list control by reference
  // (what it writes into KeyCode and Shift reaches the caller); its result is returned.
  bool OnKeyDown(short& KeyCode, short& Shift);
  bool OnKeyUp(short& KeyCode, short& Shift);

  // The picture of the account with code Number, or Nothing. Before the first account
  // setup there are no account pictures and the getter gives Nothing.
  PicturePtr Picture(const std::string& Number) const;
  // Stores NewPic for the account code (Nothing removes the entry). A row already built
  // keeps its picture.
  void Picture(const std::string& Number, PicturePtr NewPic);

  // The attached text box, or Nothing.
  TextBoxPtr TextBox() const { return s_.TextBox; }

  // The kind of list. Setting it runs list setup at once, attached or not; any value is
  // stored.
  long NameListType() const { return s_.NameListType; }
  void NameListType(long NewVal);

  // Hooks objTextBox and sets the list up for NameListType, in this order: a new
  // subclassing object, Hook(hWnd), TextBox, NameListType, list setup, the list control's
  // OwnerHwnd, then its ListFont and Font. An error at a step leaves the earlier steps in
  // effect. Does not detach first.
  void Attach(TextBoxPtr& objTextBox, long NameListType);
  // Hides a shown list and unhooks the box (only while one is attached), then releases the
  // box and the subclassing object. Errors of the list control and the subclassing object
  // reach the caller.
  void Detach();
  // As Detach, but asks the list control to Unload instead of hiding and unhooking, and
  // ignores every error.
  void Detach1();

  // Test seams: the state the providers and row supply share, the dispatcher's last
  // listing time, and a provider of the test's own for a kind.
  NameListState& StateForTesting() { return s_; }
  double LastListTimeForTesting() const { return dispatcher_.LastListTime(); }
  void SetProviderForTesting(long kind, ProviderPtr provider);

 private:
  // Message handling (message_handling.cc).
  void SubClass_EnterWindowProc(long hWnd, long& Msg, long& wParam, long& lParam, bool& bExecProc,
                                long& lResult);
  void SubClass_LeaveWindowProc(long hWnd, long Msg, long wParam, long lParam);
  void MyNameList_SelChanged();
  // Row supply.
  void NameListData_DataRequest(long Row);
  void SetupList();

  // Replaces the subclassing object, connecting its events (Nothing releases it).
  void SetSubClass(SubClassPtr sub);

  NameListState s_;
  SubClassPtr SubClass_;
  std::unique_ptr<AccountPictureMap> AccountPictures_;
  RowSupply rows_;
  Dispatcher dispatcher_;
  Connection sel_changed_, enter_window_proc_, leave_window_proc_;
};

}  // namespace glnamelist

#endif  // GLNAMELIST_COMPONENT_GL_NAME_LIST_H_
