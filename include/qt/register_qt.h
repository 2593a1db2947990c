// Qt 6 Widgets for a host: a name list on a QLineEdit.
//
//   QApplication app(argc, argv);
//   glnamelist::platform::InstallPlatform();
//   glnamelist::ledger::RegisterLedger(path);
//   glnamelist::qt::RegisterQtControls();
//   glnamelist::TextBoxPtr box = glnamelist::qt::CreateTextBox(lineEdit);
//   auto account = std::make_shared<glnamelist::GLNameList>();
//   account->Attach(box, glnamelist::nlAccount);  // F8 in lineEdit lists the accounts
//   ...
//   account.reset();                              // before the QApplication goes
#ifndef GLNAMELIST_QT_REGISTER_QT_H_
#define GLNAMELIST_QT_REGISTER_QT_H_

#include <memory>

#include "contracts/api.h"
#include "contracts/text_box.h"
#include "listkit/list_control_base.h"

class QLineEdit;

namespace glnamelist::qt {

// Registers, with the installed platform environment, the Qt list control under
// progid::kNameList (a popup under its line edit that leaves the focus in the line edit; a
// row chosen with Enter or a click goes into the line edit) and a QMessageBox as the
// message box. Error 429 while no platform environment is installed.
GLNAMELIST_API void RegisterQtControls();
// The same, with a form of the host's own: a chosen row goes where form puts it, and form
// hears of every list shown or hidden and of errors raised inside a list. The lists serve
// form while its owner keeps it.
GLNAMELIST_API void RegisterQtControls(const std::shared_ptr<listkit::ListForm>& form);

// The text box over line that a GLNameList attaches to: a window of the installed platform
// environment that mirrors line (its text, enabled and read-only state) and to which line's
// focus and key events come as messages, so that the list sees each before and after line
// handles it. The window lives as long as line; every box made for line shares it. Its
// Font() is line's font. Error 429 while no platform environment is installed.
GLNAMELIST_API TextBoxPtr CreateTextBox(QLineEdit* line);

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_QT_REGISTER_QT_H_
