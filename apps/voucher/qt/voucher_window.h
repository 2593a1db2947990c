// The voucher-entry form in Qt widgets: the boxes of voucher::VoucherBoxes as QLineEdits with
// their labels and the names of the entries they hold beside them, two help lines, and a
// status line with the state of HotTrace.
//
// The line edits take their keys as any line edit does, through their windows
// (line_edit_window.h). Tab and Shift-Tab move the focus, and so does Enter while no list is
// shown; F2 switches HotTrace of every box; F10 and Ctrl-Q close the form. While the form
// exists its lists are the Qt list control and its message boxes QMessageBoxes; an error
// raised while a box's message is handled is shown in the status line.
#ifndef GLNAMELIST_APPS_VOUCHER_QT_VOUCHER_WINDOW_H_
#define GLNAMELIST_APPS_VOUCHER_QT_VOUCHER_WINDOW_H_

#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "apps/voucher/voucher_boxes.h"
#include "platform/environment.h"

namespace glnamelist::qt {

class VoucherWindow : public QWidget {
 public:
  // A form on the installed platform environment, titled with the ledger's name.
  explicit VoucherWindow(const std::string& title);
  // Detaches the lists and ends the registrations.
  ~VoucherWindow() override;

  // Attaches the list of every box whose data is ready (voucher::VoucherBoxes::AttachLists),
  // and the others as their data comes in, looked for between events; gives the first box
  // the focus. A box that waits says so beside it.
  void AttachLists(const voucher::VoucherBoxes::ListReady& ready = {});
  // True while some box waits for its data (voucher::VoucherBoxes::ListsWaiting).
  bool ListsWaiting() const { return boxes_->ListsWaiting(); }

  QLineEdit* Box(size_t i) const { return lines_[i]; }
  voucher::VoucherBoxes& Boxes() const { return *boxes_; }

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows the names beside the boxes, the status and HotTrace as the boxes have them now.
  void Refresh();
  void Build(const std::string& title);

  std::shared_ptr<platform::PlatformEnvironment> env_;
  std::vector<QLineEdit*> lines_;
  std::vector<QLabel*> names_;
  QLabel* status_ = nullptr;
  QLabel* trace_ = nullptr;
  QTimer* attach_timer_ = nullptr;
  std::shared_ptr<voucher::VoucherBoxes> boxes_;
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_APPS_VOUCHER_QT_VOUCHER_WINDOW_H_
