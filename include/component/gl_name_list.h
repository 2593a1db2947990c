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

#include "contracts/api.h"
#include "contracts/list_kinds.h"
#include "contracts/picture.h"
#include "contracts/text_box.h"

namespace glnamelist {

class GLNameListImpl;

class GLNAMELIST_API GLNameList {
 public:
  // A code listing (F8, focus, a point) that starts within this many seconds of the end of
  // the box's last one does nothing.
  static constexpr double kRepeatSeconds = 0.01;

  GLNameList();
  // Detaches (errors ignored), then releases every object it holds. Never throws.
  ~GLNameList();
  GLNameList(const GLNameList&) = delete;
  GLNameList& operator=(const GLNameList&) = delete;

  // Public fields, each with a getter and a setter of the same name.
  bool HotTrace() const;
  void HotTrace(bool NewVal);
  // The picture of rows without one of their own; replaced by every list setup.
  PicturePtr PicDefault() const;
  void PicDefault(const PicturePtr& NewVal);
  // Stored only.
  long AssetItemType() const;
  void AssetItemType(long NewVal);
  // While FilterIsAsset is set, account and item code listings filter by this text instead
  // of the typed text. It goes into the filter as written: its wildcards stay wildcards.
  std::string AssetFilter() const;
  void AssetFilter(const std::string& NewVal);
  bool FilterIsAsset() const;
  void FilterIsAsset(bool NewVal);
  // The item class of item and SubMes lists, and the unit group of unit lists (0: none).
  long ItemClassID() const;
  void ItemClassID(long NewVal);
  long UnitGroupID() const;
  void UnitGroupID(long NewVal);

  // Passed through to the list control, which keeps the value.
  bool NoKeyDownKeyUp() const;
  void NoKeyDownKeyUp(bool NewVal);

  // For hosts that forward their box's key events: passed to the list control by reference
  // (what it writes into KeyCode and Shift reaches the caller); its result is returned.
  bool OnKeyDown(short& KeyCode, short& Shift);
  bool OnKeyUp(short& KeyCode, short& Shift);

  // The picture of the account with code Number, or Nothing until one is set, by the host or
  // by the first account setup (the bank and cash pictures).
  PicturePtr Picture(const std::string& Number) const;
  // Stores NewPic for the account code (Nothing removes the entry). A row already built
  // keeps its picture. A picture set before the first account setup wins over the bank or
  // cash picture of the same code.
  void Picture(const std::string& Number, PicturePtr NewPic);

  // The attached text box, or Nothing.
  TextBoxPtr TextBox() const;

  // The kind of list (GLNameListTypes). Setting it runs list setup at once, attached or not;
  // any value is stored.
  long NameListType() const;
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

 private:
  std::unique_ptr<GLNameListImpl> impl_;
};

}  // namespace glnamelist

#endif  // GLNAMELIST_COMPONENT_GL_NAME_LIST_H_
