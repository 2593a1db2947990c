// The terminal through ncurses (wide characters): a Screen that draws on the terminal and
// the source of the keys the form reads.
#ifndef GLNAMELIST_TUI_CURSES_SCREEN_H_
#define GLNAMELIST_TUI_CURSES_SCREEN_H_

#include <string_view>

#include "contracts/api.h"
#include "tui/screen.h"

namespace glnamelist::tui {

// One key read from the terminal.
struct GLNAMELIST_API KeyPress {
  enum Kind {
    kChar,     // a character (code: its code point; control characters included)
    kKey,      // a key without a character (code: a virtual-key code of contracts/virtual_keys.h)
    kBackTab,  // Shift-Tab
    kResize,   // the terminal changed size
    kNone,     // nothing usable (an unknown key)
    kEnd,      // the terminal is gone: no key will come
  };
  Kind kind = kNone;
  long code = 0;
  bool ctrl = false;   // a kKey with Ctrl held (Ctrl-Home, Ctrl-End, Ctrl-PgUp, Ctrl-PgDn)
  bool shift = false;  // and Shift too (Ctrl-Shift-PgUp, Ctrl-Shift-PgDn)
};

// Starts curses on construction (the locale must be set before) and ends it on
// destruction. One at a time. Drawing goes to a CellScreen first, so that parts drawn over
// each other (the list over the form) never leave half a wide character on the terminal;
// Refresh puts the settled cells on the terminal.
class GLNAMELIST_API CursesScreen : public Screen {
 public:
  CursesScreen();
  ~CursesScreen() override;
  CursesScreen(const CursesScreen&) = delete;
  CursesScreen& operator=(const CursesScreen&) = delete;

  int Rows() const override { return frame_.Rows(); }
  int Cols() const override { return frame_.Cols(); }
  int Put(int y, int x, std::string_view text, Style style) override;
  void Clear() override;

  // Where the terminal's cursor goes at the next Refresh (hidden when y is negative).
  void SetCursor(int y, int x);
  // Shows what was drawn.
  void Refresh();
  // The next Refresh draws the whole terminal again, whatever it shows now (Ctrl-L: after
  // another program wrote over it).
  void Repaint();
  // Waits for the next key, for at most wait_ms milliseconds when wait_ms is not negative
  // (kNone when none came). Characters are read as UTF-8 bytes; a malformed byte is the
  // character U+FFFD, and what follows it is read as usual. Once the terminal has hung up
  // or failed, or input that is no terminal has ended, returns kEnd at once, then and ever
  // after.
  KeyPress ReadKey(int wait_ms = -1);
  // True when a key can be read without waiting (the rest of a paste, keys typed ahead).
  bool KeyWaiting();

 private:
  CellScreen frame_;
  int cursor_y_ = -1;
  int cursor_x_ = 0;
  // The rest of a character whose lead byte was read: continuation bytes already there.
  KeyPress ReadCharacter(int lead);

  bool input_ended_ = false;
};

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_TUI_CURSES_SCREEN_H_
