#include "tui/curses_screen.h"

#include <curses.h>
#include <poll.h>
#include <unistd.h>

#include <string>

#include "contracts/text.h"
#include "contracts/virtual_keys.h"
#include "tui/text.h"

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

// Key codes of our own for sequences the terminal description may lack: the number pad's
// keys in application mode (ESC O and a letter), typing what their caps say, and Ctrl-Home
// and Ctrl-End as xterm sends them.
constexpr int kOwnKeys = 0x7000;
constexpr const char* kKeypadFinals = "pqrstuvwxylnmkjoXM";
constexpr const char* kKeypadTyped = "0123456789,.-+*/=\r";
constexpr int kCtrlHomeKey = kOwnKeys + 0x100;
constexpr int kCtrlEndKey = kOwnKeys + 0x101;
// Ctrl-PgUp, Ctrl-PgDn, and with Shift, as xterm sends them: ESC [ 5 ; 5 ~ and so on.
constexpr int kCtrlPageKeys = kOwnKeys + 0x102;
constexpr const char* kCtrlPageSequences[] = {"\033[5;5~", "\033[6;5~", "\033[5;6~", "\033[6;6~"};

void DefineOwnKeys() {
  for (int i = 0; kKeypadFinals[i] != '\0'; ++i) {
    const char sequence[] = {'\033', 'O', kKeypadFinals[i], '\0'};
    define_key(sequence, kOwnKeys + i);
  }
  define_key("\033[1;5H", kCtrlHomeKey);
  define_key("\033[1;5F", kCtrlEndKey);
  for (int i = 0; i < 4; ++i) define_key(kCtrlPageSequences[i], kCtrlPageKeys + i);
}

// A key of our own as the form reads it; kNone for any other.
KeyPress OwnKey(int key) {
  if (key == kCtrlHomeKey || key == kCtrlEndKey) {
    return {KeyPress::kKey, key == kCtrlHomeKey ? VK_HOME : VK_END, true};
  }
  if (key >= kCtrlPageKeys && key < kCtrlPageKeys + 4) {
    const int page = key - kCtrlPageKeys;
    return {KeyPress::kKey, page % 2 == 0 ? VK_PRIOR : VK_NEXT, true, page >= 2};
  }
  int keypad = key - kOwnKeys;
  if (keypad >= 0 && keypad < static_cast<int>(std::char_traits<char>::length(kKeypadTyped))) {
    return {KeyPress::kChar, kKeypadTyped[keypad]};
  }
  return {};
}

long VirtualKey(int key) {
  switch (key) {
    case KEY_UP:
      return VK_UP;
    case KEY_DOWN:
      return VK_DOWN;
    case KEY_LEFT:
      return VK_LEFT;
    case KEY_RIGHT:
      return VK_RIGHT;
    case KEY_PPAGE:
      return VK_PRIOR;
    case KEY_NPAGE:
      return VK_NEXT;
    case KEY_HOME:
      return VK_HOME;
    case KEY_END:
      return VK_END;
    case KEY_DC:
      return VK_DELETE;
    case KEY_ENTER:
      return VK_RETURN;
    default:
      break;
  }
  for (int f = 1; f <= 12; ++f) {
    if (key == KEY_F(f)) return VK_F2 - 2 + f;  // F1 = 112
  }
  return 0;
}

// After a read that failed: true when no key will ever come. A terminal that hung up or
// failed reports so when polled; input that is no terminal fails only at its end. A live
// terminal's read fails for passing reasons too (a signal, a malformed character).
bool InputEnded() {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  if (poll(&input, 1, 0) > 0 && (input.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
    return true;
  }
  return isatty(STDIN_FILENO) == 0;
}

}  // namespace

