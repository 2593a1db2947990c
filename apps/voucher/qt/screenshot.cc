#include "apps/voucher/qt/screenshot.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <vector>

#include "apps/voucher/qt/key_script.h"

namespace glnamelist::qt {
namespace {

// Which windows are drawn over which: the form, its dialogs, then popups and tool tips.
int Layer(const QWidget* w, const QWidget* window) {
  if (w == window) return 0;
  Qt::WindowType type = w->windowType();
  return type == Qt::ToolTip || type == Qt::Popup ? 2 : 1;
}

constexpr int kWaitMs = 5000;
constexpr int kPollMs = 20;

// Handles events until done() or the time is up.
void WaitFor(const std::function<bool()>& done) {
  QDeadlineTimer deadline(kWaitMs);
  while (!done() && !deadline.hasExpired()) {
    QEventLoop wait;
    QTimer::singleShot(kPollMs, &wait, &QEventLoop::quit);
    wait.exec();
  }
}

}  // namespace

QImage PictureAfterKeys(VoucherWindow& window, const QString& keys) {
  window.show();
  window.activateWindow();
  WaitFor([&] { return window.isActiveWindow(); });  // its boxes get the focus keys need
  WaitFor([&] { return !window.ListsWaiting(); });   // the keys are for the lists
  PlayKeys(ParseKeys(keys), [&] { return window.KeysWaiting(); });
  QApplication::processEvents();
  return Screenshot(&window);
}

QImage Screenshot(QWidget* window) {
  std::vector<QWidget*> shown;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && !w->isMinimized() && !w->size().isEmpty()) shown.push_back(w);
  }
  std::stable_sort(shown.begin(), shown.end(), [window](const QWidget* a, const QWidget* b) {
    return Layer(a, window) < Layer(b, window);
  });
  QRect area(window->mapToGlobal(QPoint(0, 0)), window->size());
  for (QWidget* w : shown) area |= QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
  qreal ratio = window->devicePixelRatioF();
  QImage image(area.size() * ratio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  image.fill(window->palette().color(QPalette::Window));
  QPainter painter(&image);
  for (QWidget* w : shown)
    painter.drawPixmap(w->mapToGlobal(QPoint(0, 0)) - area.topLeft(), w->grab());
  return image;
}

}  // namespace glnamelist::qt
