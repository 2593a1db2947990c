#include "apps/voucher/qt/screenshot.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <vector>

namespace glnamelist::qt {

QImage Screenshot(QWidget* window) {
  QRect area(window->mapToGlobal(QPoint(0, 0)), window->size());
  std::vector<QWidget*> popups;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w != window && w->isVisible() && w->windowType() == Qt::ToolTip) {
      popups.push_back(w);
      area |= w->geometry();
    }
  }
  QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(window->palette().color(QPalette::Window));
  QPainter painter(&image);
  painter.drawPixmap(window->mapToGlobal(QPoint(0, 0)) - area.topLeft(), window->grab());
  for (QWidget* popup : popups) painter.drawPixmap(popup->pos() - area.topLeft(), popup->grab());
  return image;
}

}  // namespace glnamelist::qt
