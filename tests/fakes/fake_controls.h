// Fakes of the host's controls: the text box ("TextBox.") and its font, the
// window-subclassing object ("SubClass."), and the drop-down list control ("NameList.") with
// its row-data object ("ListData."). Every member is recorded in the log (getters too) and
// can be made to fail with FailAt("<Member>", error).
//
//   auto box = std::make_shared<FakeTextBox>(1, log);   // on window 1
//   sub->Send(WM_KEYDOWN, VK_F8, 0);    // a message to the hooked window: raises
//                                       // EnterWindowProc, then LeaveWindowProc
//   list->edit_text = "1001.";          // what GetEditText returns
//   list->data->RequestRow(3);          // the control asks for row 3, as when painting it
//   list->data->cells[{3, 0}]           // what the component wrote into row 3, column 0
//
// The subclassing object's end is recorded as "SubClass.Released()" (a hooked object
// unhooks itself then, without a separate Unhook record).
#ifndef GLNAMELIST_TESTS_FAKES_FAKE_CONTROLS_H_
#define GLNAMELIST_TESTS_FAKES_FAKE_CONTROLS_H_

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "contracts/list_control.h"
#include "contracts/subclass.h"
#include "contracts/text_box.h"
#include "tests/fakes/call_log.h"

namespace glnamelist::fakes {

struct FakeFont : glnamelist::Font {
  std::string Name() const override { return "SimSun"; }
  double Size() const override { return 9; }
  bool Bold() const override { return false; }
};

class FakeTextBox : public TextBox, public FakeRecorder {
 public:
  explicit FakeTextBox(long hwnd = 100, CallLogPtr log = nullptr)
      : FakeRecorder("TextBox", std::move(log)),
        hwnd_value(hwnd),
        font_value(std::make_shared<FakeFont>()) {}

  long hWnd() const override {
    Call("hWnd");
    return hwnd_value;
  }
  FontPtr Font() const override {
    Call("Font");
    return font_value;
  }

  long hwnd_value;
  FontPtr font_value;
};

class FakeSubClass : public SubClass, public FakeRecorder {
 public:
  explicit FakeSubClass(CallLogPtr log = nullptr) : FakeRecorder("SubClass", std::move(log)) {}
  ~FakeSubClass() override { log()->Add("SubClass.Released()"); }

  void Hook(long hWnd) override {
    Call("Hook", DescribeArgs(hWnd));
    hooked_ = true;
    hwnd_ = hWnd;
  }
  void Unhook() override { Call("Unhook"), hooked_ = false; }

  // The result of a message sent to a hooked window.
  struct Outcome {
    bool exec_proc = true;  // bExecProc after EnterWindowProc
    long result = 0;        // lResult after EnterWindowProc
  };
  // Sends a message to the hooked window as a window procedure would report it:
  // EnterWindowProc (bExecProc starting true, lResult starting at lresult_start), then
  // LeaveWindowProc. Messages are not reported while unhooked (the result is the default).
  Outcome Send(long msg, long wParam, long lParam, long lresult_start = 0) {
    Outcome out{.result = lresult_start};
    if (!hooked_) return out;
    long m = msg, w = wParam, l = lParam;
    EnterWindowProc.Raise(hwnd_, m, w, l, out.exec_proc, out.result);
    LeaveWindowProc.Raise(hwnd_, msg, wParam, lParam);
    return out;
  }

  bool hooked() const { return hooked_; }

 private:
  bool hooked_ = false;
  long hwnd_ = 0;
};

// Remembers what the component set; Rows forgets the cells and pictures written before.
class FakeNameListData : public NameListData, public FakeRecorder {
 public:
  explicit FakeNameListData(CallLogPtr log = nullptr) : FakeRecorder("ListData", std::move(log)) {}

