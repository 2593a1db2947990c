#include "tui/curses_message_box.h"

#include "contracts/virtual_keys.h"
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
    KeyPress key = read_key_ ? read_key_() : screen_.ReadKey();
    // Without a terminal nobody can answer; the form ends at its next key.
    if (key.kind == KeyPress::kEnd) return platform::kButtonOk;
    bool ok = key.kind == KeyPress::kChar &&
              (key.code == '\r' || key.code == '\n' || key.code == ' ' || key.code == VK_ESCAPE);
    if (ok || (key.kind == KeyPress::kKey && key.code == VK_RETURN)) {
      return platform::kButtonOk;
    }
  }
}

}  // namespace glnamelist::tui
