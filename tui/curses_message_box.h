// The message box presenter of the terminal.
#ifndef GLNAMELIST_TUI_CURSES_MESSAGE_BOX_H_
#define GLNAMELIST_TUI_CURSES_MESSAGE_BOX_H_

#include <functional>
#include <string>

#include "platform/message_box.h"
#include "tui/curses_screen.h"

namespace glnamelist::tui {

// Shows each message box as a MessageDialog on the terminal until OK (Enter, Space or
// Esc) is pressed, and answers OK. repaint draws the form behind the dialog. The keys come
// from read_key, when given (a host that reads keys ahead hands over those first), else
// from the screen.
class CursesMessageBox : public platform::MessageBoxPresenter {
 public:
  CursesMessageBox(CursesScreen& screen, std::function<void()> repaint,
                   std::function<KeyPress()> read_key = {});
  long Show(const std::string& text, long style, const std::string& caption) override;

 private:
  CursesScreen& screen_;
  std::function<void()> repaint_;
  std::function<KeyPress()> read_key_;
};

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_TUI_CURSES_MESSAGE_BOX_H_
