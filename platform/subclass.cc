#include "platform/subclass.h"

namespace glnamelist::platform {

void WindowSubClass::Hook(long hWnd) {
  // Adding first keeps the old hook when the new window is refused.
  ScopedHook hook = windows_.AddScopedHook(
      hWnd,
      [this](long h, long& msg, long& wParam, long& lParam, bool& bExecProc, long& lResult) {
        EnterWindowProc.Raise(h, msg, wParam, lParam, bExecProc, lResult);
      },
      [this](long h, long msg, long wParam, long lParam) {
        LeaveWindowProc.Raise(h, msg, wParam, lParam);
      });
  hook_ = std::move(hook);
}

void WindowSubClass::Unhook() { hook_.reset(); }

}  // namespace glnamelist::platform
