// The window procedure of a single-line text box.
#include <algorithm>
#include <memory>
#include <string>

#include "contracts/environment.h"
#include "contracts/text.h"
#include "platform/utf16_joiner.h"
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

void Insert(WindowSystem& windows, long hWnd, char32_t code) {
  if (text::CharCount(windows.Text(hWnd)) >= kMaxEditChars) return;
  size_t caret = static_cast<size_t>(windows.Caret(hWnd));
  Edit(windows, hWnd, caret, caret, text::EncodeUtf8(code));
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

// A text box's procedure, holding the high surrogate of a character still half typed. The
// window system calls copies of it, so the surrogate lives in one place they share.
class EditProc {
 public:
  long operator()(WindowSystem& windows, long hWnd, long msg, long wParam, long /*lParam*/) {
    if (!windows.IsWindow(hWnd)) return 0;
    if (msg == WM_CHAR) OnChar(windows, hWnd, wParam & 0xFFFF);
    if (msg == WM_KEYDOWN) OnKeyDown(windows, hWnd, wParam & 0xFFFF);
    return 0;
  }

 private:
  void OnChar(WindowSystem& windows, long hWnd, long unit) {
    if (!IsEditable(windows, hWnd)) return;
    for (char32_t code : joiner_->Add(unit)) {
      if (code == VK_BACK) {
        size_t caret = static_cast<size_t>(windows.Caret(hWnd));
        if (caret > 0) Edit(windows, hWnd, caret - 1, caret, "");
      } else if (code >= 32 && code != 127) {
        Insert(windows, hWnd, code);
      }
    }
  }

  std::shared_ptr<Utf16Joiner> joiner_ = std::make_shared<Utf16Joiner>();
};

}  // namespace

WindowProc NewEditWindowProc() { return EditProc(); }

}  // namespace glnamelist::platform
