// Keys written as text, for a form to be driven without a keyboard:
//   "1002."           types 1, 0, 0, 2 and a point
//   "<Tab>123<F8>"     names a key between angle brackets: Tab, Backtab (Shift+Tab), Enter,
//                      Esc, Backspace, Delete, Space, Up, Down, Left, Right, Home, End, PgUp,
//                      PgDn, F1 to F12, KP0 to KP9 and KPEnter (the number pad), and
//                      with Ctrl-, Alt- or Shift- before it a key held with those:
//                      <Ctrl-S>, <Alt-F4>, <Ctrl-Home>; "<<" types "<"
#ifndef GLNAMELIST_APPS_VOUCHER_QT_KEY_SCRIPT_H_
#define GLNAMELIST_APPS_VOUCHER_QT_KEY_SCRIPT_H_

#include <QString>
#include <Qt>
#include <functional>
#include <vector>

namespace glnamelist::qt {

struct ScriptKey {
  int key = 0;
  Qt::KeyboardModifiers modifiers;
  QString text;  // what the key types
};

// The keys of script, in order; Error 5 naming an unknown key or an unclosed "<".
std::vector<ScriptKey> ParseKeys(const QString& script);

// Presses and releases each key, one right after the other as a fast typist does, where a
// person's key goes at the time (a dialog that has come up, else the focus); then handles
// events until busy() is false (the keys typed ahead have gone), for five seconds at most.
void PlayKeys(const std::vector<ScriptKey>& keys, const std::function<bool()>& busy);

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_APPS_VOUCHER_QT_KEY_SCRIPT_H_
