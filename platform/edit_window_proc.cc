// The window procedure of a single-line text box.
#include <algorithm>
#include <string>

#include "contracts/environment.h"
#include "contracts/text.h"
#include "platform/window_system.h"

namespace glnamelist::platform {
namespace {

bool IsEditable(const WindowSystem& windows, long hWnd) {
  return windows.IsWindowEnabled(hWnd) != 0 && (windows.Style(hWnd) & ES_READONLY) == 0;
}

// Replaces the characters [from, to) of the text with insert and puts the caret after it.
void Edit(WindowSystem& windows, long hWnd, size_t from, size_t to, const std::string& insert) {
  std::string text = windows.Text(hWnd);
  size_t begin = text::OffsetOfChar(text, from);
  size_t end = text::OffsetOfChar(text, to);
  text.replace(begin, end - begin, insert);
  windows.SetText(hWnd, text);
  windows.SetCaret(hWnd, static_cast<long>(from + text::CharCount(insert)));
}

void OnChar(WindowSystem& windows, long hWnd, long code) {
  if (!IsEditable(windows, hWnd)) return;
  size_t caret = static_cast<size_t>(windows.Caret(hWnd));
  if (code == VK_BACK) {
    if (caret > 0) Edit(windows, hWnd, caret - 1, caret, "");
    return;
  }
  if (code < 32 || code == 127) return;
  std::string ch = text::EncodeUtf8(static_cast<char32_t>(code));
  if (!ch.empty()) Edit(windows, hWnd, caret, caret, ch);
}

void OnKeyDown(WindowSystem& windows, long hWnd, long key) {
  long caret = windows.Caret(hWnd);
  long length = static_cast<long>(text::CharCount(windows.Text(hWnd)));
  switch (key) {
    case VK_HOME:
      windows.SetCaret(hWnd, 0);
      break;
    case VK_END:
      windows.SetCaret(hWnd, length);
      break;
    case VK_LEFT:
      windows.SetCaret(hWnd, std::max(caret - 1, 0L));
      break;
    case VK_RIGHT:
      windows.SetCaret(hWnd, std::min(caret + 1, length));
      break;
    case VK_DELETE:
      if (caret < length && IsEditable(windows, hWnd)) {
        Edit(windows, hWnd, static_cast<size_t>(caret), static_cast<size_t>(caret) + 1, "");
      }
      break;
    default:
      break;
  }
}

}  // namespace

long EditWindowProc(WindowSystem& windows, long hWnd, long msg, long wParam, long /*lParam*/) {
  if (!windows.IsWindow(hWnd)) return 0;
  if (msg == WM_CHAR) OnChar(windows, hWnd, wParam);
  if (msg == WM_KEYDOWN) OnKeyDown(windows, hWnd, wParam & 0xFFFF);
  return 0;
}

}  // namespace glnamelist::platform
