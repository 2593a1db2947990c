// The voucher-entry form's desktop window: the boxes (form_panel.h) with a menu bar, a
// status bar and the ledger's name in the title, "<ledger> — 记账凭证录入".
//
//   账套   打开… (a ledger file), 打开服务器上的账套… (a server's address), the ledgers
//          opened last, 退出 (Ctrl-Q; closing the window quits too)
//   凭证   保存 (F5, Ctrl-S), 打开凭证… (F6), 新凭证, 放弃修改, 插入行, 删除行  (on the
//          voucher; these are its tool bar too)
//   视图   进入输入框时自动列出 (F2)
//   帮助   按键说明 (F1), 关于
//
// F10 opens the menus. The window opens as wide as the voucher's columns ask, as far as the
// screen allows. Another ledger is opened as the program opens its first: one that cannot
// be opened is named with its cause in a message box, and the form stays on the ledger it
// shows. The status bar shows the boxes' status line, cut with "…" when it is long (the
// whole text as its tool tip), and the state of the listing switch. The window keeps its
// size whatever the texts. While a request waits for the ledger, the status bar says so
// and the program is busy (window_waiter.h).
#ifndef GLNAMELIST_APPS_VOUCHER_QT_VOUCHER_WINDOW_H_
#define GLNAMELIST_APPS_VOUCHER_QT_VOUCHER_WINDOW_H_

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QSettings>
#include <QToolBar>
#include <memory>
#include <string>

#include "apps/voucher/qt/elided_label.h"
#include "apps/voucher/qt/form_panel.h"
#include "apps/voucher/qt/recent_ledgers.h"
#include "apps/voucher/qt/window_waiter.h"
#include "apps/voucher/read_waits.h"
#include "apps/voucher/voucher_boxes.h"

namespace glnamelist::qt {

class VoucherWindow : public QMainWindow {
 public:
  // The form on the ledger at location, which the caller has registered with the installed
  // platform environment and opened; its lists are attached once ready says their data is
  // in. The ledgers opened last are kept in settings, which outlives the window. The form
  // is page; on the voucher, vouchers are saved in the ledger and, with drafts, the
  // voucher being entered is kept as a draft beside the user's state.
  VoucherWindow(const std::string& location, const voucher::VoucherBoxes::ListReady& ready,
                QSettings& settings, FormPanel::Page page = FormPanel::Page::kVoucher,
                bool drafts = true);

  // Opens the ledger at location in place of the one shown, and says why when it cannot.
  // True when the form now lists from it.
  bool OpenLedger(const std::string& location);

  FormPanel& Panel() const { return *panel_; }
  bool ListsWaiting() const { return panel_->ListsWaiting(); }
  bool KeysWaiting() const { return panel_->KeysWaiting(); }
  QLineEdit* Box(size_t i) const { return panel_->Box(i); }
  voucher::VoucherBoxes& Boxes() const { return panel_->Boxes(); }
  const ElidedLabel& StatusText() const { return *message_; }

 private:
  void BuildMenus();
  // The voucher's menu and tool bar.
  void BuildVoucherActions();
  // The actions around the voucher: the arrows through the month's vouchers in the tool
  // bar, the list, voiding, deleting and templates in the menu.
  void AddAroundActions(QMenu* menu, QToolBar* tools);
  // A new form on the ledger registered now.
  void ShowForm(const std::string& location, const voucher::VoucherBoxes::ListReady& ready);
  void ShowStatus();
  void FillRecentMenu();
  void AskForFile();
  void AskForServer();
  void ShowKeys();
  void ShowAbout();

  std::string location_;
  FormPanel::Page page_;
  bool drafts_;
  RecentLedgers recent_;
  FormPanel* panel_ = nullptr;
  ElidedLabel* message_ = nullptr;
  QLabel* switch_state_ = nullptr;
  QAction* list_on_entry_ = nullptr;
  QMenu* recent_menu_ = nullptr;
  std::shared_ptr<WindowWaiter> waiter_;
  // Ends before the form does: the form's last requests are made without the waiter.
  std::unique_ptr<voucher::WaitsShown> waits_shown_;
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_APPS_VOUCHER_QT_VOUCHER_WINDOW_H_
