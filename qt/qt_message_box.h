// The message box of a Qt host, on QMessageBox.
#ifndef GLNAMELIST_QT_QT_MESSAGE_BOX_H_
#define GLNAMELIST_QT_QT_MESSAGE_BOX_H_

#include "platform/message_box.h"

namespace glnamelist::qt {

// Shows text under caption over the window that has the focus, with the icon of the style
// (16 critical, 32 question, 48 warning, 64 information) and an OK button. The box is
// modal to that window but the call does not wait for it: it answers OK at once, so that
// the component's handling of the message that asked for it ends before the box takes the
// focus. The box goes when it is closed.
class QtMessageBox : public platform::MessageBoxPresenter {
 public:
  long Show(const std::string& text, long style, const std::string& caption) override;
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_QT_QT_MESSAGE_BOX_H_
