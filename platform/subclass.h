// The window-subclassing object over our window system.
//
// Hook(hWnd) adds a hook to the window's subclass chain that raises EnterWindowProc before
// and LeaveWindowProc after the rest of the chain; Hook while hooked moves the hook to the
// new window; Hook of an unknown window raises Error 5 and changes nothing.
// Unhook ends the reports (nothing when not hooked). Destroying a hooked object unhooks it.
#ifndef GLNAMELIST_PLATFORM_SUBCLASS_H_
#define GLNAMELIST_PLATFORM_SUBCLASS_H_

#include "contracts/subclass.h"
#include "platform/window_system.h"

namespace glnamelist::platform {

class WindowSubClass : public SubClass {
 public:
  // windows must outlive every Hook call; the object may outlive windows.
  explicit WindowSubClass(WindowSystem& windows) : windows_(windows) {}
  ~WindowSubClass() override = default;  // the scoped hook unhooks

  void Hook(long hWnd) override;
  void Unhook() override;

 private:
  WindowSystem& windows_;
  ScopedHook hook_;
};

}  // namespace glnamelist::platform

#endif  // GLNAMELIST_PLATFORM_SUBCLASS_H_
