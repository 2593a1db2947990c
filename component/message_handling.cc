// How the text box's messages and the list control's selection changes reach the lists.
#include "component/message_handling.h"

#include "component/gl_name_list_impl.h"
#include "contracts/environment.h"

namespace glnamelist {
namespace {
constexpr long kPointChar = '.';

long LowWord(long value) { return value & 0xFFFF; }
}  // namespace

bool IsWindowEditable(long hWnd) {
  Environment& env = Env();
  if (env.IsWindowEnabled(hWnd) == 0) return false;
  return (env.GetWindowLongA(hWnd, GWL_STYLE) & ES_READONLY) == 0;
}

void GLNameListImpl::SubClass_EnterWindowProc(long hWnd, long& Msg, long& wParam, long& lParam,
                                              bool& bExecProc, long& lResult) {
  long r = 0;
  state_.list_control->EnterWindowProc(hWnd, Msg, wParam, lParam, bExecProc, r);
  lResult = r;
}

void GLNameListImpl::SubClass_LeaveWindowProc(long hWnd, long Msg, long wParam, long lParam) {
  state_.list_control->LeaveWindowProc(hWnd, Msg, wParam, lParam);
  switch (Msg) {
    case WM_SETFOCUS:
      if (state_.hot_trace) dispatcher_.ShowList(state_);
      break;
    case WM_KEYDOWN:
      if (LowWord(wParam) == VK_F8) {
        dispatcher_.ShowList(state_);
      } else if (LowWord(wParam) == VK_F9) {
        dispatcher_.SearchList(state_);
      }
      break;
    case WM_CHAR:
      if (LowWord(wParam) == kPointChar && state_.hot_trace &&
          (state_.name_list_type == nlAccount || state_.name_list_type == nlItem)) {
        dispatcher_.ShowList(state_);
      }
      break;
    default:
      break;
  }
}

void GLNameListImpl::MyNameList_SelChanged() {
  // With no text box attached there is nothing to list for.
  if (!state_.text_box) return;
  long owner = state_.list_control->OwnerHwnd();
  long box = state_.text_box->hWnd();
  if (owner == box && state_.hot_trace) dispatcher_.ShowList(state_);
}

}  // namespace glnamelist
