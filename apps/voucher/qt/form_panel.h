// The voucher form in Qt widgets: a voucher (voucher::VoucherEntry) as its header, its
// lines and totals (voucher_table.h) with the line edit of the current cell over that cell,
// and the name of the current cell's entry; or, as the page of master data, each box of
// voucher::VoucherBoxes a QLineEdit with its label (its accessible name too) and the name of
// the entry it holds beside it, in a grid that keeps its size whatever the texts.
//
// On the voucher, the header's date, word and attachments are line edits above the table; a
// click on a cell or a header box moves there, F6 asks for a voucher's number, Ctrl-T and
// Ctrl-G for a template's name, F11 shows the list of vouchers, a button beside the date
// box drops a calendar down, and the
// voucher's questions (a draft found on starting, giving up changes) are message boxes;
// closing the window or opening another voucher over changes asks to save them, give them
// up (Discard) or stay (Cancel).
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
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "apps/voucher/qt/elided_label.h"
#include "apps/voucher/qt/voucher_table.h"
#include "apps/voucher/type_ahead.h"
#include "apps/voucher/voucher_boxes.h"
#include "apps/voucher/voucher_entry.h"
#include "platform/environment.h"

namespace glnamelist::qt {

class VoucherListWindow;

class FormPanel : public QWidget {
 public:
  enum class Page { kVoucher, kBoxes };

  // A form on the installed platform environment.
  explicit FormPanel(QWidget* parent = nullptr, Page page = Page::kVoucher);
  // Detaches the lists and ends the registrations.
  ~FormPanel() override;

  // Attaches the list of every box whose data is ready (voucher::VoucherBoxes::AttachLists),
  // and the others as their data comes in, looked for between events. A box that waits
  // says so beside it. The lists whose master data changes get it as changes tells
  // (ledger::WatchLists), looked for every VoucherBoxes::kChangesPollMs.
  void AttachLists(const voucher::VoucherBoxes::ListReady& ready = {},
                   std::function<std::vector<long>()> changes = {});
  // True while some box waits for its data, or a failed one for its next try.
  bool ListsWaiting() const { return boxes_->ListsWaiting(); }
  // True while keys (or an input method's text) typed ahead wait to go to the boxes.
  bool KeysWaiting() const { return !typed_.Empty(); }

  size_t Count() const { return lines_.size(); }
  QLineEdit* Box(size_t i) const { return lines_[i]; }
  voucher::VoucherBoxes& Boxes() const { return *boxes_; }
  // The voucher; nullptr on the page of master data.
  voucher::VoucherEntry* Entry() const { return entry_.get(); }
  QTableView* Table() const { return table_; }
  // The lines with their totals under them.
  VoucherTable* Grid() const { return grid_; }
  QLineEdit* AmountBox() const { return amount_; }
  // Asks for the number of a voucher to open.
  void AskToOpen();
  // Shows the list of the month's vouchers, a window of its own (F11).
  void ShowVoucherList();
  // Asks for the name of a template to keep the voucher as (save), or to begin one from.
  void AskTemplate(bool save);
  // Does action on the voucher, shows the voucher as it is then, and asks its question.
  void Do(const std::function<void(voucher::VoucherEntry&)>& action);
  // Asks the voucher's question in a message box (Yes, No), unless it is being asked.
  void AskQuestion();
  // The boxes of the header, by voucher::HeaderField.
  QLineEdit* HeaderBox(voucher::HeaderField field) const {
    return header_.at(static_cast<size_t>(field));
  }
  // Called after the boxes' names, the status line or the listing switch may have changed.
  void OnChange(std::function<void()> changed) { changed_ = std::move(changed); }

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Lays out the labels, boxes and names; the boxes of the form over the line edits.
  std::shared_ptr<voucher::VoucherBoxes> Build(Page page);
  std::shared_ptr<voucher::VoucherBoxes> BuildVoucher();
  // Shows the voucher as the grid has it now.
  void RefreshVoucher();
  // Shows the line edit of hWnd over the current cell, with the focus; hides the others.
  void ShowEditor(long hWnd);
  // Puts the current cell's line edit over that cell, as the table shows it now.
  void PlaceEditor();
  // A button that drops a calendar down under date_box; the day chosen is its date.
  QWidget* DatePicker(QLineEdit* date_box);
  // The voucher's own keys: true when typed was one of them.
  bool VoucherKey(const std::unique_ptr<QEvent>& typed);
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
  QTableView* table_ = nullptr;
  QStandardItemModel* model_ = nullptr;
  std::vector<QLineEdit*> header_;
  QLabel* number_ = nullptr;
  QMessageBox* asking_ = nullptr;  // the voucher's question, while it is asked
  VoucherTable* grid_ = nullptr;
  QLabel* name_ = nullptr;
  QLineEdit* amount_ = nullptr;
  std::shared_ptr<voucher::VoucherBoxes> boxes_;
  std::unique_ptr<voucher::VoucherEntry> entry_;
  voucher::KeyQueue<std::unique_ptr<QEvent>> typed_;
  bool handing_ = false;  // a key of the queue is on its way
  std::function<void()> changed_;
  VoucherListWindow* list_window_ = nullptr;  // the list of vouchers, once shown
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_APPS_VOUCHER_QT_FORM_PANEL_H_
