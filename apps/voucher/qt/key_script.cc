#include "apps/voucher/qt/key_script.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <cstring>
#include <map>
#include <utility>

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
    for (int d = 0; d <= 9; ++d) {
      named[QString("KP%1").arg(d)] = {Qt::Key_0 + d, Qt::KeypadModifier, QString::number(d)};
    }
    named["KPEnter"] = {Qt::Key_Enter, Qt::KeypadModifier, "\r"};
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

// A key named between angle brackets, with "Ctrl-", "Alt-" and "Shift-" before it as held:
// "Ctrl-S", "Alt-F4", "Ctrl-Home". A held Ctrl or Alt types nothing.
ScriptKey NamedKey(QString name) {
  const QString whole = name;
  Qt::KeyboardModifiers held;
  for (auto [prefix, modifier] : {std::pair{"Ctrl-", Qt::ControlModifier},
                                  {"Alt-", Qt::AltModifier},
                                  {"Shift-", Qt::ShiftModifier}}) {
    if (name.size() > 1 && name.startsWith(prefix)) {
      held |= modifier;
      name = name.mid(static_cast<qsizetype>(std::strlen(prefix)));
    }
  }
  ScriptKey key;
  if (auto it = NamedKeys().find(name); it != NamedKeys().end()) {
    key = it->second;
  } else if (name.size() == 1 && held) {
    key = TypedKey(name[0].toLower());  // the letter's key, Shift only when named
  } else {
    throw Error(errc::kInvalidProcedureCall, "unknown key <" + whole.toStdString() + ">");
  }
  key.modifiers |= held;
  if (held & (Qt::ControlModifier | Qt::AltModifier)) key.text.clear();
  return key;
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
    keys.push_back(NamedKey(script.mid(i + 1, end - i - 1)));
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