  void Cols(long v) override { Call("Cols", DescribeArgs(cols = v)); }
  void ListStyle(long v) override { Call("ListStyle", DescribeArgs(list_style = v)); }
  void RowsOnRequest(long v) override { Call("RowsOnRequest", DescribeArgs(rows_on_request = v)); }
  void Rows(long v) override {
    Call("Rows", DescribeArgs(rows = v));
    cells.clear();
    pictures.clear();
  }
  void CellText(long Row, long Col, const std::string& Text) override {
    if (!quiet) Call("CellText", DescribeArgs(Row, Col, Text));
    cells[{Row, Col}] = Text;
  }
  void RowPicture(long Row, PicturePtr Pic) override {
    if (!quiet) Call("RowPicture", DescribeArgs(Row, Pic));
    pictures[Row] = std::move(Pic);
  }
  void FinishRows() override {
    Call("FinishRows");
    ++finish_rows_count;
  }

  // Raises DataRequest(row) like a control about to paint that row.
  void RequestRow(long row) { DataRequest.Raise(row); }

  // The text of a cell, or std::nullopt when none was written since the last Rows.
  std::optional<std::string> Cell(long row, long col) const {
    auto it = cells.find({row, col});
    return it == cells.end() ? std::nullopt : std::optional<std::string>(it->second);
  }

  long cols = 0;
  long list_style = 0;
  long rows_on_request = 0;
  long rows = 0;
  std::map<std::pair<long, long>, std::string> cells;
  std::map<long, PicturePtr> pictures;
  long finish_rows_count = 0;
  // CellText and RowPicture are kept but not logged (for the keystroke benchmark).
  bool quiet = false;
};

class FakeNameList : public NameListControl, public FakeRecorder {
 public:
  explicit FakeNameList(CallLogPtr log = nullptr)
      : FakeRecorder("NameList", std::move(log)),
        data(std::make_shared<FakeNameListData>(this->log())) {}

  void ListFont(FontPtr v) override { Call("ListFont", DescribeArgs(list_font = v)); }
  void Font(FontPtr v) override { Call("Font", DescribeArgs(font = v)); }
  long OwnerHwnd() const override { return Call("OwnerHwnd"), owner_hwnd; }
  void OwnerHwnd(long v) override { Call("OwnerHwnd", DescribeArgs(owner_hwnd = v)); }
  bool NoKeyDownKeyUp() const override { return Call("NoKeyDownKeyUp"), no_key_down_key_up; }
  void NoKeyDownKeyUp(bool v) override {
    Call("NoKeyDownKeyUp", DescribeArgs(no_key_down_key_up = v));
  }
  void EnterWindowProc(long hWnd, long Msg, long wParam, long lParam, bool& bExecProc,
                       long& lResult) override {
    Call("EnterWindowProc", DescribeArgs(hWnd, Msg, wParam, lParam));
    if (enter_clears_exec_proc) bExecProc = false;
    if (enter_sets_result) lResult = *enter_sets_result;
  }
  void LeaveWindowProc(long hWnd, long Msg, long wParam, long lParam) override {
    Call("LeaveWindowProc", DescribeArgs(hWnd, Msg, wParam, lParam));
  }
  bool OnKeyDown(short& KeyCode, short& Shift) override {
    Call("OnKeyDown", DescribeArgs(KeyCode, Shift));
    KeyCode = key_down_sets_key_code.value_or(KeyCode);
    return key_down_result;
  }
  bool OnKeyUp(short& KeyCode, short& Shift) override {
    Call("OnKeyUp", DescribeArgs(KeyCode, Shift));
    Shift = key_up_sets_shift.value_or(Shift);
    return false;
  }
  std::string GetEditText(long hWnd, long flag) override {
    Call("GetEditText", DescribeArgs(hWnd, last_edit_text_flag = flag));
    return edit_text;
  }
  NameListDataPtr ListData() override { return Call("ListData"), data; }
  void DropDown() override { Call("DropDown"), visible = true; }
  void DropDownFound() override { Call("DropDownFound"), visible = true; }
  bool Visible() const override { return Call("Visible"), visible; }
  void HideList() override { Call("HideList"), visible = false; }
  void Unload() override { Call("Unload"), visible = false; }

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

  // OnKeyDown may change KeyCode and gives key_down_result; OnKeyUp may change Shift.
  std::optional<short> key_down_sets_key_code, key_up_sets_shift;
  bool key_down_result = false;
};

}  // namespace glnamelist::fakes

#endif  // GLNAMELIST_TESTS_FAKES_FAKE_CONTROLS_H_
