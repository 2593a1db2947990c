#include "apps/voucher/qt/elided_label.h"

#include <QResizeEvent>

namespace glnamelist::qt {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  setTextFormat(Qt::PlainText);
}

void ElidedLabel::SetFullText(const QString& text) {
  full_ = text;
  Elide();
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void ElidedLabel::Elide() {
  int room = contentsRect().width();
  QString shown = fontMetrics().elidedText(full_, Qt::ElideRight, room);
  setText(shown);
  setToolTip(shown == full_ ? QString() : full_);
  setAccessibleName(full_);
}

}  // namespace glnamelist::qt
