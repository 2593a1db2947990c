#include "qt/qt_name_list.h"

#include "qt/line_edit_box.h"
#include "qt/line_edit_window.h"

namespace glnamelist::qt {

QtNameList::QtNameList(std::weak_ptr<listkit::ListForm> form) : NameListBase(std::move(form)) {}

QtNameList::~QtNameList() = default;

void QtNameList::OnShow(bool /*kept*/) {
  if (!popup_) {
    popup_ = std::make_unique<ListPopup>(
        MutableRows(), [this](const std::exception& e) { ReportError(e); },
        [this](long row) { Choose(row); });
  }
  popup_->ShowUnder(LineEditWindow::LineEditOf(OwnerHwnd()), ToQFont(ListFontObject()), Found(),
                    Marked(), Selection());
}

void QtNameList::OnHide() {
  if (popup_) popup_->hide();
}

void QtNameList::OnSelect() {
  if (popup_) popup_->Select(Selection());
}

}  // namespace glnamelist::qt
