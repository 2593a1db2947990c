// The voucher-entry form on the terminal, run until the person closes it.
#ifndef GLNAMELIST_APPS_VOUCHER_TUI_TERMINAL_FORM_H_
#define GLNAMELIST_APPS_VOUCHER_TUI_TERMINAL_FORM_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/voucher/draft_store.h"
#include "apps/voucher/voucher_keeper.h"

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
//
// The form opens on a voucher, saved to keeper (each save waited for as a read is, shown
// as one of a ledger on a server when server says so), its draft kept in drafts (and
// offered when one is there); with boxes_page, on the boxes of master data instead. While it is
// open, changes tells it (about every tenth of a second) which lists have new master data
// (ledger::WatchLists). The form ends, too, once ended says so (asked between keys, and as
// often as the lists waiting or changes are looked for): the ledger's opening was refused.
struct TerminalFormOptions {
  bool boxes_page = false;
  std::shared_ptr<voucher::VoucherKeeper> keeper;
  bool server = false;
  std::optional<voucher::DraftStore> drafts;
  std::function<std::vector<long>()> changes;
  std::function<bool()> ended;
};
void RunTerminalForm(const std::string& title, const std::function<bool(long kind)>& ready = {},
                     TerminalFormOptions options = {});

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_APPS_VOUCHER_TUI_TERMINAL_FORM_H_
