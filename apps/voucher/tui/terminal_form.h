// The voucher-entry form on the terminal, run until the person closes it.
#ifndef GLNAMELIST_APPS_VOUCHER_TUI_TERMINAL_FORM_H_
#define GLNAMELIST_APPS_VOUCHER_TUI_TERMINAL_FORM_H_

#include <functional>
#include <string>

namespace glnamelist::tui {

// Shows the voucher-entry form under title on the terminal until the user closes it (F10
// or Ctrl-Q) or the terminal goes away. The lists read the data service registered with
// the installed platform environment. While the form is open the terminal's list control
// is registered there under progid::kNameList and message boxes are drawn on the terminal;
// both registrations end with the form. Wide characters need a UTF-8 locale, set before
// the call. Error 429 while no platform environment is installed; an error that ends the
// form reaches the caller after the terminal is restored.
//
// A box's list is attached once ready says its kind's data is in (at once when ready is
// empty); until then the box says so, and the form is used as usual.
void RunTerminalForm(const std::string& title, const std::function<bool(long kind)>& ready = {});

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_APPS_VOUCHER_TUI_TERMINAL_FORM_H_
