#include "tui/register_terminal.h"

#include <memory>

#include "contracts/prog_ids.h"
#include "platform/environment.h"
#include "tui/curses_message_box.h"
#include "tui/curses_screen.h"
#include "tui/terminal_controls.h"
#include "tui/voucher_form.h"

namespace glnamelist::tui {
namespace {

// Takes back what the form registered, however the form ends, before the form and the
// terminal they refer to go.
class FormRegistrations {
 public:
  explicit FormRegistrations(platform::PlatformEnvironment& env) : env_(env) {}
  ~FormRegistrations() {
    env_.SetMessageBox(nullptr);
    env_.Registry().Unregister(progid::kNameList);
  }
  FormRegistrations(const FormRegistrations&) = delete;
  FormRegistrations& operator=(const FormRegistrations&) = delete;

 private:
  platform::PlatformEnvironment& env_;
};

void Draw(VoucherForm& form, CursesScreen& screen) {
  auto [y, x] = form.Paint();
  screen.SetCursor(y, x);
  screen.Refresh();
}

}  // namespace

void RunTerminalForm(const std::string& title) {
  std::shared_ptr<platform::PlatformEnvironment> env = platform::InstalledPlatformEnvironment();
  CursesScreen screen;
  VoucherForm form(*env, screen, title);
  auto dialog = std::make_shared<CursesMessageBox>(screen, [&form] { form.Paint(false); });
  FormRegistrations registrations(*env);
  RegisterTerminalControls(*env, form.Form(), form.Host(), dialog);

  form.AttachLists([&](int step, int steps, const std::string& what) {
    screen.Clear();
    screen.Put(0, 1, "正在打开账套 " + title, Style::kTitle);
    screen.Put(
        2, 1,
        "载入 " + what + " 的列表 (" + std::to_string(step) + "/" + std::to_string(steps) + ") ...",
        Style::kStatus);
    screen.SetCursor(-1, 0);
    screen.Refresh();
  });
  // Keys already waiting (a paste, keys typed ahead) are handled before the next drawing.
  for (bool open = true; open;) {
    Draw(form, screen);
    open = form.Handle(screen.ReadKey());
    while (open && screen.KeyWaiting()) open = form.Handle(screen.ReadKey());
  }
}

}  // namespace glnamelist::tui
