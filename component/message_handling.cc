// How the text box's messages and the list control's selection changes reach the lists.
#include "component/message_handling.h"

#include "component/gl_name_list.h"
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

void GLNameList::SubClass_EnterWindowProc(long hWnd, long& Msg, long& wParam, long& lParam,
                                          bool& bExecProc, long& lResult) {
  long r = 0;
  s_.MyNameList->EnterWindowProc(hWnd, Msg, wParam, lParam, bExecProc, r);
  lResult = r;
}

void GLNameList::SubClass_LeaveWindowProc(long hWnd, long Msg, long wParam, long lParam) {
  s_.MyNameList->LeaveWindowProc(hWnd, Msg, wParam, lParam);
  switch (Msg) {
    case WM_SETFOCUS:
      if (s_.HotTrace) dispatcher_.ShowList(s_);
      break;
    case WM_KEYDOWN:
      if (LowWord(wParam) == VK_F8) {
        dispatcher_.ShowList(s_);
      } else if (LowWord(wParam) == VK_F9) {
        dispatcher_.SearchList(s_);
      }
      break;
    case WM_CHAR:
      if (LowWord(wParam) == kPointChar && s_.HotTrace &&
          (s_.NameListType == nlAccount || s_.NameListType == nlItem)) {
        dispatcher_.ShowList(s_);
      }
      break;
    default:
      break;
  }
}

void GLNameList::MyNameList_SelChanged() {
  // With no text box attached there is nothing to list for.
  if (!s_.TextBox) return;
  long owner = s_.MyNameList->OwnerHwnd();
  long box = s_.TextBox->hWnd();
  if (owner == box && s_.HotTrace) dispatcher_.ShowList(s_);
}

}  // namespace glnamelist
