// The inside of GLNameList: the object's state, the subclassing object and the handlers of
// its events, list setup, the list on show, row supply and dispatch.
#ifndef GLNAMELIST_COMPONENT_GL_NAME_LIST_IMPL_H_
#define GLNAMELIST_COMPONENT_GL_NAME_LIST_IMPL_H_

#include <string>

#include "component/dispatch.h"
#include "component/list_setup.h"
#include "component/row_supply.h"
#include "component/shown_list.h"
#include "contracts/event.h"
#include "contracts/subclass.h"
#include "contracts/text_box.h"
#include "providers/state.h"

namespace glnamelist {

class GLNameListImpl {
 public:
  // Creates the list control and connects its SelChanged; sets DeleteOptions = False on the
  // shared data service. Providers come from providers (the built-in ones when empty).
  explicit GLNameListImpl(ProviderSource providers = {});
  // Detaches (errors ignored), then releases every object it holds.
  ~GLNameListImpl();
  GLNameListImpl(const GLNameListImpl&) = delete;
  GLNameListImpl& operator=(const GLNameListImpl&) = delete;

  NameListState& state() { return state_; }
  const NameListState& state() const { return state_; }
  // The list on show.
  const ShownList& shown() const { return shown_; }

  PicturePtr Picture(const std::string& number) const;
  void Picture(const std::string& number, PicturePtr picture);
  void NameListType(long kind);

  void Attach(TextBoxPtr& box, long kind);
  void Detach();
  void Detach1();

 private:
  // What the subclassing object reports of the box's messages (message_handling.cc).
  void SubClass_EnterWindowProc(long hWnd, long& Msg, long& wParam, long& lParam, bool& bExecProc,
                                long& lResult);
  void SubClass_LeaveWindowProc(long hWnd, long Msg, long wParam, long lParam);
  // The user chose a row of the list.
  void MyNameList_SelChanged();
  // The list control asks for a row of a list whose rows come on request.
  void NameListData_DataRequest(long Row);

  void SetupList();
  // Replaces the subclassing object, connecting its events (Nothing releases it).
  void SetSubClass(SubClassPtr sub);

  NameListState state_;
  SubClassPtr sub_class_;
  AccountPictureMap account_pictures_;
  bool account_setup_done_ = false;
  ShownList shown_;
  RowSupply row_supply_;
  Dispatcher dispatcher_;
  Connection sel_changed_, enter_window_proc_, leave_window_proc_;
};

}  // namespace glnamelist

#endif  // GLNAMELIST_COMPONENT_GL_NAME_LIST_IMPL_H_
