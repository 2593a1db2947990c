#include "component/gl_name_list.h"

#include "component/gl_name_list_impl.h"

namespace glnamelist {

GLNameList::GLNameList() : impl_(std::make_unique<GLNameListImpl>()) {}

GLNameList::~GLNameList() = default;

bool GLNameList::HotTrace() const { return impl_->state().hot_trace; }
void GLNameList::HotTrace(bool NewVal) { impl_->state().hot_trace = NewVal; }
PicturePtr GLNameList::PicDefault() const { return impl_->state().pic_default; }
void GLNameList::PicDefault(const PicturePtr& NewVal) { impl_->state().pic_default = NewVal; }
long GLNameList::AssetItemType() const { return impl_->state().asset_item_type; }
void GLNameList::AssetItemType(long NewVal) { impl_->state().asset_item_type = NewVal; }
std::string GLNameList::AssetFilter() const { return impl_->state().asset_filter; }
void GLNameList::AssetFilter(const std::string& NewVal) { impl_->state().asset_filter = NewVal; }
bool GLNameList::FilterIsAsset() const { return impl_->state().filter_is_asset; }
void GLNameList::FilterIsAsset(bool NewVal) { impl_->state().filter_is_asset = NewVal; }
long GLNameList::ItemClassID() const { return impl_->state().item_class_id; }
void GLNameList::ItemClassID(long NewVal) { impl_->state().item_class_id = NewVal; }
long GLNameList::UnitGroupID() const { return impl_->state().unit_group_id; }
void GLNameList::UnitGroupID(long NewVal) { impl_->state().unit_group_id = NewVal; }

bool GLNameList::NoKeyDownKeyUp() const { return impl_->state().list_control->NoKeyDownKeyUp(); }

void GLNameList::NoKeyDownKeyUp(bool NewVal) {
  impl_->state().list_control->NoKeyDownKeyUp(NewVal);
}

bool GLNameList::OnKeyDown(short& KeyCode, short& Shift) {
  return impl_->state().list_control->OnKeyDown(KeyCode, Shift);
}

bool GLNameList::OnKeyUp(short& KeyCode, short& Shift) {
  return impl_->state().list_control->OnKeyUp(KeyCode, Shift);
}

PicturePtr GLNameList::Picture(const std::string& Number) const { return impl_->Picture(Number); }

void GLNameList::Picture(const std::string& Number, PicturePtr NewPic) {
  impl_->Picture(Number, std::move(NewPic));
}

TextBoxPtr GLNameList::TextBox() const { return impl_->state().text_box; }

long GLNameList::NameListType() const { return impl_->state().name_list_type; }
void GLNameList::NameListType(long NewVal) { impl_->NameListType(NewVal); }

void GLNameList::Attach(TextBoxPtr& objTextBox, long NameListType) {
  impl_->Attach(objTextBox, NameListType);
}

void GLNameList::Detach() { impl_->Detach(); }

void GLNameList::Detach1() { impl_->Detach1(); }

}  // namespace glnamelist
