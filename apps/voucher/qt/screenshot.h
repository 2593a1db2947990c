// A picture of a window as it stands on the screen, with the popups shown over it.
#ifndef GLNAMELIST_APPS_VOUCHER_QT_SCREENSHOT_H_
#define GLNAMELIST_APPS_VOUCHER_QT_SCREENSHOT_H_

#include <QImage>
#include <QWidget>

namespace glnamelist::qt {

// window drawn as it is now, and every popup (a visible tool-tip window, as the lists
// drop down) where it stands relative to window; the picture grows to hold them.
QImage Screenshot(QWidget* window);

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_APPS_VOUCHER_QT_SCREENSHOT_H_
