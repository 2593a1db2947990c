#include "apps/voucher/qt/key_script.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <map>

#include "contracts/error.h"

namespace glnamelist::qt {
namespace {

constexpr int kKeysDeadline = 5000;  // milliseconds the keys typed ahead may take
constexpr int kKeysPoll = 10;

const std::map<QString, ScriptKey>& NamedKeys() {
  static const std::map<QString, ScriptKey> keys = [] {
    std::map<QString, ScriptKey> named = {
        {"Tab", {Qt::Key_Tab, {}, "\t"}},
        {"Backtab", {Qt::Key_Backtab, Qt::ShiftModifier, {}}},
        {"Enter", {Qt::Key_Return, {}, "\r"}},
        {"Esc", {Qt::Key_Escape, {}, "\x1b"}},
        {"Backspace", {Qt::Key_Backspace, {}, "\b"}},
        {"Delete", {Qt::Key_Delete, {}, {}}},
        {"Space", {Qt::Key_Space, {}, " "}},
        {"Up", {Qt::Key_Up, {}, {}}},
        {"Down", {Qt::Key_Down, {}, {}}},
        {"Left", {Qt::Key_Left, {}, {}}},
        {"Right", {Qt::Key_Right, {}, {}}},
        {"Home", {Qt::Key_Home, {}, {}}},
        {"End", {Qt::Key_End, {}, {}}},
        {"PgUp", {Qt::Key_PageUp, {}, {}}},
        {"PgDn", {Qt::Key_PageDown, {}, {}}},
    };
    for (int f = 1; f <= 12; ++f) named[QString("F%1").arg(f)] = {Qt::Key_F1 + f - 1, {}, {}};
    return named;
  }();
  return keys;
}

// The key that types c: a Latin letter or an ASCII sign by its own key, anything else as
// text alone.
ScriptKey TypedKey(QChar c) {
  char16_t u = c.unicode();
  bool ascii = u > 32 && u < 127;
  int key = ascii ? static_cast<int>(QChar(u).toUpper().unicode()) : Qt::Key_unknown;
  Qt::KeyboardModifiers modifiers = c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier;
  return {key, modifiers, QString(c)};
}

}  // namespace

std::vector<ScriptKey> ParseKeys(const QString& script) {
  std::vector<ScriptKey> keys;
  for (qsizetype i = 0; i < script.size(); ++i) {
    if (script[i] != '<') {
      keys.push_back(TypedKey(script[i]));
      continue;
    }
    if (i + 1 < script.size() && script[i + 1] == '<') {
      keys.push_back(TypedKey('<'));
      ++i;
      continue;
    }
    qsizetype end = script.indexOf('>', i);
    if (end < 0) throw Error(errc::kInvalidProcedureCall, "unclosed '<' in the keys");
    QString name = script.mid(i + 1, end - i - 1);
    auto it = NamedKeys().find(name);
    if (it == NamedKeys().end()) {
      throw Error(errc::kInvalidProcedureCall, "unknown key <" + name.toStdString() + ">");
    }
    keys.push_back(it->second);
    i = end;
  }
  return keys;
}

void PlayKeys(const std::vector<ScriptKey>& keys, const std::function<bool()>& busy) {
  for (const ScriptKey& k : keys) {
    QWidget* modal = QApplication::activeModalWidget();
    QWidget* target =
        modal ? (modal->focusWidget() ? modal->focusWidget() : modal) : QApplication::focusWidget();
    if (!target) continue;
    QKeyEvent press(QEvent::KeyPress, k.key, k.modifiers, k.text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, k.key, k.modifiers, k.text);
    QApplication::sendEvent(target, &release);
    QApplication::processEvents();
  }
  QDeadlineTimer deadline(kKeysDeadline);
  while (busy() && !deadline.hasExpired()) {
    QEventLoop wait;
    QTimer::singleShot(kKeysPoll, &wait, &QEventLoop::quit);
    wait.exec();
  }
}

}  // namespace glnamelist::qt
