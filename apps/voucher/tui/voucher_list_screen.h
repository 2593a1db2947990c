// The list of the month's vouchers on the terminal, a screen of its own over the voucher
// (F11): a filter line typed into (voucher/voucher_listing.h; the list follows every key),
// the vouchers with date, word, number, total and first explanation, the sum of the list.
// Up/Down, PgUp/PgDn, Home/End choose, Enter opens the chosen one, Esc goes back.
#ifndef GLNAMELIST_APPS_VOUCHER_TUI_VOUCHER_LIST_SCREEN_H_
#define GLNAMELIST_APPS_VOUCHER_TUI_VOUCHER_LIST_SCREEN_H_

#include <string>
#include <utility>
#include <vector>

#include "apps/voucher/type_ahead.h"
#include "apps/voucher/voucher_entry.h"
#include "tui/screen.h"

namespace glnamelist::tui {

class VoucherListScreen {
 public:
  explicit VoucherListScreen(voucher::VoucherEntry& entry);
  // Takes a key; false once the screen is done (a voucher opened, or Esc).
  bool Key(const voucher::FormKey& key);
  // Draws the screen with status as its last line; where the caret goes.
  std::pair<int, int> Paint(Screen& screen, const std::string& status);

 private:
  void Refresh();

  voucher::VoucherEntry& entry_;
  std::string filter_;
  std::vector<voucher::VoucherSummary> list_;
  int chosen_ = 0;
  int page_ = 10;
};

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_APPS_VOUCHER_TUI_VOUCHER_LIST_SCREEN_H_