CursesScreen::CursesScreen() : frame_(0, 0) {
  initscr();
  raw();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  DefineOwnKeys();
  set_escdelay(25);
  if (has_colors()) {
    start_color();
    use_default_colors();
    init_pair(kPairMatch, COLOR_YELLOW, -1);
    init_pair(kPairError, COLOR_RED, -1);
    init_pair(kPairTitle, COLOR_CYAN, -1);
    init_pair(kPairHelp, COLOR_GREEN, -1);
  }
  frame_ = CellScreen(LINES, COLS);
}

CursesScreen::~CursesScreen() { endwin(); }

int CursesScreen::Put(int y, int x, std::string_view text, Style style) {
  return frame_.Put(y, x, text, style);
}

void CursesScreen::Clear() {
  if (frame_.Rows() != LINES || frame_.Cols() != COLS) {
    frame_ = CellScreen(LINES, COLS);
  } else {
    frame_.Clear();
  }
}

void CursesScreen::SetCursor(int y, int x) {
  cursor_y_ = y;
  cursor_x_ = x;
}

void CursesScreen::Refresh() {
  erase();
  for (int y = 0; y < frame_.Rows(); ++y) {
    // Runs of one style, each written at once.
    int x = 0;
    while (x < frame_.Cols()) {
      Style style = frame_.StyleAt(y, x);
      int start = x;
      std::string run;
      while (x < frame_.Cols() && frame_.StyleAt(y, x) == style) {
        run += frame_.CharAt(y, x);
        ++x;
      }
      attr_t attrs = Attributes(style);
      attrset(attrs);
      mvaddstr(y, start, run.c_str());
    }
  }
  attrset(A_NORMAL);
  if (cursor_y_ < 0) {
    curs_set(0);
  } else {
    curs_set(1);
    move(cursor_y_, cursor_x_);
  }
  refresh();
}

void CursesScreen::Repaint() { clearok(curscr, TRUE); }

KeyPress CursesScreen::ReadKey(int wait_ms) {
  if (input_ended_) return {KeyPress::kEnd, 0};
  // curses waits itself, so that a resize of the terminal ends a wait of either kind.
  wtimeout(stdscr, wait_ms < 0 ? -1 : wait_ms);
  int ch = wgetch(stdscr);
  wtimeout(stdscr, -1);
  if (ch == ERR) {
    input_ended_ = InputEnded();
    return {input_ended_ ? KeyPress::kEnd : KeyPress::kNone, 0};
  }
  if (ch == KEY_RESIZE) return {KeyPress::kResize, 0};
  if (ch == KEY_BTAB) return {KeyPress::kBackTab, 0};
  if (ch == KEY_BACKSPACE) return {KeyPress::kChar, VK_BACK};
  if (KeyPress own = OwnKey(ch); own.kind != KeyPress::kNone) return own;
  if (ch >= KEY_MIN) {
    long vk = VirtualKey(ch);
    if (vk == 0) return {};
    return {KeyPress::kKey, vk};
  }
  if (ch < 0x80) return {KeyPress::kChar, ch};
  return ReadCharacter(ch);
}

KeyPress CursesScreen::ReadCharacter(int lead) {
  std::string bytes(1, static_cast<char>(lead));
  size_t length = text::SequenceLength(static_cast<unsigned char>(lead));
  nodelay(stdscr, TRUE);
  while (bytes.size() < length) {
    int next = wgetch(stdscr);
    if (next == ERR) break;
    if (next > 0xFF || (next & 0xC0) != 0x80) {
      ungetch(next);  // not part of this character: the next key
      break;
    }
    bytes += static_cast<char>(next);
  }
  nodelay(stdscr, FALSE);
  text::Decoded d = text::DecodeAt(bytes, 0);
  return {KeyPress::kChar, static_cast<long>(d.valid ? d.code : text::kReplacementChar)};
}

bool CursesScreen::KeyWaiting() {
  if (input_ended_) return false;
  nodelay(stdscr, TRUE);
  int ch = wgetch(stdscr);
  nodelay(stdscr, FALSE);
  if (ch == ERR) return false;
  ungetch(ch);
  return true;
}

}  // namespace glnamelist::tui
