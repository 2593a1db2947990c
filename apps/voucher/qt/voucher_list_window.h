// The list of the month's vouchers on the desktop, a window of its own beside the form
// (F11): a filter box (voucher/voucher_listing.h; the list follows what is typed), a table
// of the vouchers with date, word, number, total and first explanation, and the sum of the
// list. Enter or a double click opens the chosen voucher in the form; the window stays.
#ifndef GLNAMELIST_APPS_VOUCHER_QT_VOUCHER_LIST_WINDOW_H_
#define GLNAMELIST_APPS_VOUCHER_QT_VOUCHER_LIST_WINDOW_H_

#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QWidget>
#include <vector>

#include "apps/voucher/voucher_store.h"

namespace glnamelist::qt {

class FormPanel;

class VoucherListWindow : public QWidget {
 public:
  explicit VoucherListWindow(FormPanel* panel);
  // Reads the list again, as the filter has it.
  void Refresh();

 private:
  FormPanel* panel_;
  QLineEdit* filter_;
  QTableWidget* table_;
  QLabel* total_;
  std::vector<voucher::VoucherSummary> list_;
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_APPS_VOUCHER_QT_VOUCHER_LIST_WINDOW_H_
