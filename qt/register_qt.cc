#include "qt/register_qt.h"

#include <memory>

#include "qt/line_edit_box.h"
#include "qt/qt_controls.h"

namespace glnamelist::qt {

void RegisterQtControls() {
  RegisterQtControls(*platform::InstalledPlatformEnvironment(), std::make_shared<LineEditForm>(),
                     /*owns_form=*/true);
}

void RegisterQtControls(const std::shared_ptr<listkit::ListForm>& form) {
  RegisterQtControls(*platform::InstalledPlatformEnvironment(), form, /*owns_form=*/false);
}

TextBoxPtr CreateTextBox(QLineEdit* line) { return std::make_shared<LineEditBox>(line); }

}  // namespace glnamelist::qt
