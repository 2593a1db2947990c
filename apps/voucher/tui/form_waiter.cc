#include "apps/voucher/tui/form_waiter.h"

#include "apps/voucher/tui/voucher_form.h"
#include "apps/voucher/voucher_boxes.h"
#include "contracts/virtual_keys.h"
#include "tui/text.h"

namespace glnamelist::tui {
namespace {

constexpr long kCtrlL = 12;
constexpr long kCtrlQ = 17;

// The label of the box of a list kind.
std::string KindWord(long kind) {
  for (const voucher::VoucherBoxes::BoxKind& box : voucher::VoucherBoxes::Kinds()) {
    if (box.kind == kind) return box.label;
  }
  return "";
}

}  // namespace

std::string FormWaiter::WaitingText(const PendingRead& read) {
  const std::string word = KindWord(read.kind);
  const std::string what = read.save      ? "保存凭证"
                           : word.empty() ? "打开账套"
                                          : (read.lookup ? "查找" : "列出") + word;
  return std::string("正在等待") + (read.server ? "账套服务器：" : "账套文件：") + what +
         "…  Esc 放弃";
}

bool FormWaiter::Wait(const PendingRead& read,
                      const std::function<bool(std::chrono::milliseconds)>& answered) {
  const std::string text = WaitingText(read);
  Show(text);
  while (!answered(std::chrono::milliseconds(0))) {
    KeyPress key = screen_.ReadKey(static_cast<int>(kKeySlice.count()));
    if (key.kind == KeyPress::kNone) continue;
    if (!Typed(key)) return answered(std::chrono::milliseconds(0));
    Show(text);  // after a resize, or over what Ctrl-L drew again
  }
  return true;
}

bool FormWaiter::Typed(const KeyPress& key) {
  if (key.kind == KeyPress::kChar && key.code == kCtrlL) {
    screen_.Repaint();
    return true;
  }
  const bool quits = (key.kind == KeyPress::kKey && key.code == VK_F10) ||
                     (key.kind == KeyPress::kChar && key.code == kCtrlQ);
  if (key.kind == KeyPress::kChar && key.code == VK_ESCAPE) {
    giving_up_ = true;
  } else if (!form_.Press(key)) {
    giving_up_ = closed_ = true;
  } else {
    giving_up_ = quits;
  }
  return !giving_up_;
}

void FormWaiter::Show(const std::string& text) {
  const int row = screen_.Rows() - 1;
  const int width = screen_.Cols() - 2;
  if (row < 0 || width <= 0) return;
  screen_.Put(row, 1, PadToWidth(FitToWidth(text, width), width), Style::kTitle);
  screen_.SetCursor(-1, -1);
  screen_.Refresh();
}

}  // namespace glnamelist::tui
