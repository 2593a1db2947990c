#include "apps/voucher/tui/voucher_list_screen.h"

#include <algorithm>

#include "apps/voucher/voucher_listing.h"
#include "contracts/text.h"
#include "contracts/virtual_keys.h"
#include "tui/text.h"

namespace glnamelist::tui {

VoucherListScreen::VoucherListScreen(voucher::VoucherEntry& entry) : entry_(entry) { Refresh(); }

void VoucherListScreen::Refresh() {
  list_ = entry_.ListVouchers(filter_).value_or(std::vector<voucher::VoucherSummary>{});
  chosen_ = std::clamp(chosen_, 0, std::max(static_cast<int>(list_.size()) - 1, 0));
}

bool VoucherListScreen::Key(const voucher::FormKey& key) {
  const int last = static_cast<int>(list_.size()) - 1;
  switch (key.vk) {
    case VK_ESCAPE:
      return false;
    case VK_RETURN:
      if (list_.empty()) return true;
      entry_.OpenListed(list_[static_cast<size_t>(chosen_)]);
      return false;
    case VK_UP:
    case VK_DOWN:
      chosen_ += key.vk == VK_UP ? -1 : 1;
      break;
    case VK_PRIOR:
    case VK_NEXT:
      chosen_ += key.vk == VK_PRIOR ? -page_ : page_;
      break;
    case VK_HOME:
      chosen_ = 0;
      break;
    case VK_END:
      chosen_ = last;
      break;
    case VK_BACK:
      if (filter_.empty()) return true;
      // The last character, however many bytes it takes.
      while (!filter_.empty() && (static_cast<unsigned char>(filter_.back()) & 0xC0) == 0x80) {
        filter_.pop_back();
      }
      if (!filter_.empty()) filter_.pop_back();
      Refresh();
      return true;
    default:
      if (key.ch < 32 || key.ch == 127) return true;
      filter_ += glnamelist::text::EncodeUtf8(key.ch);
      Refresh();
      return true;
  }
  chosen_ = std::clamp(chosen_, 0, std::max(last, 0));
  return true;
}

std::pair<int, int> VoucherListScreen::Paint(Screen& s, const std::string& status) {
  const int width = s.Cols() - 2;
  s.Put(0, 1, FitPrintable("凭证列表", width), Style::kTitle);
  const std::string ask = voucher::kListPrompt + filter_;
  s.Put(1, 1, PadToWidth(FitPrintable(ask, width), width), Style::kFocusField);
  s.Put(2, 1, FitPrintable("日期        字   号            金额  摘要", width), Style::kLabel);
  const int first_row = 3, rows = std::max(s.Rows() - first_row - 3, 1);
  page_ = rows;
  const int top = std::max(0, chosen_ - rows + 1);
  for (int i = 0; i < rows && top + i < static_cast<int>(list_.size()); ++i) {
    const int at = top + i;
    s.Put(first_row + i, 1,
          PadToWidth(FitPrintable(voucher::SummaryText(list_[static_cast<size_t>(at)]), width),
                     width),
          at == chosen_ ? Style::kSelected : Style::kField);
  }
  s.Put(s.Rows() - 3, 1, FitPrintable(voucher::ListTotalText(list_), width), Style::kLabel);
  s.Put(s.Rows() - 2, 1,
        FitPrintable("输入筛选  Up/Down PgUp/PgDn Home/End 选择  Enter 打开  Esc 返回", width),
        Style::kHelp);
  s.Put(s.Rows() - 1, 1, FitPrintable(status, width), Style::kStatus);
  return {1, 1 + std::min(TextWidth(ask), width)};
}

}  // namespace glnamelist::tui
