#include "apps/voucher/tui/form_layout.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "contracts/text.h"
#include "tui/text.h"

namespace glnamelist::tui {
namespace {
constexpr int kHeaderRows = 2;  // title and a blank row
constexpr int kFooterRows = 3;  // two help lines and the status line
}  // namespace

Rect FormLayout::Box(size_t i) const {
  return Rect{first_field_row + static_cast<int>(i) * spacing, box_x, 1, box_width};
}

int MinFormRows(size_t fields) { return kHeaderRows + static_cast<int>(fields) + 1 + kFooterRows; }

FormLayout LayOutForm(int rows, int cols, size_t fields) {
  FormLayout l;
  l.fits = rows >= MinFormRows(fields) && cols >= kMinFormCols;
  if (!l.fits) return l;
  int n = static_cast<int>(fields);
  l.spacing = rows >= kHeaderRows + 2 * n + kFooterRows ? 2 : 1;
  l.first_field_row = kHeaderRows;
  l.label_x = 1;
  l.box_x = l.label_x + kLabelWidth + 1;
  l.box_width = std::min(kMaxBoxWidth, cols - l.box_x - 2);
  l.status_row = rows - 1;
  l.help_row = rows - 3;
  return l;
}

std::string TooSmallMessage(int rows, int cols, size_t fields) {
  return "终端太小：至少需要 " + std::to_string(kMinFormCols) + " 列 x " +
         std::to_string(MinFormRows(fields)) + " 行（现在 " + std::to_string(cols) + " x " +
         std::to_string(rows) + "）";
}

GridLayout LayOutGrid(int rows, int cols, int amount_width) {
  GridLayout l;
  // 摘要 科目 核算类别 核算项目 币别 借方 贷方 in 80 columns, and how narrow each text column
  // may get for wide amounts: 摘要 first, then 科目, 核算项目, 核算类别, 币别.
  static constexpr int kWidths[7] = {12, 10, 8, 9, 5, kAmountWidth, kAmountWidth};
  static constexpr int kNarrowest[5] = {6, 6, 4, 4, 4};
  static constexpr int kNarrowedFirst[5] = {0, 1, 3, 2, 4};
  l.fits = rows >= kMinGridRows && cols >= 80;
  if (!l.fits) return l;
  amount_width = std::clamp(amount_width, kAmountWidth, kMaxAmountWidth);
  std::copy(std::begin(kWidths), std::end(kWidths), l.width);
  l.width[5] = l.width[6] = amount_width;
  int extra = cols - 80 - 2 * (amount_width - kAmountWidth);
  if (extra >= 0) {
    l.width[0] += extra - extra / 2;
    l.width[1] += extra / 2;
  }
  for (int c : kNarrowedFirst) {
    int take = std::min(-extra, l.width[c] - kNarrowest[c]);
    if (take <= 0) continue;
    l.width[c] -= take;
    extra += take;
  }
  int x = l.number_x + 4;
  for (int c = 0; c < 7; ++c) {
    l.x[c] = x;
    x += l.width[c] + 1;
  }
  l.status_row = rows - 1;
  l.help_row = rows - 3;
  l.name_row = rows - 4;
  l.capitals_row = rows - 5;
  l.totals_row = rows - 6;
  l.visible_lines = l.totals_row - l.first_line_row;
  return l;
}

std::string GridTooSmallMessage(int rows, int cols) {
  return "终端太小：至少需要 80 列 x " + std::to_string(kMinGridRows) + " 行（现在 " +
         std::to_string(cols) + " x " + std::to_string(rows) + "）";
}

BoxView ViewOfBox(const std::string& text, long caret, int width) {
  // The characters before the caret that the box may show, found without decoding the rest
  // of a text of any length into a list: newest last.
  const size_t keep = static_cast<size_t>(std::max(width, 1)) * kBytesPerColumn;
  std::vector<Glyph> before;
  size_t at = 0;
  for (long c = 0; at < text.size() && c < caret; ++c) {
    if (before.size() == 2 * keep) before.erase(before.begin(), before.begin() + keep);
    text::Decoded d = text::DecodeAt(text, at);
    before.push_back({d.code, at, d.length});
    at += d.length;
  }
  // First shown character: as far left as keeps the caret inside the box; the start when the
  // whole text fits.
  size_t first = before.size();
  int used = 0;
  while (first > 0 && used + CharWidth(before[first - 1].code) <= width - 1) {
    used += CharWidth(before[first - 1].code);
    --first;
  }
  BoxView view;
  size_t from = first < before.size() ? before[first].offset : at;
  if (WidthUpTo(text, width) < width) {
    from = 0;
    used = TextWidth(std::string_view(text).substr(0, at));
  }
  view.text = ClipToWidth(std::string_view(text).substr(from), width);
  view.caret_x = used;
  return view;
}

}  // namespace glnamelist::tui
