#include "qt/qt_controls.h"

#include "contracts/prog_ids.h"
#include "qt/line_edit_window.h"
#include "qt/qt_message_box.h"
#include "qt/qt_name_list.h"

namespace glnamelist::qt {

void LineEditForm::RowChosen(listkit::NameListBase& /*list*/, long hWnd, long /*row*/,
                             const std::string& code) {
  if (QLineEdit* line = LineEditWindow::LineEditOf(hWnd))
    line->setText(QString::fromStdString(code));
}

void LineEditForm::ListShown(listkit::NameListBase& list) {
  listkit::NameListBase* other = shown_;
  shown_ = &list;
  if (other && other != &list) other->HideList();
}

void LineEditForm::ListHidden(listkit::NameListBase& list) {
  if (shown_ == &list) shown_ = nullptr;
}

void LineEditForm::ReportError(const std::string& message) { qWarning("%s", message.c_str()); }

void RegisterQtControls(platform::PlatformEnvironment& env,
                        const std::shared_ptr<listkit::ListForm>& form, bool owns_form) {
  std::shared_ptr<listkit::ListForm> kept = owns_form ? form : nullptr;
  std::weak_ptr<listkit::ListForm> served = form;
  env.Registry().Register(progid::kNameList, [kept, served]() -> ObjectPtr {
    return std::make_shared<QtNameList>(served);
  });
  env.SetMessageBox(std::make_shared<QtMessageBox>());
}

}  // namespace glnamelist::qt
