#include "component/gl_name_list_impl.h"

#include "contracts/environment.h"
#include "contracts/prog_ids.h"
#include "services/library_services.h"

namespace glnamelist {

GLNameListImpl::GLNameListImpl(ProviderSource providers)
    : shown_([this](long Row) { NameListData_DataRequest(Row); }),
      dispatcher_(std::move(providers)) {
  state_.list_control = CreateObjectAs<NameListControl>(progid::kNameList);
  sel_changed_ = state_.list_control->SelChanged.Connect([this] { MyNameList_SelChanged(); });
  state_.show_listing = [this](const Listing& listing) { shown_.Show(state_, listing); };
  GetGLData()->DeleteOptions(false);
}

GLNameListImpl::~GLNameListImpl() {
  try {
    Detach();
  } catch (...) {
    // The object ends whatever the list control or the subclassing object say.
  }
  sel_changed_.reset();
  account_pictures_.clear();
  state_.pic_default.reset();
  state_.list_control.reset();
  SetSubClass(nullptr);
  state_.text_box.reset();
  shown_.Release();
  state_.account_records.reset();
  dispatcher_.ReleaseProviders();
}

PicturePtr GLNameListImpl::Picture(const std::string& number) const {
  auto it = account_pictures_.find(number);
  return it == account_pictures_.end() ? nullptr : it->second;
}

void GLNameListImpl::Picture(const std::string& number, PicturePtr picture) {
  if (picture) {
    account_pictures_[number] = std::move(picture);
  } else {
    account_pictures_.erase(number);
  }
}

void GLNameListImpl::NameListType(long kind) {
  state_.name_list_type = kind;
  SetupList();
}

void GLNameListImpl::Attach(TextBoxPtr& box, long kind) {
  SetSubClass(CreateObjectAs<SubClass>(progid::kSubClass));
  sub_class_->Hook(Require(box).hWnd());
  state_.text_box = box;
  state_.name_list_type = kind;
  SetupList();
  state_.list_control->OwnerHwnd(box->hWnd());
  state_.list_control->ListFont(box->Font());
  state_.list_control->Font(box->Font());
}

void GLNameListImpl::Detach() {
  if (state_.text_box) {
    if (state_.list_control->Visible()) state_.list_control->HideList();
    Require(sub_class_).Unhook();
  }
  state_.text_box.reset();
  SetSubClass(nullptr);
}

void GLNameListImpl::Detach1() {
  if (state_.text_box) {
    try {
      state_.list_control->Unload();
    } catch (...) {
      // Detach1 ignores every error.
    }
  }
  state_.text_box.reset();
  SetSubClass(nullptr);
}

void GLNameListImpl::NameListData_DataRequest(long Row) {
  row_supply_.SupplyRow(state_, shown_, account_pictures_, Row);
}

void GLNameListImpl::SetupList() {
  glnamelist::SetupList(state_, account_pictures_, account_setup_done_);
}

void GLNameListImpl::SetSubClass(SubClassPtr sub) {
  enter_window_proc_.reset();
  leave_window_proc_.reset();
  sub_class_ = std::move(sub);
  if (!sub_class_) return;
  enter_window_proc_ = sub_class_->EnterWindowProc.Connect(
      [this](long hWnd, long& Msg, long& wParam, long& lParam, bool& bExecProc, long& lResult) {
        SubClass_EnterWindowProc(hWnd, Msg, wParam, lParam, bExecProc, lResult);
      });
  leave_window_proc_ =
      sub_class_->LeaveWindowProc.Connect([this](long hWnd, long Msg, long wParam, long lParam) {
        SubClass_LeaveWindowProc(hWnd, Msg, wParam, lParam);
      });
}

}  // namespace glnamelist
