#include "listkit/list_rows.h"

#include <algorithm>

namespace glnamelist::listkit {
namespace {
const ListRows::Row kEmptyRow{};
constexpr std::string_view kParentMark = " +";
}  // namespace

std::string_view ListRows::PlainCode(std::string_view full_code) {
  if (full_code.ends_with(kParentMark)) full_code.remove_suffix(kParentMark.size());
  return full_code;
}

void ListRows::Cols(long NewVal) { cols_ = std::clamp(NewVal, 1L, 2L); }

void ListRows::Rows(long NewVal) {
  rows_ = std::max(NewVal, 0L);
  rows_by_number_.clear();
  asked_.clear();
}

void ListRows::CellText(long Row, long Col, const std::string& Text) {
  if (Row < 1 || Row > rows_ || Col < 0 || Col > 2) return;
  rows_by_number_[Row].cells[static_cast<size_t>(Col)] = Text;
}

void ListRows::RowPicture(long Row, PicturePtr Pic) {
  if (Row < 1 || Row > rows_) return;
  rows_by_number_[Row].picture = std::move(Pic);
}

std::vector<int> ListRows::ShownColumns() const {
  std::vector<int> shown;
  if (OnRequest()) shown.push_back(0);
  for (int c = 1; c <= cols_; ++c) shown.push_back(c);
  return shown;
}

const ListRows::Row& ListRows::Fetch(long row) {
  if (OnRequest() && row >= 1 && row <= rows_ && asked_.insert(row).second) {
    DataRequest.Raise(row);
  }
  return Peek(row);
}

const ListRows::Row& ListRows::Peek(long row) const {
  auto it = rows_by_number_.find(row);
  return it == rows_by_number_.end() ? kEmptyRow : it->second;
}

bool ShowsShortCode(const ListRows& rows, long first, long last, bool code_listing) {
  if (!rows.OnRequest() || !code_listing) return false;
  for (long r = first; r <= last; ++r) {
    if (!ListRows::RepeatsFullCode(rows.Peek(r))) return true;
  }
  return false;
}

}  // namespace glnamelist::listkit
