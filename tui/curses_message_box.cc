#include "tui/curses_message_box.h"

#include "tui/message_dialog.h"

namespace glnamelist::tui {

CursesMessageBox::CursesMessageBox(CursesScreen& screen, std::function<void()> repaint,
                                   std::function<KeyPress()> read_key)
    : screen_(screen), repaint_(std::move(repaint)), read_key_(std::move(read_key)) {}

long CursesMessageBox::Show(const std::string& text, long /*style*/, const std::string& caption) {
  MessageDialog dialog(text, caption);
  for (;;) {
    if (repaint_) repaint_();
    dialog.Paint(screen_);
    screen_.SetCursor(-1, 0);
    screen_.Refresh();
    if (MessageDialog::Closes(read_key_ ? read_key_() : screen_.ReadKey())) {
      return platform::kButtonOk;
    }
  }
}

}  // namespace glnamelist::tui
