#include "tui/list_data.h"

#include <algorithm>

namespace glnamelist::tui {
namespace {
const TerminalListData::Row kEmptyRow{};
}  // namespace

void TerminalListData::Cols(long NewVal) { cols_ = std::clamp(NewVal, 1L, 2L); }

void TerminalListData::Rows(long NewVal) {
  rows_ = std::max(NewVal, 0L);
  rows_by_number_.clear();
  asked_.clear();
}

void TerminalListData::CellText(long Row, long Col, const std::string& Text) {
  if (Row < 1 || Row > rows_ || Col < 0 || Col > 2) return;
  rows_by_number_[Row].cells[static_cast<size_t>(Col)] = Text;
}

void TerminalListData::RowPicture(long Row, PicturePtr Pic) {
  if (Row < 1 || Row > rows_) return;
  rows_by_number_[Row].picture = std::move(Pic);
}

std::vector<int> TerminalListData::ShownColumns() const {
  std::vector<int> shown;
  if (OnRequest()) shown.push_back(0);
  for (int c = 1; c <= cols_; ++c) shown.push_back(c);
  return shown;
}

const TerminalListData::Row& TerminalListData::Fetch(long row) {
  if (OnRequest() && row >= 1 && row <= rows_ && asked_.insert(row).second) {
    DataRequest.Raise(row);
  }
  return Peek(row);
}

const TerminalListData::Row& TerminalListData::Peek(long row) const {
  auto it = rows_by_number_.find(row);
  return it == rows_by_number_.end() ? kEmptyRow : it->second;
}

}  // namespace glnamelist::tui
