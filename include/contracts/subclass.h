// The window-subclassing object: reports the messages of one window.
//
// After Hook(hWnd), every message sent to that window raises EnterWindowProc before the
// window's own procedure runs (which runs only if bExecProc is still true afterwards; a
// handler may set lResult as the message's result) and LeaveWindowProc after it. Unhook
// ends the reports; an object released while hooked unhooks itself.
#ifndef GLNAMELIST_CONTRACTS_SUBCLASS_H_
#define GLNAMELIST_CONTRACTS_SUBCLASS_H_

#include <memory>

#include "contracts/api.h"
#include "contracts/event.h"
#include "contracts/object.h"

namespace glnamelist {

class GLNAMELIST_API SubClass : public Object {
 public:
  virtual void Hook(long hWnd) = 0;
  virtual void Unhook() = 0;

  // (hWnd, Msg, wParam, lParam, bExecProc, lResult)
  Event<long, long&, long&, long&, bool&, long&> EnterWindowProc;
  // (hWnd, Msg, wParam, lParam)
  Event<long, long, long, long> LeaveWindowProc;
};

using SubClassPtr = std::shared_ptr<SubClass>;

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_SUBCLASS_H_
