// A host built against the installed package. It installs the platform, registers the
// ledger given as its argument and a list control of its own that keeps the rows it is
// handed, attaches an account list to a platform text box and presses F8 after "1002.".
// Built with the package's Qt part, it then does the same on a QLineEdit offscreen, with
// the Qt list control, and chooses the second row.
//
//   consumer LEDGER           runs the checks
//   consumer LEDGER --form    opens the voucher-entry form on the terminal instead
#include <clocale>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "component/gl_name_list.h"
#include "contracts/environment.h"
#include "contracts/list_control.h"
#include "contracts/prog_ids.h"
#include "contracts/virtual_keys.h"
#include "ledger/register_ledger.h"
#include "platform/register_platform.h"
#include "tui/register_terminal.h"

#ifdef CONSUMER_QT
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "qt/register_qt.h"
#endif

namespace gl = glnamelist;

namespace {

// Keeps the cells written since the last Rows; with rows on request it asks for every row
// when the list drops down, as a list tall enough to paint them all would.
class RecordingListData : public gl::NameListData {
 public:
  void Cols(long) override {}
  void ListStyle(long) override {}
  void RowsOnRequest(long NewVal) override { on_request_ = NewVal; }
  void Rows(long NewVal) override {
    rows = NewVal;
    cells.clear();
  }
  void CellText(long Row, long Col, const std::string& Text) override { cells[{Row, Col}] = Text; }
  void RowPicture(long, gl::PicturePtr) override {}
  void FinishRows() override {}

  void RequestAll() {
    for (long row = 1; on_request_ == -1 && row <= rows; ++row) DataRequest.Raise(row);
  }

  long rows = 0;
  std::map<std::pair<long, long>, std::string> cells;

 private:
  long on_request_ = 0;
};

class RecordingList : public gl::NameListControl {
 public:
  void ListFont(gl::FontPtr) override {}
  void Font(gl::FontPtr) override {}
  long OwnerHwnd() const override { return owner_; }
  void OwnerHwnd(long NewVal) override { owner_ = NewVal; }
  bool NoKeyDownKeyUp() const override { return false; }
  void NoKeyDownKeyUp(bool) override {}
  void EnterWindowProc(long, long, long, long, bool&, long&) override {}
  void LeaveWindowProc(long, long, long, long) override {}
  bool OnKeyDown(short&, short&) override { return false; }
  bool OnKeyUp(short&, short&) override { return false; }
  std::string GetEditText(long hWnd, long) override {
    long length = gl::Env().GetWindowTextLengthA(hWnd);
    std::string text(length + 1, '\0');
    text.resize(gl::Env().GetWindowTextA(hWnd, text, length + 1));
    return text;
  }
  gl::NameListDataPtr ListData() override { return data; }
  void DropDown() override {
    shown = true;
    data->RequestAll();
  }
  void DropDownFound() override { DropDown(); }
  bool Visible() const override { return shown; }
  void HideList() override { shown = false; }
  void Unload() override { shown = false; }

  std::shared_ptr<RecordingListData> data = std::make_shared<RecordingListData>();
  bool shown = false;

 private:
  long owner_ = 0;
};

int passed = 0, failed = 0;

void Check(bool ok, const std::string& what) {
  ++(ok ? passed : failed);
  if (!ok) std::printf("consumer: FAILED: %s\n", what.c_str());
}

void Run(const std::string& ledger) {
  gl::platform::InstallPlatform();
  gl::ledger::RegisterLedger(ledger);
  std::shared_ptr<RecordingList> list;
  gl::platform::PlatformClasses().Register(gl::progid::kNameList, [&list]() -> gl::ObjectPtr {
    return list = std::make_shared<RecordingList>();
  });

  gl::TextBoxPtr box = gl::platform::CreateTextBox("1002.");
  auto account = std::make_shared<gl::GLNameList>();
  account->Attach(box, gl::nlAccount);
  gl::platform::SendMessage(box->hWnd(), gl::WM_KEYDOWN, gl::VK_F8, 0);
  Check(list->shown, "F8 drops the list down");
  std::string codes;
  for (long row = 1; row <= list->data->rows; ++row) codes += list->data->cells[{row, 1}] + " ";
  Check(codes == "1002.01 1002.02 1002.03 1002.04 1002.05 ",
        "F8 on 1002. lists its five sub-accounts, got: " + codes);
  account->Detach();
}

#ifdef CONSUMER_QT
void RunQt() {
  int argc = 1;
  char name[] = "consumer";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
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
  Check(line.text() == "1002.02",
        "F8, Down and Enter choose 1002.02, got: " + line.text().toStdString());
  account.reset();
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef CONSUMER_QT
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
  if (argc < 2) {
    std::fputs("usage: consumer LEDGER [--form]\n", stderr);
    return 2;
  }
  try {
    if (argc > 2 && std::string(argv[2]) == "--form") {
      std::setlocale(LC_ALL, "C.UTF-8");
      gl::platform::InstallPlatform();
      gl::ledger::RegisterLedger(argv[1]);
      gl::tui::RunTerminalForm(argv[1]);
      return 0;
    }
    Run(argv[1]);
#ifdef CONSUMER_QT
    RunQt();
#endif
  } catch (const std::exception& e) {
    Check(false, std::string("error: ") + e.what());
  }
  gl::SetEnv(nullptr);
  std::printf("consumer: %d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
