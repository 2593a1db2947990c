#include "tests/fakes/fake_list_control.h"

namespace glnamelist::fakes {

void FakeNameListData::Cols(long NewVal) {
  Call("Cols", DescribeArgs(NewVal));
  cols = NewVal;
}

void FakeNameListData::ListStyle(long NewVal) {
  Call("ListStyle", DescribeArgs(NewVal));
  list_style = NewVal;
}

void FakeNameListData::RowsOnRequest(long NewVal) {
  Call("RowsOnRequest", DescribeArgs(NewVal));
  rows_on_request = NewVal;
}

void FakeNameListData::Rows(long NewVal) {
  Call("Rows", DescribeArgs(NewVal));
  rows = NewVal;
  cells.clear();
  pictures.clear();
}

void FakeNameListData::CellText(long Row, long Col, const std::string& Text) {
  Call("CellText", DescribeArgs(Row, Col, Text));
  cells[{Row, Col}] = Text;
}

void FakeNameListData::RowPicture(long Row, PicturePtr Pic) {
  Call("RowPicture", DescribeArgs(Row, Pic));
  pictures[Row] = std::move(Pic);
}

void FakeNameListData::FinishRows() {
  Call("FinishRows");
  ++finish_rows_count;
}

std::optional<std::string> FakeNameListData::Cell(long row, long col) const {
  auto it = cells.find({row, col});
  if (it == cells.end()) return std::nullopt;
  return it->second;
}

FakeNameList::FakeNameList(CallLogPtr log)
    : FakeRecorder("NameList", std::move(log)),
      data(std::make_shared<FakeNameListData>(this->log())) {}

void FakeNameList::ListFont(FontPtr NewVal) {
  Call("ListFont", DescribeArgs(NewVal));
  list_font = std::move(NewVal);
}

void FakeNameList::Font(FontPtr NewVal) {
  Call("Font", DescribeArgs(NewVal));
  font = std::move(NewVal);
}

long FakeNameList::OwnerHwnd() const {
  Call("OwnerHwnd");
  return owner_hwnd;
}

void FakeNameList::OwnerHwnd(long NewVal) {
  Call("OwnerHwnd", DescribeArgs(NewVal));
  owner_hwnd = NewVal;
}

bool FakeNameList::NoKeyDownKeyUp() const {
  Call("NoKeyDownKeyUp");
  return no_key_down_key_up;
}

void FakeNameList::NoKeyDownKeyUp(bool NewVal) {
  Call("NoKeyDownKeyUp", DescribeArgs(NewVal));
  no_key_down_key_up = NewVal;
}

void FakeNameList::EnterWindowProc(long hWnd, long Msg, long wParam, long lParam, bool& bExecProc,
                                   long& lResult) {
  Call("EnterWindowProc", DescribeArgs(hWnd, Msg, wParam, lParam));
  if (enter_clears_exec_proc) bExecProc = false;
  if (enter_sets_result) lResult = *enter_sets_result;
}

void FakeNameList::LeaveWindowProc(long hWnd, long Msg, long wParam, long lParam) {
  Call("LeaveWindowProc", DescribeArgs(hWnd, Msg, wParam, lParam));
}

bool FakeNameList::OnKeyDown(short& KeyCode, short& Shift) {
  Call("OnKeyDown", DescribeArgs(KeyCode, Shift));
  if (key_down_sets_key_code) KeyCode = *key_down_sets_key_code;
  if (key_down_sets_shift) Shift = *key_down_sets_shift;
  return key_down_result;
}

bool FakeNameList::OnKeyUp(short& KeyCode, short& Shift) {
  Call("OnKeyUp", DescribeArgs(KeyCode, Shift));
  if (key_up_sets_key_code) KeyCode = *key_up_sets_key_code;
  if (key_up_sets_shift) Shift = *key_up_sets_shift;
  return key_up_result;
}

std::string FakeNameList::GetEditText(long hWnd, long flag) {
  Call("GetEditText", DescribeArgs(hWnd, flag));
  last_edit_text_flag = flag;
  return edit_text;
}

NameListDataPtr FakeNameList::ListData() {
  Call("ListData");
  return data;
}

void FakeNameList::DropDown() {
  Call("DropDown");
  visible = true;
}

void FakeNameList::DropDownFound() {
  Call("DropDownFound");
  visible = true;
}

bool FakeNameList::Visible() const {
  Call("Visible");
  return visible;
}

void FakeNameList::HideList() {
  Call("HideList");
  visible = false;
}

void FakeNameList::Unload() {
  Call("Unload");
  visible = false;
}

}  // namespace glnamelist::fakes
