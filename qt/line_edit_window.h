// A QLineEdit as a window of the platform's window system, so that a name list hooks it as
// it hooks any other box.
//
// The window mirrors the line edit: its text (UTF-8), whether it is enabled (its parents
// included) and whether it is read-only (ES_READONLY). The line edit's focus and key events
// become the window's messages, sent through its subclass chain, so that every hook sees a
// message before the line edit handles it (and may stop it) and again after:
//   focus in, focus out          WM_SETFOCUS, WM_KILLFOCUS
//   a key press                  WM_KEYDOWN with its virtual-key code (key_codes.h), then a
//                                WM_CHAR for each UTF-16 unit of the text it types (control
//                                characters too: Enter 13, Esc 27, Backspace 8)
//   text an input method commits a WM_CHAR for each of its UTF-16 units
// The window's own procedure is the line edit: it handles the focus event, and the key event
// of a key that types no text, when their message reaches it; typed characters it inserts
// when their WM_CHARs reach it, as the units spell them after the hooks (U+FFFD for a lone
// surrogate). A key a hook stops goes no further (not to the dialog around the line edit).
// An error raised by a hook goes to the error handler (SetErrorHandler).
#ifndef GLNAMELIST_QT_LINE_EDIT_WINDOW_H_
#define GLNAMELIST_QT_LINE_EDIT_WINDOW_H_

#include <QLineEdit>
#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "platform/environment.h"
#include "platform/utf16_joiner.h"

namespace glnamelist::qt {

class LineEditWindow : public QObject {
 public:
  // The window of line in the installed platform environment, made at the first call; it
  // lives as long as line does (the object is line's child). Error 429 while no platform
  // environment is installed.
  static LineEditWindow& Of(QLineEdit* line);
  // The line edit whose window is hWnd in the installed platform environment; nullptr for
  // none.
  static QLineEdit* LineEditOf(long hWnd);
  // Where errors raised while a message is delivered go (a Qt event handler cannot pass
  // them on); an empty handler restores the default, a warning on standard error.
  static void SetErrorHandler(std::function<void(const std::exception&)> handler);

  ~LineEditWindow() override;

  long hWnd() const { return hwnd_; }

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit LineEditWindow(QLineEdit* line);

  // Sends msg through the window's chain; event is what the line edit handles when msg
  // reaches the window's procedure (nullptr: nothing). True when event went no further.
  bool Send(long msg, long wParam, QEvent* event);
  bool OnKeyPress(QKeyEvent* key);
  bool OnInputMethod(QInputMethodEvent* input);
  long Procedure(long msg, long wParam);
  void Type(long unit);
  void MirrorText();

  // The message whose event the line edit is to handle, while it travels the chain.
  struct Pending {
    long msg = 0;
    QEvent* event = nullptr;
    bool delivered = false;
  };

  QLineEdit* line_;
  std::shared_ptr<platform::PlatformEnvironment> env_;
  long hwnd_ = 0;
  Pending* pending_ = nullptr;
  platform::Utf16Joiner typed_;
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_QT_LINE_EDIT_WINDOW_H_
