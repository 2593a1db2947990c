// Our own small window system for single-line text boxes.
//
// A window has a handle (counted from 1, never reused), a UTF-8 text with a caret, an
// enabled flag, style bits (ES_READONLY) and a window procedure. Messages sent to a window
// travel through its subclass chain: the most recently added hook sees a message first.
// Each hook gets a `before` call with the message by reference (changes reach the rest of
// the chain), bExecProc = true and lResult = 0; when bExecProc stays true the rest of the
// chain (older hooks, then the window's own procedure) handles the message and its result
// becomes the message's result, otherwise the result is whatever `before` left in lResult.
// Then the hook gets its `after` call, whatever bExecProc was. A hook removed while a
// message is in flight gets no further calls; an error thrown by a hook or a procedure
// ends the delivery and reaches the sender.
//
// The Win32-style functions (IsWindowEnabled, GetWindowLongA, GetWindowTextLengthA,
// GetWindowTextA, SendMessage) return 0 for an unknown handle; the host-side setters and
// AddHook raise Error 5 for one.
#ifndef GLNAMELIST_PLATFORM_WINDOW_SYSTEM_H_
#define GLNAMELIST_PLATFORM_WINDOW_SYSTEM_H_

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "contracts/api.h"
#include "contracts/virtual_keys.h"

namespace glnamelist::platform {

class WindowSystem;
// The windows and hooks of one WindowSystem (defined in window_system.cc).
struct WindowSystemState;

// A window procedure: handles one message and returns its result.
using WindowProc =
    std::function<long(WindowSystem& windows, long hWnd, long msg, long wParam, long lParam)>;

// The procedure of a text box, one per box: WM_CHAR inserts the character (a UTF-16 code
// unit in wParam; a character beyond U+FFFF comes as two, its high surrogate first) at the
// caret and Backspace (8) deletes the character before it; WM_KEYDOWN with VK_DELETE
// deletes the character after the caret, VK_HOME/VK_END/VK_LEFT/VK_RIGHT move the caret. A
// surrogate without its partner becomes U+FFFD. The box holds at most kMaxEditChars
// characters: what would go past that is dropped. A read-only or disabled box keeps its
// text (the caret still moves). Other characters below 32 and other messages are ignored.
// Returns 0.
inline constexpr size_t kMaxEditChars = 255;
WindowProc NewEditWindowProc();

// Removes its hook when destroyed or reset, if the window system still exists. Move-only.
class ScopedHook {
 public:
  ScopedHook() = default;
  ScopedHook(ScopedHook&& other) noexcept;
  ScopedHook& operator=(ScopedHook&& other) noexcept;
  ScopedHook(const ScopedHook&) = delete;
  ScopedHook& operator=(const ScopedHook&) = delete;
  ~ScopedHook();

  void reset();
  // The hook id, 0 when none is held.
  long id() const { return id_; }

 private:
  friend class WindowSystem;
  ScopedHook(std::weak_ptr<WindowSystemState> windows, long id)
      : windows_(std::move(windows)), id_(id) {}

  std::weak_ptr<WindowSystemState> windows_;
  long id_ = 0;
};

class GLNAMELIST_INTERNAL WindowSystem {
 public:
  // (hWnd, Msg, wParam, lParam, bExecProc, lResult)
  using BeforeHook = std::function<void(long hWnd, long& msg, long& wParam, long& lParam,
                                        bool& bExecProc, long& lResult)>;
  // (hWnd, Msg, wParam, lParam)
  using AfterHook = std::function<void(long hWnd, long msg, long wParam, long lParam)>;

  WindowSystem();
  WindowSystem(const WindowSystem&) = delete;
  WindowSystem& operator=(const WindowSystem&) = delete;
  ~WindowSystem();

  // A new enabled window holding text (caret at its end); a new edit procedure when proc is
  // empty.
  long CreateWindow(const std::string& text = "", long style = 0, WindowProc proc = {});
  // Removes the window and its hooks; nothing for an unknown handle.
  void DestroyWindow(long hWnd);
  bool IsWindow(long hWnd) const;

  // Host-side access (Error 5 for an unknown handle).
  std::string Text(long hWnd) const;
  void SetText(long hWnd, const std::string& text);  // caret to the end
  // The caret as a count of characters (code points) before it.
  long Caret(long hWnd) const;
  void SetCaret(long hWnd, long position);  // clamped to the text
  void EnableWindow(long hWnd, bool enabled);
  long Style(long hWnd) const;
  void SetStyle(long hWnd, long style);
  void SetReadOnly(long hWnd, bool readOnly);  // sets or clears ES_READONLY

  // Focus: SetFocus sends WM_KILLFOCUS to the window losing it and WM_SETFOCUS to hWnd.
  void SetFocus(long hWnd);
  long GetFocus() const;  // 0 when no window has the focus

  // Delivers a message through the subclass chain; 0 for an unknown handle.
  long SendMessage(long hWnd, long msg, long wParam, long lParam);

  // Adds a hook to the window's chain (outermost); returns its id (from 1 up).
  long AddHook(long hWnd, BeforeHook before, AfterHook after);
  // The same, removed again when the returned object goes.
  ScopedHook AddScopedHook(long hWnd, BeforeHook before, AfterHook after);
  // Removes a hook; nothing for an unknown or removed id.
  void RemoveHook(long id);
  long HookCount(long hWnd) const;

  // The window functions, with UTF-8 as the "ANSI" code page. 0 for an unknown handle.
  long IsWindowEnabled(long hWnd) const;
  long GetWindowLongA(long hWnd, long nIndex) const;  // GWL_STYLE only; 0 otherwise
  long GetWindowTextLengthA(long hWnd) const;         // bytes
  // Copies at most min(nMaxCount, lpString.size()) - 1 bytes of the text, never half a
  // character, over the start of lpString followed by a NUL byte; returns the bytes
  // copied. Nothing is written when that limit is below 0.
  long GetWindowTextA(long hWnd, std::string& lpString, long nMaxCount) const;

 private:
  std::shared_ptr<WindowSystemState> state_;
};

}  // namespace glnamelist::platform

#endif  // GLNAMELIST_PLATFORM_WINDOW_SYSTEM_H_
