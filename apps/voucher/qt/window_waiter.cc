#include "apps/voucher/qt/window_waiter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include "apps/voucher/read_waits.h"

namespace glnamelist::qt {
namespace {

// A timer of a widget: the form's own (lists attached, keys handed on, changes looked for),
// each of which may ask the ledger; it fires again after the wait.
bool WidgetTimer(QObject* watched) {
  if (!qobject_cast<QTimer*>(watched)) return false;
  for (QObject* up = watched->parent(); up; up = up->parent()) {
    if (up->isWidgetType()) return true;
  }
  return false;
}

// What a person does with the mouse, a touch or a key's release: dropped in a wait.
bool Dropped(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

}  // namespace

WindowWaiter::WindowWaiter(QWidget* window, std::function<void(const QString&)> show,
                           std::function<void()> shown_done)
    : window_(window), show_(std::move(show)), shown_done_(std::move(shown_done)) {}

bool WindowWaiter::Wait(const PendingRead& read,
                        const std::function<bool(std::chrono::milliseconds)>& answered) {
  if (depth_++ == 0) {
    given_up_ = false;
    QApplication::instance()->installEventFilter(this);
    QApplication::setOverrideCursor(Qt::BusyCursor);
  }
  show_(QString::fromStdString(voucher::WaitingText(read)));
  bool done = answered(std::chrono::milliseconds(0));
  while (!done && !given_up_) {
    QApplication::processEvents();
    done = answered(kSlice);
  }
  if (--depth_ == 0) {
    QApplication::instance()->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    shown_done_();
    HandOn();
  }
  return done;
}

bool WindowWaiter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      event->accept();  // the key is kept for its widget: no shortcut goes off in a wait
      return true;
    case QEvent::KeyPress: {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        given_up_ = true;
        return true;
      }
      // Ctrl-Q quits: the wait is given up, and the key closes the form afterwards.
      if (key->key() == Qt::Key_Q && key->modifiers() == Qt::ControlModifier) given_up_ = true;
      [[fallthrough]];
    }
    case QEvent::InputMethod:
      held_.push_back({watched, std::unique_ptr<QEvent>(event->clone())});
      return true;
    case QEvent::Close: {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (!widget || !widget->isWindow() || widget->windowType() == Qt::Popup) return false;
      given_up_ = true;
      closed_.push_back(widget);
      event->ignore();
      return true;
    }
    case QEvent::Timer:
      return WidgetTimer(watched);
    default:
      return Dropped(event->type());
  }
}

void WindowWaiter::HandOn() {
  giving_up_ = given_up_;
  for (Held& held : held_) {
    if (held.to) QApplication::postEvent(held.to, held.event.release());
  }
  held_.clear();
  for (const QPointer<QWidget>& window : closed_) {
    if (!window) continue;
    QMetaObject::invokeMethod(
        window, [window] { window->close(); }, Qt::QueuedConnection);
  }
  closed_.clear();
  // Posted after them, so handled once they are: a form that stays open asks the ledger again.
  QMetaObject::invokeMethod(
      this, [this] { giving_up_ = giving_up_ && (!window_ || !window_->isVisible()); },
      Qt::QueuedConnection);
}

}  // namespace glnamelist::qt
