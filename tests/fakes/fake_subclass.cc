#include "tests/fakes/fake_subclass.h"

namespace glnamelist::fakes {

FakeSubClass::~FakeSubClass() {
  hooked_ = false;
  log()->Add("SubClass.Released()");
}

void FakeSubClass::Hook(long hWnd) {
  Call("Hook", DescribeArgs(hWnd));
  hooked_ = true;
  hwnd_ = hWnd;
}

void FakeSubClass::Unhook() {
  Call("Unhook");
  hooked_ = false;
}

FakeSubClass::Outcome FakeSubClass::Send(long msg, long wParam, long lParam, long lresult_start) {
  Outcome out;
  out.result = lresult_start;
  if (!hooked_) return out;
  long m = msg, w = wParam, l = lParam;
  EnterWindowProc.Raise(hwnd_, m, w, l, out.exec_proc, out.result);
  LeaveWindowProc.Raise(hwnd_, msg, wParam, lParam);
  return out;
}

}  // namespace glnamelist::fakes
