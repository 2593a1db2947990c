// The message box as the terminal draws it: a centred dialog with the caption in its
// frame, the text wrapped to the dialog's width and an OK button.
#ifndef GLNAMELIST_TUI_MESSAGE_DIALOG_H_
#define GLNAMELIST_TUI_MESSAGE_DIALOG_H_

#include <string>
#include <vector>

#include "tui/curses_screen.h"
#include "tui/screen.h"

namespace glnamelist::tui {

// text cut into lines of at most width columns, at line breaks and wherever a line is
// full (Chinese text has no spaces to break at).
std::vector<std::string> WrapText(const std::string& text, int width);

class MessageDialog {
 public:
  static constexpr int kMaxTextWidth = 56;
  static constexpr const char* kOkButton = "[ 确定 ]";

  MessageDialog(std::string text, std::string caption);
  // Where the dialog goes on a screen of rows x cols (frame included).
  Rect Frame(int rows, int cols) const;
  void Paint(Screen& screen) const;
  // Whether key closes the dialog with OK: Enter, Space or Esc, or the end of the terminal
  // (nobody is left to answer; the form ends at its next key).
  static bool Closes(const KeyPress& key);

 private:
  std::string text_;
  std::string caption_;
};

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_TUI_MESSAGE_DIALOG_H_
