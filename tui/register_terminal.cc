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

void RunTerminalForm(const std::string& title, const std::function<bool(long kind)>& ready) {
  std::shared_ptr<platform::PlatformEnvironment> env = platform::InstalledPlatformEnvironment();
  CursesScreen screen;
  VoucherForm form(*env, screen, title);
  auto dialog = std::make_shared<CursesMessageBox>(screen, [&form] { form.Paint(false); });
  FormRegistrations registrations(*env);
  RegisterTerminalControls(*env, form.Form(), form.Host(), dialog);

  // A list is attached before the next key is handled, never while a key is handled. Keys
  // already waiting (a paste, keys typed ahead) are handled before the next drawing.
  bool waiting = !form.AttachLists(ready);
  for (bool open = true; open;) {
    Draw(form, screen);
    KeyPress key = screen.ReadKey(waiting ? host::VoucherBoxes::kAttachPollMs : -1);
    if (waiting) waiting = !form.AttachLists(ready);
    open = form.Handle(key);
    while (open && screen.KeyWaiting()) open = form.Handle(screen.ReadKey());
  }
}

}  // namespace glnamelist::tui
