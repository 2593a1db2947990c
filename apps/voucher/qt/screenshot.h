// A picture of the program's windows as they stand on the screen.
#ifndef GLNAMELIST_APPS_VOUCHER_QT_SCREENSHOT_H_
#define GLNAMELIST_APPS_VOUCHER_QT_SCREENSHOT_H_

#include <QImage>
#include <QString>
#include <QWidget>

#include "apps/voucher/qt/voucher_window.h"

namespace glnamelist::qt {

// Every visible window of the program, each where it stands on the screen, drawn over
// window in the order people see them: window, then the dialogs, then the popups (the
// lists that drop down). The picture covers them all, at the pixel ratio of window's screen.
QImage Screenshot(QWidget* window);

// What the program's --screenshot saves: window shown and active, once its lists are
// attached, with keys (key_script.h) pressed in it and handled, as Screenshot draws it.
// Waits a few seconds at most for each.
QImage PictureAfterKeys(VoucherWindow& window, const QString& keys);

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_APPS_VOUCHER_QT_SCREENSHOT_H_
