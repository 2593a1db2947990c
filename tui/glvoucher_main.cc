// glvoucher: the voucher-entry form in the terminal.
//
//   glvoucher [--ledger PATH]
//
// Opens the ledger at PATH (the bundled sample ledger by default) and shows one text box
// per list kind, each with its drop-down name list. A ledger that cannot be opened ends the
// program before the form appears, with one line that names the file and the cause, and
// exit status 1.
#include <clocale>
#include <csignal>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <string>

#include "ledger/register_ledger.h"
#include "platform/environment.h"
#include "services/library_services.h"
#include "tui/curses_message_box.h"
#include "tui/curses_screen.h"
#include "tui/error_text.h"
#include "tui/terminal_controls.h"
#include "tui/voucher_form.h"

namespace {

using glnamelist::tui::CursesScreen;
using glnamelist::tui::VoucherForm;

constexpr const char* kUsage = "usage: glvoucher [--ledger PATH]\n";

// Sets the locale from the environment; falls back to a UTF-8 locale when that one is not
// UTF-8, so that wide characters are drawn.
void UseUtf8Locale() {
  const char* set = std::setlocale(LC_ALL, "");
  std::string name = set ? set : "";
  if (name.find("UTF-8") == std::string::npos && name.find("utf8") == std::string::npos) {
    if (!std::setlocale(LC_ALL, "C.UTF-8")) std::setlocale(LC_ALL, "C.utf8");
  }
}

// A hang-up ends the program at once, even when the parent set hang-ups to be ignored: the
// terminal is gone, and nothing needs saving (the ledger is only read). A terminal that
// goes away without one ends the form through the end of its input.
void EndOnHangUp() { std::signal(SIGHUP, SIG_DFL); }

// Opens the ledger's data service and reads the master data every box lists, so that a
// file that is no ledger, or a damaged one, is found out before the form appears.
void OpenLedger() {
  glnamelist::GLDataPtr data = glnamelist::GetGLData();
  for (const glnamelist::RecordSourcePtr& source :
       {data->AccountSet(), data->CurrencySet(), data->ItemClassSet(), data->UnitGroupSet(),
        data->SettTypeSet()}) {
    if (source) source->Recordset();
  }
  data->VchExpSet();
}

void Draw(VoucherForm& form, CursesScreen& screen) {
  auto [y, x] = form.Paint();
  screen.SetCursor(y, x);
  screen.Refresh();
}

int Run(const std::string& ledger_path) {
  auto env = glnamelist::platform::InstallPlatformEnvironment();
  glnamelist::ledger::RegisterLedger(env->Registry(), ledger_path);
  try {
    OpenLedger();
  } catch (const std::exception& e) {
    std::cerr << glnamelist::tui::LedgerErrorText(ledger_path, e) << "\n";
    glnamelist::ResetLibraryServices();
    glnamelist::SetEnv(nullptr);
    return 1;
  }
  {
    CursesScreen screen;
    VoucherForm form(*env, screen, ledger_path);
    auto dialog =
        std::make_shared<glnamelist::tui::CursesMessageBox>(screen, [&form] { form.Paint(false); });
    glnamelist::tui::RegisterTerminalControls(*env, form.Host(), dialog);

    form.AttachLists([&](int step, int steps, const std::string& what) {
      screen.Clear();
      screen.Put(0, 1, "正在打开账套 " + ledger_path, glnamelist::tui::Style::kTitle);
      screen.Put(2, 1,
                 "载入 " + what + " 的列表 (" + std::to_string(step) + "/" + std::to_string(steps) +
                     ") ...",
                 glnamelist::tui::Style::kStatus);
      screen.SetCursor(-1, 0);
      screen.Refresh();
    });
    // Keys already waiting (a paste, keys typed ahead) are handled before the next drawing.
    for (bool open = true; open;) {
      Draw(form, screen);
      open = form.Handle(screen.ReadKey());
      while (open && screen.KeyWaiting()) open = form.Handle(screen.ReadKey());
    }
    env->SetMessageBox(nullptr);
  }
  glnamelist::ResetLibraryServices();
  glnamelist::SetEnv(nullptr);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  UseUtf8Locale();
  EndOnHangUp();
  std::string ledger_path = GLNAMELIST_SAMPLE_LEDGER;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ledger") == 0 && i + 1 < argc) {
      ledger_path = argv[++i];
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::cout << kUsage;
      return 0;
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  try {
    return Run(ledger_path);
  } catch (const std::exception& e) {
    std::cerr << "glvoucher: " << e.what() << "\n";
    return 1;
  }
}
