#include "qt/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace glnamelist::qt {
namespace {

QMessageBox::Icon IconOf(long style) {
  switch (style & 0x70) {
    case 16:
      return QMessageBox::Critical;
    case 32:
      return QMessageBox::Question;
    case 48:
      return QMessageBox::Warning;
    case 64:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

long QtMessageBox::Show(const std::string& text, long style, const std::string& caption) {
  QWidget* focus = QApplication::focusWidget();
  auto* box =
      new QMessageBox(IconOf(style), QString::fromStdString(caption), QString::fromStdString(text),
                      QMessageBox::Ok, focus ? focus->window() : nullptr);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
  return platform::kButtonOk;
}

}  // namespace glnamelist::qt
