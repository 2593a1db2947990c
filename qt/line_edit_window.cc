#include "qt/line_edit_window.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <algorithm>
#include <map>
#include <utility>

#include "contracts/virtual_keys.h"
#include "listkit/error_text.h"
#include "qt/key_codes.h"

namespace glnamelist::qt {
namespace {

std::map<QLineEdit*, LineEditWindow*>& Bridges() {
  static std::map<QLineEdit*, LineEditWindow*> bridges;
  return bridges;
}

std::function<void(const std::exception&)>& ErrorHandler() {
  static std::function<void(const std::exception&)> handler;
  return handler;
}

void ReportError(const std::exception& e) {
  if (ErrorHandler()) {
    ErrorHandler()(e);
  } else {
    qWarning("%s", listkit::ErrorText(e).c_str());
  }
}

// True for the text of a key that types: printable characters only.
bool TypesText(const QString& text) {
  return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
    return c.unicode() >= 32 && c.unicode() != 127;
  });
}

}  // namespace

LineEditWindow& LineEditWindow::Of(QLineEdit* line) {
  std::shared_ptr<platform::PlatformEnvironment> env = platform::InstalledPlatformEnvironment();
  auto it = Bridges().find(line);
  if (it != Bridges().end() && it->second->env_ == env) return *it->second;
  if (it != Bridges().end()) delete it->second;  // a window of an environment gone by
  return *new LineEditWindow(line);
}

QLineEdit* LineEditWindow::LineEditOf(long hWnd) {
  std::shared_ptr<Environment> env = InstalledEnv();
  for (const auto& [line, window] : Bridges()) {
    if (window->hwnd_ == hWnd && window->env_ == env) return line;
  }
  return nullptr;
}

void LineEditWindow::SetErrorHandler(std::function<void(const std::exception&)> handler) {
  ErrorHandler() = std::move(handler);
}

LineEditWindow::LineEditWindow(QLineEdit* line)
    : QObject(line), line_(line), env_(platform::InstalledPlatformEnvironment()) {
  hwnd_ =
      env_->Windows().CreateWindow(line->text().toStdString(), line->isReadOnly() ? ES_READONLY : 0,
                                   [this](platform::WindowSystem&, long, long msg, long wParam,
                                          long) { return Procedure(msg, wParam); });
  env_->Windows().EnableWindow(hwnd_, line->isEnabled());
  line->installEventFilter(this);
  connect(line, &QLineEdit::textChanged, this, [this] { MirrorText(); });
  Bridges()[line] = this;
}

LineEditWindow::~LineEditWindow() {
  Bridges().erase(line_);
  env_->Windows().DestroyWindow(hwnd_);
}

void LineEditWindow::MirrorText() { env_->Windows().SetText(hwnd_, line_->text().toStdString()); }

bool LineEditWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched != line_) return false;
  switch (event->type()) {
    case QEvent::FocusIn:
      Send(WM_SETFOCUS, 0, event);
      return true;
    case QEvent::FocusOut:
      Send(WM_KILLFOCUS, 0, event);
      return true;
    case QEvent::KeyPress:
      return OnKeyPress(static_cast<QKeyEvent*>(event));
    case QEvent::InputMethod:
      return OnInputMethod(static_cast<QInputMethodEvent*>(event));
    case QEvent::EnabledChange:
      env_->Windows().EnableWindow(hwnd_, line_->isEnabled());
      return false;
    case QEvent::ReadOnlyChange:
      env_->Windows().SetReadOnly(hwnd_, line_->isReadOnly());
      return false;
    default:
      return false;
  }
}

bool LineEditWindow::Send(long msg, long wParam, QEvent* event) {
  Pending pending{msg, event, false};
  Pending* outer = std::exchange(pending_, &pending);
  try {
    env_->Windows().SendMessage(hwnd_, msg, wParam, 0);
  } catch (const std::exception& e) {
    ReportError(e);
  }
  pending_ = outer;
  return pending.delivered;
}

bool LineEditWindow::OnKeyPress(QKeyEvent* key) {
  QString text = key->text();
  bool types = TypesText(text);
  long vk = VirtualKey(key->key(), key->modifiers());
  if (vk == 0 && text.isEmpty()) return false;  // nothing a box would hear of
  bool delivered = vk != 0 && Send(WM_KEYDOWN, vk, types ? nullptr : key);
  for (QChar unit : text) Send(WM_CHAR, unit.unicode(), nullptr);
  // A key the line edit left alone goes on to its parents, as Qt passes it; one it typed,
  // or one a hook stopped, goes no further.
  if (types || !delivered) key->accept();
  return true;
}

bool LineEditWindow::OnInputMethod(QInputMethodEvent* input) {
  QString commit = input->commitString();
  if (commit.isEmpty()) return false;
  for (QChar unit : commit) Send(WM_CHAR, unit.unicode(), nullptr);
  QInputMethodEvent preedit(input->preeditString(), input->attributes());
  static_cast<QObject*>(line_)->event(&preedit);
  input->accept();
  return true;
}

long LineEditWindow::Procedure(long msg, long wParam) {
  if (msg == WM_CHAR) {
    Type(wParam);
  } else if (pending_ && pending_->msg == msg && pending_->event && !pending_->delivered) {
    pending_->delivered = true;
    // The line edit's own handling, past the event filters that have seen the event already.
    static_cast<QObject*>(line_)->event(pending_->event);
  }
  return 0;
}

void LineEditWindow::Type(long unit) {
  if (!line_->isEnabled() || line_->isReadOnly()) {
    typed_.Reset();
    return;
  }
  QString text;
  for (char32_t code : typed_.Add(unit)) {
    if (code >= 32 && code != 127) text += QString::fromUcs4(&code, 1);
  }
  if (!text.isEmpty()) line_->insert(text);
}

}  // namespace glnamelist::qt
