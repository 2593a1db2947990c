// The README's host: a box of the platform's own, with the terminal's list control. The
// screen is one in memory, printed at the end; a program on a real terminal draws on a
// tui::CursesScreen the same way and reads its keys from it.
//
//   terminal_box LEDGER      "." typed after 1002: the bank accounts drop down; Down and
//                            Enter choose the second
#include <cstdio>
#include <memory>
#include <string>

#include "component/gl_name_list.h"
#include "contracts/environment.h"
#include "contracts/virtual_keys.h"
#include "ledger/register_ledger.h"
#include "platform/register_platform.h"
#include "services/library_services.h"
#include "tui/register_terminal.h"
#include "tui/screen.h"

namespace gl = glnamelist;

// Where the host's one box stands on a screen of 14 rows of 60 columns.
class OneBox : public gl::tui::ListHost {
 public:
  gl::tui::Rect BoxRect(long) override { return {1, 8, 1, 24}; }
  int ScreenRows() override { return 14; }
  int ScreenCols() override { return 60; }
};

int main(int argc, char** argv) {
  if (argc != 2) return std::fputs("usage: terminal_box LEDGER\n", stderr), 2;
  int status = 0;
  try {
    gl::platform::InstallPlatform();
    gl::ledger::RegisterLedger(argv[1]);
    auto places = std::make_shared<OneBox>();
    auto form = std::make_shared<gl::tui::BoxForm>();
    gl::tui::RegisterTerminalControls(places, form);

    gl::TextBoxPtr box = gl::platform::CreateTextBox("1002");
    auto account = std::make_shared<gl::GLNameList>();
    account->HotTrace(true);  // a typed "." lists too
    account->Attach(box, gl::nlAccount);
    gl::platform::SendMessage(box->hWnd(), gl::WM_CHAR, '.', 0);
    // A list dropped down without typing has no current row until one is moved to.
    gl::platform::SendMessage(box->hWnd(), gl::WM_KEYDOWN, gl::VK_DOWN, 0);

    gl::tui::CellScreen screen(places->ScreenRows(), places->ScreenCols());
    gl::tui::Rect at = places->BoxRect(box->hWnd());
    screen.Put(at.y, 1, "科目", gl::tui::Style::kLabel);
    screen.Put(at.y, at.x, gl::platform::WindowText(box->hWnd()), gl::tui::Style::kField);
    if (gl::tui::TerminalNameList* list = form->Shown()) list->Paint(screen);
    std::printf("%s\n", screen.Text().c_str());
    for (long key : {gl::VK_DOWN, gl::VK_RETURN}) {  // the second row, chosen
      gl::platform::SendMessage(box->hWnd(), gl::WM_KEYDOWN, key, 0);
    }
    std::printf("box: %s, list %s\n", gl::platform::WindowText(box->hWnd()).c_str(),
                form->Shown() ? "shown" : "closed");
    account->Detach();
    gl::tui::UnregisterTerminalControls();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "terminal_box: %s\n", e.what());
    status = 1;
  }
  // The ledger's data service goes first, its background work stopped, while everything it
  // uses still stands.
  gl::ResetLibraryServices();
  gl::SetEnv(nullptr);
  return status;
}
