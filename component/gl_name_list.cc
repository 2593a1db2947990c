#include "component/gl_name_list.h"

#include "component/require.h"
#include "contracts/environment.h"
#include "contracts/prog_ids.h"
#include "services/library_services.h"

namespace glnamelist {

GLNameList::GLNameList() {
  s_.MyNameList = CreateObjectAs<NameListControl>(progid::kNameList);
  sel_changed_ = s_.MyNameList->SelChanged.Connect([this] { MyNameList_SelChanged(); });
  s_.on_data_request = [this](long Row) { NameListData_DataRequest(Row); };
  GetGLData()->DeleteOptions(false);
}

GLNameList::~GLNameList() {
  try {
    Detach();
  } catch (...) {
    // The object ends whatever the list control or the subclassing object say.
  }
  sel_changed_.reset();
  AccountPictures_.reset();
  s_.PicDefault.reset();
  s_.MyNameList.reset();
  SetSubClass(nullptr);
  s_.TextBox.reset();
  s_.NameListData(nullptr);
  s_.ListRecords.reset();
  s_.AccountRecords.reset();
  s_.ListParent.reset();
  dispatcher_.ReleaseProviders();
}

bool GLNameList::NoKeyDownKeyUp() const { return s_.MyNameList->NoKeyDownKeyUp(); }

void GLNameList::NoKeyDownKeyUp(bool NewVal) { s_.MyNameList->NoKeyDownKeyUp(NewVal); }

bool GLNameList::OnKeyDown(short& KeyCode, short& Shift) {
  return s_.MyNameList->OnKeyDown(KeyCode, Shift);
}

bool GLNameList::OnKeyUp(short& KeyCode, short& Shift) {
  return s_.MyNameList->OnKeyUp(KeyCode, Shift);
}

PicturePtr GLNameList::Picture(const std::string& Number) const {
  if (!AccountPictures_) return nullptr;
  auto it = AccountPictures_->find(Number);
  return it == AccountPictures_->end() ? nullptr : it->second;
}

void GLNameList::Picture(const std::string& Number, PicturePtr NewPic) {
  if (!AccountPictures_) AccountPictures_ = std::make_unique<AccountPictureMap>();
  if (NewPic) {
    (*AccountPictures_)[Number] = std::move(NewPic);
  } else {
    AccountPictures_->erase(Number);
  }
}

void GLNameList::NameListType(long NewVal) {
  s_.NameListType = NewVal;
  SetupList();
}

void GLNameList::Attach(TextBoxPtr& objTextBox, long NameListType) {
  SetSubClass(CreateObjectAs<SubClass>(progid::kSubClass));
  SubClass_->Hook(Require(objTextBox).hWnd());
  s_.TextBox = objTextBox;
  s_.NameListType = NameListType;
  SetupList();
  s_.MyNameList->OwnerHwnd(objTextBox->hWnd());
  s_.MyNameList->ListFont(objTextBox->Font());
  s_.MyNameList->Font(objTextBox->Font());
}

void GLNameList::Detach() {
  if (s_.TextBox) {
    if (s_.MyNameList->Visible()) s_.MyNameList->HideList();
    Require(SubClass_).Unhook();
  }
  s_.TextBox.reset();
  SetSubClass(nullptr);
}

void GLNameList::Detach1() {
  if (s_.TextBox) {
    try {
      s_.MyNameList->Unload();
    } catch (...) {
      // Detach1 ignores every error.
    }
  }
  s_.TextBox.reset();
  SetSubClass(nullptr);
}

void GLNameList::SetProviderForTesting(long kind, ProviderPtr provider) {
  dispatcher_.SetProvider(kind, std::move(provider));
}

void GLNameList::NameListData_DataRequest(long Row) {
  rows_.NameListData_DataRequest(s_, AccountPictures_.get(), Row);
}

void GLNameList::SetupList() { glnamelist::SetupList(s_, AccountPictures_); }

void GLNameList::SetSubClass(SubClassPtr sub) {
  enter_window_proc_.reset();
  leave_window_proc_.reset();
  SubClass_ = std::move(sub);
  if (!SubClass_) return;
  enter_window_proc_ = SubClass_->EnterWindowProc.Connect(
      [this](long hWnd, long& Msg, long& wParam, long& lParam, bool& bExecProc, long& lResult) {
        SubClass_EnterWindowProc(hWnd, Msg, wParam, lParam, bExecProc, lResult);
      });
  leave_window_proc_ =
      SubClass_->LeaveWindowProc.Connect([this](long hWnd, long Msg, long wParam, long lParam) {
        SubClass_LeaveWindowProc(hWnd, Msg, wParam, lParam);
      });
}

}  // namespace glnamelist
