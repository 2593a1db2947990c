#include "apps/voucher/tui/terminal_form.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>

#include "apps/voucher/read_waits.h"
#include "apps/voucher/tui/form_waiter.h"
#include "apps/voucher/tui/voucher_form.h"
#include "apps/voucher/waited_keeper.h"
#include "contracts/live_data.h"
#include "platform/environment.h"
#include "services/library_services.h"
#include "tui/curses_message_box.h"
#include "tui/curses_screen.h"
#include "tui/register_terminal.h"
#include "tui/terminal_controls.h"

namespace glnamelist::tui {
namespace {

// Takes back what the form registered, however the form ends, before the form and the
// terminal they refer to go.
class FormRegistrations {
 public:
  FormRegistrations(platform::PlatformEnvironment& env, VoucherForm& form, CursesScreen& screen) {
    // A dialog takes the keys typed ahead first.
    auto dialog = std::make_shared<CursesMessageBox>(
        screen, [&form] { form.Paint(false); },
        [&form, &screen] {
          std::optional<KeyPress> typed = form.TakeTyped();
          return typed ? *typed : screen.ReadKey();
        });
    RegisterTerminalControls(env, form.Form(), form.Host(), dialog);
  }
  ~FormRegistrations() { UnregisterTerminalControls(); }
  FormRegistrations(const FormRegistrations&) = delete;
  FormRegistrations& operator=(const FormRegistrations&) = delete;
};

// While the form is on the terminal, what the libraries print on standard error (a server's
// notice, a warning) goes to glvoucher.log in the user's state folder instead of over the
// form; standard error is put back when the form ends. Left alone when it is no terminal.
class ErrorsAside {
 public:
  ErrorsAside() {
    if (!isatty(STDERR_FILENO)) return;
    const std::filesystem::path folder = voucher::DraftStore::DefaultFolder().parent_path();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const int log =
        ::open((folder / "glvoucher.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (log < 0) return;
    saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (saved_ >= 0) ::dup2(log, STDERR_FILENO);
    ::close(log);
  }
  ~ErrorsAside() {
    if (saved_ < 0) return;
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
  }
  ErrorsAside(const ErrorsAside&) = delete;
  ErrorsAside& operator=(const ErrorsAside&) = delete;

 private:
  int saved_ = -1;
};

// Ctrl-L draws the whole terminal again; any other key goes to the form.
bool Press(VoucherForm& form, CursesScreen& screen, const KeyPress& key) {
  constexpr long kCtrlL = 12;
  if (key.kind != KeyPress::kChar || key.code != kCtrlL) return form.Press(key);
  screen.Repaint();
  return true;
}

void Draw(VoucherForm& form, CursesScreen& screen) {
  auto [y, x] = form.Paint();
  screen.SetCursor(y, x);
  screen.Refresh();
}

}  // namespace

void RunTerminalForm(const std::string& title, const std::function<bool(long kind)>& ready,
                     TerminalFormOptions options) {
  std::shared_ptr<platform::PlatformEnvironment> env = platform::InstalledPlatformEnvironment();
  ErrorsAside errors_aside;
  CursesScreen screen;
  VoucherForm form(*env, screen, title,
                   options.boxes_page ? VoucherForm::Page::kBoxes : VoucherForm::Page::kVoucher);
  FormRegistrations registrations(*env, form, screen);
  auto waiter = std::make_shared<FormWaiter>(form, screen);
  voucher::WaitsShown waits_shown(waiter);
  if (voucher::VoucherEntry* entry = form.Entry()) {
    if (options.keeper) {
      options.keeper = std::make_shared<voucher::WaitedKeeper>(std::move(options.keeper), waiter,
                                                               title, options.server);
    }
    entry->UseKeeper(std::move(options.keeper));
    entry->UseDrafts(std::move(options.drafts));
  }

  // A list is attached before the next key is handled, never while a key is handled. Keys
  // already waiting (a paste, keys typed ahead) are read before the next drawing, and
  // handled as soon as each may go. A box that failed is tried again after the next key:
  // polled as one that waits.
  // New master data reaches the lists between two keys, never while a key is handled.
  form.AttachLists(ready);
  for (bool open = true; open;) {
    int held = form.DeliverKeys();
    if (form.Quitting() || waiter->Closed()) break;
    if (held < 0) waiter->KeysHandled();
    Draw(form, screen);
    int poll = form.ListsWaiting() ? voucher::VoucherBoxes::kAttachPollMs : -1;
    if (options.changes) {
      const int changes = voucher::VoucherBoxes::kChangesPollMs;
      poll = poll < 0 ? changes : std::min(poll, changes);
    }
    KeyPress key = screen.ReadKey(held < 0 ? poll : poll < 0 ? held : std::min(held, poll));
    if (options.ended && options.ended()) break;
    if (form.ListsWaiting()) form.AttachLists(ready);
    if (options.changes) form.DataChanged(options.changes());
    if (waiter->Closed()) break;
    open = Press(form, screen, key);
    while (open && screen.KeyWaiting()) open = Press(form, screen, screen.ReadKey());
  }
}

}  // namespace glnamelist::tui
