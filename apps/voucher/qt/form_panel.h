// The boxes of the voucher form in Qt widgets: each box of voucher::VoucherBoxes a
// QLineEdit with its label (its accessible name too) and the name of the entry it holds
// beside it, in a grid that keeps its size whatever the texts.
//
// The line edits take their keys and the text of an input method as any line edit does,
// through their windows (line_edit_window.h), after the form's queue (voucher/type_ahead.h)
// lets each go. Tab and
// Shift-Tab move the focus, and so does Enter while no list is shown. While the panel exists
// its lists are the Qt list control and its message boxes QMessageBoxes; an error raised
// while a box's message is handled goes to the status line.
#ifndef GLNAMELIST_APPS_VOUCHER_QT_FORM_PANEL_H_
#define GLNAMELIST_APPS_VOUCHER_QT_FORM_PANEL_H_

#include <QEvent>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "apps/voucher/qt/elided_label.h"
#include "apps/voucher/type_ahead.h"
#include "apps/voucher/voucher_boxes.h"
#include "platform/environment.h"

namespace glnamelist::qt {

class FormPanel : public QWidget {
 public:
  // A form on the installed platform environment.
  explicit FormPanel(QWidget* parent = nullptr);
  // Detaches the lists and ends the registrations.
  ~FormPanel() override;

  // Attaches the list of every box whose data is ready (voucher::VoucherBoxes::AttachLists),
  // and the others as their data comes in, looked for between events. A box that waits
  // says so beside it.
  void AttachLists(const voucher::VoucherBoxes::ListReady& ready = {});
  // True while some box waits for its data, or a failed one for its next try.
  bool ListsWaiting() const { return boxes_->ListsWaiting(); }
  // True while keys (or an input method's text) typed ahead wait to go to the boxes.
  bool KeysWaiting() const { return !typed_.Empty(); }

  size_t Count() const { return lines_.size(); }
  QLineEdit* Box(size_t i) const { return lines_[i]; }
  voucher::VoucherBoxes& Boxes() const { return *boxes_; }
  // Called after the boxes' names, the status line or the listing switch may have changed.
  void OnChange(std::function<void()> changed) { changed_ = std::move(changed); }

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Lays out the labels, boxes and names; the boxes of the form over the line edits.
  std::shared_ptr<voucher::VoucherBoxes> Build();
  // Shows the names beside the boxes as the boxes have them now.
  void Refresh();
  // Hands over the keys that may go; looks again when one waits.
  void DeliverKeys();
  // A key press or an input method's text as the form's queue tells keys apart.
  static voucher::FormKey FormKeyOf(const std::unique_ptr<QEvent>& typed);
  // Hands it to the widget a person's key would reach now.
  void Hand(std::unique_ptr<QEvent>& typed);

  std::shared_ptr<platform::PlatformEnvironment> env_;
  std::vector<QLineEdit*> lines_;
  std::vector<ElidedLabel*> names_;
  QTimer* attach_timer_ = nullptr;
  QTimer* key_timer_ = nullptr;
  std::shared_ptr<voucher::VoucherBoxes> boxes_;
  voucher::KeyQueue<std::unique_ptr<QEvent>> typed_;
  bool handing_ = false;  // a key of the queue is on its way
  std::function<void()> changed_;
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_APPS_VOUCHER_QT_FORM_PANEL_H_
