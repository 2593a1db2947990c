#include "tui/curses_screen.h"

#include <curses.h>

#include <string>

#include "tui/text.h"
#include "tui/win_keys.h"

namespace glnamelist::tui {
namespace {

enum Pair : short { kPairMatch = 1, kPairError, kPairTitle, kPairHelp };

attr_t Attributes(Style style) {
  switch (style) {
    case Style::kNormal:
    case Style::kFrame:
      return A_NORMAL;
    case Style::kLabel:
      return A_BOLD;
    case Style::kField:
      return A_UNDERLINE;
    case Style::kFocusField:
      return A_UNDERLINE | A_BOLD;
    case Style::kTitle:
      return A_BOLD | COLOR_PAIR(kPairTitle);
    case Style::kSelected:
    case Style::kButton:
      return A_REVERSE;
    case Style::kMatch:
      return A_BOLD | COLOR_PAIR(kPairMatch);
    case Style::kSelectedMatch:
      return A_REVERSE | A_BOLD;
    case Style::kHelp:
      return COLOR_PAIR(kPairHelp);
    case Style::kStatus:
      return A_BOLD;
    case Style::kError:
      return A_BOLD | COLOR_PAIR(kPairError);
  }
  return A_NORMAL;
}

long VirtualKey(int key) {
  switch (key) {
    case KEY_UP:
      return kVkUp;
    case KEY_DOWN:
      return kVkDown;
    case KEY_LEFT:
      return kVkLeft;
    case KEY_RIGHT:
      return kVkRight;
    case KEY_PPAGE:
      return kVkPrior;
    case KEY_NPAGE:
      return kVkNext;
    case KEY_HOME:
      return kVkHome;
    case KEY_END:
      return kVkEnd;
    case KEY_DC:
      return kVkDelete;
    case KEY_ENTER:
      return kVkReturn;
    default:
      break;
  }
  for (int f = 1; f <= 12; ++f) {
    if (key == KEY_F(f)) return kVkF2 - 2 + f;  // F1 = 112
  }
  return 0;
}

}  // namespace

CursesScreen::CursesScreen() {
  initscr();
  raw();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  set_escdelay(25);
  if (has_colors()) {
    start_color();
    use_default_colors();
    init_pair(kPairMatch, COLOR_YELLOW, -1);
    init_pair(kPairError, COLOR_RED, -1);
    init_pair(kPairTitle, COLOR_CYAN, -1);
    init_pair(kPairHelp, COLOR_GREEN, -1);
  }
}

CursesScreen::~CursesScreen() { endwin(); }

int CursesScreen::Rows() const { return LINES; }
int CursesScreen::Cols() const { return COLS; }

int CursesScreen::Put(int y, int x, std::string_view text, Style style) {
  if (y < 0 || y >= LINES || x >= COLS) return 0;
  std::string shown = Printable(text);
  if (x < 0) {
    // Drop what lies left of the screen, character by character.
    int skip = -x;
    size_t from = 0;
    for (const Glyph& g : DecodeUtf8(shown)) {
      if (skip <= 0) break;
      skip -= CharWidth(g.code);
      from = g.offset + g.length;
    }
    shown = shown.substr(from);
    x = 0;
  }
  shown = ClipToWidth(shown, COLS - x);
  attr_t attrs = Attributes(style);
  attron(attrs);
  mvaddnstr(y, x, shown.c_str(), static_cast<int>(shown.size()));
  attroff(attrs);
  return TextWidth(shown);
}

void CursesScreen::Clear() { erase(); }

void CursesScreen::SetCursor(int y, int x) {
  if (y < 0) {
    curs_set(0);
    return;
  }
  curs_set(1);
  move(y, x);
}

void CursesScreen::Refresh() { refresh(); }

KeyPress CursesScreen::ReadKey() {
  wint_t ch = 0;
  int got = get_wch(&ch);
  if (got == ERR) return {};
  if (got == KEY_CODE_YES) {
    if (ch == KEY_RESIZE) return {KeyPress::kResize, 0};
    if (ch == KEY_BTAB) return {KeyPress::kBackTab, 0};
    if (ch == KEY_BACKSPACE) return {KeyPress::kChar, kVkBack};
    long vk = VirtualKey(static_cast<int>(ch));
    if (vk == 0) return {};
    return {KeyPress::kKey, vk};
  }
  return {KeyPress::kChar, static_cast<long>(ch)};
}

}  // namespace glnamelist::tui
