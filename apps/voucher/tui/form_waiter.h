// While a request of the terminal form waits for the ledger longer than a moment: the status
// line says what it waits for and that Esc gives it up; the keys typed meanwhile go to the
// form's queue, in order, to be handled once the wait ends. Esc gives the request up, and
// the keys typed meanwhile then do what they do without the ledger (every request failing
// at once) until they are all handled: the key typed after them asks the ledger again. F10
// and Ctrl-Q give it up too, and then close the form as they do between waits (on a voucher
// with changes, after the question); keys that close the form at once (Ctrl-C, the terminal
// gone) close it at once here too. Ctrl-L draws the terminal again. A save is waited for
// the same way (voucher::WaitedKeeper).
#ifndef GLNAMELIST_APPS_VOUCHER_TUI_FORM_WAITER_H_
#define GLNAMELIST_APPS_VOUCHER_TUI_FORM_WAITER_H_

#include <chrono>
#include <functional>
#include <string>

#include "contracts/live_data.h"
#include "tui/curses_screen.h"

namespace glnamelist::tui {

class VoucherForm;

class FormWaiter : public ReadWaiter {
 public:
  FormWaiter(VoucherForm& form, CursesScreen& screen) : form_(form), screen_(screen) {}

  bool GivingUp() override { return giving_up_; }
  bool Wait(const PendingRead& read,
            const std::function<bool(std::chrono::milliseconds)>& answered) override;

  // The keys typed in waits have all been handled and the form stays open: requests are
  // made again.
  void KeysHandled() { giving_up_ = closed_; }
  // A key read in a wait closed the form at once.
  bool Closed() const { return closed_; }

  // How often a wait looks for keys and for the answer.
  static constexpr std::chrono::milliseconds kKeySlice{20};

 private:
  // Takes a key typed in a wait: false when it gives the request up.
  bool Typed(const KeyPress& key);
  void Show(const std::string& text);

  VoucherForm& form_;
  CursesScreen& screen_;
  bool giving_up_ = false;
  bool closed_ = false;
};

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_APPS_VOUCHER_TUI_FORM_WAITER_H_
