// A host built against the installed package. It installs the platform and registers the
// ledger given as its argument. Built with the package's Qt part, it attaches an account list
// to a QLineEdit offscreen, presses F8 after "1002.", Down and Enter, and expects the second
// child, 1002.02, in the box. Without the Qt part there is no list control to show, and the
// list must say so: Error 429 naming the list control's class.
//
//   consumer LEDGER
#include <cstdio>
#include <memory>
#include <string>

#include "component/gl_name_list.h"
#include "contracts/environment.h"
#include "ledger/register_ledger.h"
#include "platform/register_platform.h"

#ifdef CONSUMER_QT
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "qt/register_qt.h"
#endif

namespace gl = glnamelist;

int main(int argc, char** argv) {
  if (argc != 2) return std::fputs("usage: consumer LEDGER\n", stderr), 2;
  std::string got, want;
  try {
    gl::platform::InstallPlatform();
    gl::ledger::RegisterLedger(argv[1]);
#ifdef CONSUMER_QT
    want = "1002.02";
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    char* qt_argv[] = {argv[0], nullptr};
    int qt_argc = 1;
    QApplication app(qt_argc, qt_argv);
    QLineEdit line("1002.");
    line.show();
    gl::qt::RegisterQtControls();
    auto account = std::make_shared<gl::GLNameList>();
    gl::TextBoxPtr box = gl::qt::CreateTextBox(&line);
    account->Attach(box, gl::nlAccount);
    for (Qt::Key key : {Qt::Key_F8, Qt::Key_Down, Qt::Key_Return}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(&line, &press);
    }
    got = line.text().toStdString();
#else
    want = "error 429: ActiveX component can't create object: QALNLLib.NameList";
    gl::GLNameList account;
#endif
  } catch (const gl::Error& e) {
    got = "error " + std::to_string(e.Number()) + ": " + e.what();
  } catch (const std::exception& e) {
    got = std::string("error: ") + e.what();
  }
  gl::SetEnv(nullptr);
  std::printf("consumer: %s (%s)\n", got == want ? "passed" : "FAILED", got.c_str());
  return got == want ? 0 : 1;
}
