#include "tui/message_dialog.h"

#include <algorithm>

#include "contracts/virtual_keys.h"
#include "tui/text.h"

namespace glnamelist::tui {

std::vector<std::string> WrapText(const std::string& text, int width) {
  std::vector<std::string> lines(1);
  int used = 0;
  width = std::max(width, 2);
  for (const Glyph& g : DecodeUtf8(text)) {
    if (g.code == '\n') {
      lines.emplace_back();
      used = 0;
      continue;
    }
    int w = CharWidth(g.code);
    if (used + w > width) {
      lines.emplace_back();
      used = 0;
    }
    lines.back() += text.substr(g.offset, g.length);
    used += w;
  }
  return lines;
}

MessageDialog::MessageDialog(std::string text, std::string caption)
    : text_(std::move(text)), caption_(std::move(caption)) {}

Rect MessageDialog::Frame(int rows, int cols) const {
  int text_width = std::min(kMaxTextWidth, std::max(cols - 6, 2));
  std::vector<std::string> lines = WrapText(text_, text_width);
  int widest = TextWidth(kOkButton);
  for (const std::string& l : lines) widest = std::max(widest, TextWidth(l));
  widest = std::max(widest, TextWidth(caption_) + 4);
  Rect f;
  f.width = std::min(widest + 6, cols);
  f.height = std::min(static_cast<int>(lines.size()) + 6, rows);
  f.y = std::max((rows - f.height) / 2, 0);
  f.x = std::max((cols - f.width) / 2, 0);
  return f;
}

void MessageDialog::Paint(Screen& screen) const {
  Rect f = Frame(screen.Rows(), screen.Cols());
  FillRect(screen, f, Style::kNormal);
  DrawFrame(screen, f, Style::kFrame);
  if (!caption_.empty()) {
    screen.Put(f.y, f.x + 2, ClipToWidth(" " + caption_ + " ", f.width - 4), Style::kTitle);
  }
  std::vector<std::string> lines = WrapText(text_, std::max(f.width - 6, 2));
  for (size_t i = 0; i < lines.size() && f.y + 2 + static_cast<int>(i) < f.y + f.height - 3; ++i) {
    screen.Put(f.y + 2 + static_cast<int>(i), f.x + 3, lines[i], Style::kNormal);
  }
  int button_width = TextWidth(kOkButton);
  screen.Put(f.y + f.height - 2, f.x + (f.width - button_width) / 2, kOkButton, Style::kButton);
}

bool MessageDialog::Closes(const KeyPress& key) {
  if (key.kind == KeyPress::kEnd) return true;
  if (key.kind == KeyPress::kKey) return key.code == VK_RETURN;
  return key.kind == KeyPress::kChar &&
         (key.code == '\r' || key.code == '\n' || key.code == ' ' || key.code == VK_ESCAPE);
}

}  // namespace glnamelist::tui
