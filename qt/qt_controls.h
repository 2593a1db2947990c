// Registers the Qt host's outside objects with a platform environment.
#ifndef GLNAMELIST_QT_QT_CONTROLS_H_
#define GLNAMELIST_QT_QT_CONTROLS_H_

#include <memory>
#include <string>

#include "listkit/list_control_base.h"
#include "platform/environment.h"

namespace glnamelist::qt {

// The form of a Qt host that has none of its own: a chosen code goes into the owner's line
// edit, one list is shown at a time, and errors go to the line edits' error handler.
class LineEditForm : public listkit::ListForm {
 public:
  void RowChosen(listkit::NameListBase& list, long hWnd, long row,
                 const std::string& code) override;
  void ChoiceEnded(listkit::NameListBase&, long) override {}
  void ListShown(listkit::NameListBase& list) override;
  void ListHidden(listkit::NameListBase& list) override;
  void ReportError(const std::string& message) override;

 private:
  listkit::NameListBase* shown_ = nullptr;
};

// Registers the Qt list control under progid::kNameList, each list serving form, and
// installs a QMessageBox presenter as the message box. The subclassing object is the
// platform's. The registration keeps form alive when it owns it; otherwise the lists serve
// form while its owner keeps it.
void RegisterQtControls(platform::PlatformEnvironment& env,
                        const std::shared_ptr<listkit::ListForm>& form, bool owns_form);

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_QT_QT_CONTROLS_H_
