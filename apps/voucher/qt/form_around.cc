// The desktop form around the voucher: the list of the month's vouchers in a window of its
// own, the prompt for a template's name, and the date picker beside the date box.
#include <QCalendarWidget>
#include <QDate>
#include <QInputDialog>
#include <QToolButton>

#include "apps/voucher/qt/form_panel.h"
#include "apps/voucher/qt/voucher_list_window.h"
#include "contracts/virtual_keys.h"

namespace glnamelist::qt {

void FormPanel::ShowVoucherList() {
  if (!entry_) return;
  entry_->Commit();
  if (!list_window_) list_window_ = new VoucherListWindow(this);
  list_window_->Refresh();
  list_window_->show();
  list_window_->raise();
  list_window_->activateWindow();
}

void FormPanel::AskTemplate(bool save) {
  if (!entry_) return;
  auto* ask = new QInputDialog(this);
  ask->setAttribute(Qt::WA_DeleteOnClose);
  ask->setObjectName("templateName");
  ask->setWindowTitle(save ? "存为模板" : "用模板");
  ask->setLabelText(QString::fromStdString(entry_->TemplatePrompt(save)));
  connect(ask, &QInputDialog::textValueSelected, this, [this, save](const QString& text) {
    Do([&](voucher::VoucherEntry& entry) {
      save ? entry.SaveTemplate(text.toStdString()) : entry.FromTemplate(text.toStdString());
    });
  });
  ask->open();
}

QWidget* FormPanel::DatePicker(QLineEdit* date_box) {
  auto* button = new QToolButton(this);
  button->setObjectName("datePicker");
  button->setText("▾");
  button->setAccessibleName("选择日期");
  button->setFocusPolicy(Qt::NoFocus);
  auto* calendar = new QCalendarWidget(this);
  calendar->setObjectName("calendar");
  calendar->setWindowFlags(Qt::Popup);
  connect(button, &QToolButton::clicked, this, [this, button, calendar, date_box] {
    QDate shown = QDate::fromString(date_box->text(), "yyyy-MM-dd");
    calendar->setSelectedDate(shown.isValid() ? shown : QDate::currentDate());
    calendar->move(button->mapToGlobal(QPoint(0, button->height())));
    calendar->show();
    calendar->setFocus();
  });
  // The day chosen goes into the date box as if typed there, and the box is left.
  connect(calendar, &QCalendarWidget::activated, this, [this, calendar, date_box](QDate day) {
    calendar->hide();
    Do([&](voucher::VoucherEntry& entry) {
      entry.MoveTo(voucher::HeaderField::kDate);
      date_box->setText(day.toString("yyyy-MM-dd"));
      entry.Key({VK_TAB, 0});
    });
  });
  return button;
}

}  // namespace glnamelist::qt
