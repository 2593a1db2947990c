// Fakes of the drop-down list control ("NameList.") and its row-data object ("ListData.").
//
//   auto list = std::make_shared<FakeNameList>(log);
//   list->edit_text = "1001.";          // what GetEditText returns
//   list->visible = true;               // what Visible returns
//   list->data->RequestRow(3);          // the control asks for row 3, as when painting it
//   list->data->cells[{3, 0}]           // what the component wrote into row 3, column 0
//
// Every member is recorded in the log (getters too) and can be made to fail with
// FailAt("<Member>", error).
#ifndef GLNAMELIST_TESTS_FAKES_FAKE_LIST_CONTROL_H_
#define GLNAMELIST_TESTS_FAKES_FAKE_LIST_CONTROL_H_

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "contracts/list_control.h"
#include "tests/fakes/call_log.h"

namespace glnamelist::fakes {

// Remembers what the component set; Rows forgets the cells and pictures written before.
class FakeNameListData : public NameListData, public FakeRecorder {
 public:
  explicit FakeNameListData(CallLogPtr log = nullptr) : FakeRecorder("ListData", std::move(log)) {}

  void Cols(long NewVal) override;
  void ListStyle(long NewVal) override;
  void RowsOnRequest(long NewVal) override;
  void Rows(long NewVal) override;
  void CellText(long Row, long Col, const std::string& Text) override;
  void RowPicture(long Row, PicturePtr Pic) override;
  void FinishRows() override;

  // Raises DataRequest(row) like a control about to paint that row.
  void RequestRow(long row) { DataRequest.Raise(row); }

  // The text of a cell, or std::nullopt when none was written since the last Rows.
  std::optional<std::string> Cell(long row, long col) const;

  long cols = 0;
  long list_style = 0;
  long rows_on_request = 0;
  long rows = 0;
  std::map<std::pair<long, long>, std::string> cells;
  std::map<long, PicturePtr> pictures;
  long finish_rows_count = 0;
};

class FakeNameList : public NameListControl, public FakeRecorder {
 public:
  explicit FakeNameList(CallLogPtr log = nullptr);

  void ListFont(FontPtr NewVal) override;
  void Font(FontPtr NewVal) override;
  long OwnerHwnd() const override;
  void OwnerHwnd(long NewVal) override;
  bool NoKeyDownKeyUp() const override;
  void NoKeyDownKeyUp(bool NewVal) override;
  void EnterWindowProc(long hWnd, long Msg, long wParam, long lParam, bool& bExecProc,
                       long& lResult) override;
  void LeaveWindowProc(long hWnd, long Msg, long wParam, long lParam) override;
  bool OnKeyDown(short& KeyCode, short& Shift) override;
  bool OnKeyUp(short& KeyCode, short& Shift) override;
  std::string GetEditText(long hWnd, long flag) override;
  NameListDataPtr ListData() override;
  void DropDown() override;
  void DropDownFound() override;
  bool Visible() const override;
  void HideList() override;
  void Unload() override;

  // Raises SelChanged as the control does when its selection moves.
  void RaiseSelChanged() { SelChanged.Raise(); }

  // The row-data object ListData hands out (the same one for the object's life).
  std::shared_ptr<FakeNameListData> data;

  // What the getters return; the setters write here.
  FontPtr list_font;
  FontPtr font;
  long owner_hwnd = 0;
  bool no_key_down_key_up = false;
  bool visible = false;  // DropDown/DropDownFound set it, HideList/Unload clear it

  // GetEditText returns edit_text; the flag of the last call is kept.
  std::string edit_text;
  long last_edit_text_flag = 0;

  // EnterWindowProc: when set, clears bExecProc / stores lResult before returning.
  bool enter_clears_exec_proc = false;
  std::optional<long> enter_sets_result;

  // OnKeyDown / OnKeyUp: optional new values for KeyCode and Shift, and the result.
  std::optional<short> key_down_sets_key_code, key_down_sets_shift;
  bool key_down_result = false;
  std::optional<short> key_up_sets_key_code, key_up_sets_shift;
  bool key_up_result = false;
};

}  // namespace glnamelist::fakes

#endif  // GLNAMELIST_TESTS_FAKES_FAKE_LIST_CONTROL_H_
