// While a request of the desktop form waits for the ledger longer than a moment: the status
// bar says what it waits for and that Esc gives it up, the windows keep painting, and the
// program is busy: what a person does then reaches no widget. The keys typed meanwhile (and
// an input method's text) are kept and handed to where they were typed, in order, once the
// wait ends; clicks and the wheel are dropped, and the form's own timers wait. Esc gives the
// request up (it fails with the ledger's fault "abandoned", and so do the requests of the
// keys typed meanwhile, until they are handled: the key typed after them asks the ledger
// again). Closing a window, or Ctrl-Q, gives it up too, and the window then closes as it
// does between waits (on a voucher with changes, after the question).
#ifndef GLNAMELIST_APPS_VOUCHER_QT_WINDOW_WAITER_H_
#define GLNAMELIST_APPS_VOUCHER_QT_WINDOW_WAITER_H_

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "contracts/live_data.h"

namespace glnamelist::qt {

class WindowWaiter : public QObject, public ReadWaiter {
 public:
  // The waiter of the form in window: show puts the words of a wait in its status bar, and
  // shown_done gives the status bar back to the form.
  WindowWaiter(QWidget* window, std::function<void(const QString&)> show,
               std::function<void()> shown_done);

  bool GivingUp() override { return giving_up_; }
  bool Wait(const PendingRead& read,
            const std::function<bool(std::chrono::milliseconds)>& answered) override;

  // Every event of the program, while it waits.
  bool eventFilter(QObject* watched, QEvent* event) override;

  // How long a wait waits for the answer between two rounds of the program's events.
  static constexpr std::chrono::milliseconds kSlice{20};

 private:
  struct Held {
    QPointer<QObject> to;
    std::unique_ptr<QEvent> event;
  };
  // Hands the events kept in the wait on, in order, and after them closes the windows closed
  // in it; the requests stay given up until those are handled.
  void HandOn();

  QPointer<QWidget> window_;
  std::function<void(const QString&)> show_;
  std::function<void()> shown_done_;
  int depth_ = 0;           // waits under way, one inside the other
  bool given_up_ = false;   // the person gave the wait under way up
  bool giving_up_ = false;  // and requests fail at once until what was kept is handled
  std::vector<Held> held_;
  std::vector<QPointer<QWidget>> closed_;  // windows closed in the wait
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_APPS_VOUCHER_QT_WINDOW_WAITER_H_
