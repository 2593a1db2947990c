// A host on Qt 6 Widgets: an account list on a QLineEdit, offscreen. "1002." is in the line
// edit; F8 lists 1002's bank accounts, Down and Enter choose the second.
//
//   qt_line_edit LEDGER
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <cstdio>
#include <memory>
#include <string>

#include "component/gl_name_list.h"
#include "contracts/environment.h"
#include "ledger/register_ledger.h"
#include "platform/register_platform.h"
#include "services/library_services.h"
#include "qt/register_qt.h"

namespace gl = glnamelist;

int main(int argc, char** argv) {
  if (argc != 2) return std::fputs("usage: qt_line_edit LEDGER\n", stderr), 2;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  char* qt_argv[] = {argv[0], nullptr};
  int qt_argc = 1;
  QApplication app(qt_argc, qt_argv);
  int status = 0;
  try {
    gl::platform::InstallPlatform();
    gl::ledger::RegisterLedger(argv[1]);
    gl::qt::RegisterQtControls();
    QLineEdit line("1002.");
    line.show();
    auto account = std::make_shared<gl::GLNameList>();
    gl::TextBoxPtr box = gl::qt::CreateTextBox(&line);
    account->Attach(box, gl::nlAccount);
    // F8's list has no current row: Down to the first, Down to the second, Enter takes it.
    for (Qt::Key key : {Qt::Key_F8, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(&line, &press);
    }
    std::printf("box: %s\n", line.text().toStdString().c_str());
    account.reset();  // before the line edit and the application go
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qt_line_edit: %s\n", e.what());
    status = 1;
  }
  // The ledger's data service goes first, its background work stopped, while everything it
  // uses still stands.
  gl::ResetLibraryServices();
  gl::SetEnv(nullptr);
  return status;
}
