#include "apps/voucher/tui/terminal_form.h"

#include <memory>

#include "apps/voucher/tui/voucher_form.h"
#include "platform/environment.h"
#include "tui/curses_screen.h"
#include "tui/register_terminal.h"

namespace glnamelist::tui {
namespace {

// Takes back what the form registered, however the form ends, before the form and the
// terminal they refer to go.
class FormRegistrations {
 public:
  FormRegistrations(VoucherForm& form, CursesScreen& screen) {
    RegisterTerminalControls(form.Host(), form.Form(), &screen, [&form] { form.Paint(false); });
  }
  ~FormRegistrations() { UnregisterTerminalControls(); }
  FormRegistrations(const FormRegistrations&) = delete;
  FormRegistrations& operator=(const FormRegistrations&) = delete;
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
  FormRegistrations registrations(form, screen);

  // A list is attached before the next key is handled, never while a key is handled. Keys
  // already waiting (a paste, keys typed ahead) are handled before the next drawing.
  // A box that failed is tried again after the next key: polled as one that waits.
  form.AttachLists(ready);
  for (bool open = true; open;) {
    Draw(form, screen);
    KeyPress key = screen.ReadKey(form.ListsWaiting() ? voucher::VoucherBoxes::kAttachPollMs : -1);
    if (form.ListsWaiting()) form.AttachLists(ready);
    open = form.Handle(key);
    while (open && screen.KeyWaiting()) open = form.Handle(screen.ReadKey());
  }
}

}  // namespace glnamelist::tui
