// Fake of the window-subclassing object ("SubClass.").
//
//   sub->Send(WM_KEYDOWN, VK_F8, 0);   // a message to the hooked window: raises
//                                      // EnterWindowProc, then LeaveWindowProc
//
// Hook and Unhook are recorded; the object's end is recorded as "SubClass.Released()" (a
// hooked object unhooks itself then, without a separate Unhook record).
#ifndef GLNAMELIST_TESTS_FAKES_FAKE_SUBCLASS_H_
#define GLNAMELIST_TESTS_FAKES_FAKE_SUBCLASS_H_

#include "contracts/subclass.h"
#include "tests/fakes/call_log.h"

namespace glnamelist::fakes {

class FakeSubClass : public SubClass, public FakeRecorder {
 public:
  explicit FakeSubClass(CallLogPtr log = nullptr) : FakeRecorder("SubClass", std::move(log)) {}
  ~FakeSubClass() override { log()->Add("SubClass.Released()"); }

  void Hook(long hWnd) override {
    Call("Hook", DescribeArgs(hWnd));
    hooked_ = true;
    hwnd_ = hWnd;
  }
  void Unhook() override { Call("Unhook"), hooked_ = false; }

  // The result of a message sent to a hooked window.
  struct Outcome {
    bool exec_proc = true;  // bExecProc after EnterWindowProc
    long result = 0;        // lResult after EnterWindowProc
  };
  // Sends a message to the hooked window as a window procedure would report it:
  // EnterWindowProc (bExecProc starting true, lResult starting at lresult_start), then
  // LeaveWindowProc. Messages are not reported while unhooked (the result is the default).
  Outcome Send(long msg, long wParam, long lParam, long lresult_start = 0) {
    Outcome out{.result = lresult_start};
    if (!hooked_) return out;
    long m = msg, w = wParam, l = lParam;
    EnterWindowProc.Raise(hwnd_, m, w, l, out.exec_proc, out.result);
    LeaveWindowProc.Raise(hwnd_, msg, wParam, lParam);
    return out;
  }

  bool hooked() const { return hooked_; }

 private:
  bool hooked_ = false;
  long hwnd_ = 0;
};

}  // namespace glnamelist::fakes

#endif  // GLNAMELIST_TESTS_FAKES_FAKE_SUBCLASS_H_
