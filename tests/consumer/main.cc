// A host built against the installed package. It installs the platform, registers the
// ledger given as its argument and a list control of its own that keeps the codes it is
// handed, attaches an account list to a platform text box and presses F8 after "1002.".
// Built with the package's Qt part, it then does the same on a QLineEdit offscreen, with
// the Qt list control, and chooses the second row.
//
//   consumer LEDGER
#include <cstdio>
#include <memory>
#include <string>

#include "component/gl_name_list.h"
#include "contracts/environment.h"
#include "contracts/list_control.h"
#include "contracts/prog_ids.h"
#include "contracts/virtual_keys.h"
#include "ledger/register_ledger.h"
#include "platform/register_platform.h"

#ifdef CONSUMER_QT
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "qt/register_qt.h"
#endif

namespace gl = glnamelist;

namespace {

// A list control and its rows in one: it keeps the codes (column 1) it is handed and, with
// rows on request, asks for every row when it drops down, as a list tall enough to paint
// them all would. It never shows, so it never raises SelChanged.
struct RecordingList : gl::NameListControl,
                       gl::NameListData,
                       std::enable_shared_from_this<RecordingList> {
  void Cols(long) override {}
  void ListStyle(long) override {}
  void RowsOnRequest(long value) override { on_request = value == -1; }
  void Rows(long count) override { rows = count; }
  void CellText(long, long col, const std::string& t) override { codes += col == 1 ? t + " " : ""; }
  void RowPicture(long, gl::PicturePtr) override {}
  void FinishRows() override {}

  void ListFont(gl::FontPtr) override {}
  void Font(gl::FontPtr) override {}
  long OwnerHwnd() const override { return 0; }
  void OwnerHwnd(long) override {}
  bool NoKeyDownKeyUp() const override { return false; }
  void NoKeyDownKeyUp(bool) override {}
  void EnterWindowProc(long, long, long, long, bool&, long&) override {}
  void LeaveWindowProc(long, long, long, long) override {}
  bool OnKeyDown(short&, short&) override { return false; }
  bool OnKeyUp(short&, short&) override { return false; }
  std::string GetEditText(long hWnd, long) override { return gl::platform::WindowText(hWnd); }
  gl::NameListDataPtr ListData() override { return shared_from_this(); }
  void DropDown() override {
    for (long row = 1; on_request && row <= rows; ++row) DataRequest.Raise(row);
  }
  void DropDownFound() override { DropDown(); }
  bool Visible() const override { return false; }
  void HideList() override {}
  void Unload() override {}

  std::string codes;
  long rows = 0;
  bool on_request = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return std::fputs("usage: consumer LEDGER\n", stderr), 2;
  std::string listed = "no list control", chosen = "1002.02";
  try {
    // F8 after "1002." in a platform text box.
    gl::platform::InstallPlatform();
    gl::ledger::RegisterLedger(argv[1]);
    std::shared_ptr<RecordingList> list;
    gl::platform::PlatformClasses().Register(gl::progid::kNameList, [&list]() -> gl::ObjectPtr {
      list = std::make_shared<RecordingList>();
      return std::static_pointer_cast<gl::NameListControl>(list);
    });
    gl::TextBoxPtr box = gl::platform::CreateTextBox("1002.");
    auto account = std::make_shared<gl::GLNameList>();
    account->Attach(box, gl::nlAccount);
    gl::platform::SendMessage(box->hWnd(), gl::WM_KEYDOWN, gl::VK_F8, 0);
    if (list) listed = list->codes;
    account->Detach();
#ifdef CONSUMER_QT
    // F8, Down and Enter on "1002." in a QLineEdit offscreen, with the Qt list control.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    char* qt_argv[] = {argv[0], nullptr};
    int qt_argc = 1;
    QApplication app(qt_argc, qt_argv);
    QLineEdit line("1002.");
    line.show();
    gl::qt::RegisterQtControls();
    gl::TextBoxPtr edit = gl::qt::CreateTextBox(&line);
    auto in_line = std::make_shared<gl::GLNameList>();
    in_line->Attach(edit, gl::nlAccount);
    for (Qt::Key key : {Qt::Key_F8, Qt::Key_Down, Qt::Key_Return}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(&line, &press);
    }
    chosen = line.text().toStdString();
#endif
  } catch (const std::exception& e) {
    listed = std::string("error: ") + e.what();
  }
  gl::SetEnv(nullptr);
  bool ok = listed == "1002.01 1002.02 1002.03 1002.04 1002.05 " && chosen == "1002.02";
  std::printf("consumer: %s (F8 on 1002. lists %s; F8, Down and Enter in a QLineEdit: %s)\n",
              ok ? "passed" : "FAILED", listed.c_str(), chosen.c_str());
  return ok ? 0 : 1;
}
