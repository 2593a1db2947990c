// The terminal side. The list control without a terminal: which rows it asks for, how the
// keys move the selection, what Enter writes, where the list goes and what it draws. What it
// draws with: terminal text (wide characters, clipping, malformed bytes, marking), the
// in-memory screen, form layout, long texts in a box, the message dialog. And the
// voucher-entry form on the sample ledger: keys reach the component through the window
// system, a chosen row writes what its box takes, parent boxes steer their dependent boxes,
// names stand beside the boxes and complaints end up in the status line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "apps/voucher/tui/form_layout.h"
#include "apps/voucher/tui/voucher_form.h"
#include "contracts/live_data.h"
#include "contracts/virtual_keys.h"
#include "ledger/list_preload.h"
#include "ledger/register_ledger.h"
#include "ledger/sqlite/sqlite_db.h"
#include "listkit/marks.h"
#include "services/library_services.h"
#include "tests/fakes/scoped_fake_environment.h"
#include "tui/list_layout.h"
#include "tui/message_dialog.h"
#include "tui/register_terminal.h"
#include "tui/terminal_controls.h"
#include "tui/terminal_name_list.h"
#include "tui/text.h"

namespace glnamelist::tui {
namespace {

using Texts = std::vector<std::string>;

constexpr long kBox = 1;  // the first window of the environment
// The rows a list shows under the box on row 2 of a 30-row screen.
constexpr long kPage = 30 - 3 - 2;

// The fixture is the list's host and form: it writes chosen codes into the environment's
// windows (so that the list reads them back) and records the errors reported.
class TerminalNameListTest : public ::testing::Test, public ListHost, public listkit::ListForm {
 protected:
  TerminalNameListTest() { list_->OwnerHwnd(env_.Windows().CreateWindow()); }
  Rect BoxRect(long hWnd) override { return boxes_.count(hWnd) ? boxes_[hWnd] : Rect{}; }
  int ScreenRows() override { return rows_; }
  int ScreenCols() override { return cols_; }
  std::string PictureGlyph(const std::string& key) override { return key == "Bank" ? "$" : "·"; }
  void RowChosen(listkit::NameListBase&, long hWnd, long, const std::string& code) override {
    env_.Windows().SetText(hWnd, code);
  }
  void ChoiceEnded(listkit::NameListBase&, long) override {}
  void ListShown(listkit::NameListBase&) override {}
  void ListHidden(listkit::NameListBase&) override {}
  void ReportError(const std::string& message) override { errors_.push_back(message); }

  // Rows on request, filled by fill (by default "<row>", "1002.<row>", "银行存款_<row>"),
  // recording each request from now on.
  void OnRequest(long rows, std::function<void(long)> fill = nullptr) {
    requested_.clear();
    data_->Cols(2);
    data_->RowsOnRequest(-1);
    data_->Rows(rows);
    request_ = data_->DataRequest.Connect([this, fill](long row) {
      requested_.push_back(row);
      const std::string n = std::to_string(row);
      fill ? fill(row) : Cells(row, {n, "1002." + n, "银行存款_" + n});
    });
  }
  void Cells(long row, const Texts& cells) {
    for (size_t col = 0; col < cells.size(); ++col) data_->CellText(row, long(col), cells[col]);
  }

  // Sends a key down as the subclassing object would; returns bExecProc.
  bool Key(long key, long msg = WM_KEYDOWN, long hwnd = kBox) {
    bool exec = true;
    long result = 7;
    list_->EnterWindowProc(hwnd, msg, key, 0, exec, result);
    EXPECT_TRUE(exec || result == 0);
    list_->LeaveWindowProc(hwnd, msg, key, 0);
    return exec;
  }

  // Paints the list on a blank screen; true when its position line shows row selected.
  bool Selects(long row) {
    screen_.Clear();
    list_->Paint(screen_);
    return screen_.Text().find("第 " + std::to_string(row) + " 行 /") != std::string::npos;
  }
  // True when screen row y (as last painted) holds text.
  bool Drawn(int y, const std::string& text) {
    return screen_.Line(y).find(text) != std::string::npos;
  }
  // The style of the first cell of text on screen row y (as last painted).
  Style StyleOf(int y, const std::string& text) {
    std::string line = screen_.Line(y);
    size_t at = line.find(text);
    EXPECT_NE(at, std::string::npos) << text << " not in " << line;
    return screen_.StyleAt(y, TextWidth(std::string_view(line).substr(0, at)));
  }

  fakes::ScopedFakeEnvironment fake_;
  fakes::RecordingEnvironment& env_ = fake_.env();
  int rows_ = 30, cols_ = 100;
  std::map<long, Rect> boxes_ = {{kBox, Rect{2, 10, 1, 30}}};
  Texts errors_;
  std::shared_ptr<TerminalNameListTest> self_{this, [](TerminalNameListTest*) {}};
  std::shared_ptr<TerminalNameList> list_ = std::make_shared<TerminalNameList>(self_, self_);
  std::shared_ptr<listkit::ListRows> data_ =
      std::static_pointer_cast<listkit::ListRows>(list_->ListData());
  Texts sel_changes_;  // the box text at each SelChanged
  Connection sel_changed_ =
      list_->SelChanged.Connect([this] { sel_changes_.push_back(env_.Windows().Text(kBox)); });
  Connection request_;
  std::vector<long> requested_;
  CellScreen screen_{30, 100};
};

TEST_F(TerminalNameListTest, AsksOnlyForThePaintedRowsOfAHugeListOnceAndReportsFailures) {
  OnRequest(1'000'000);
  list_->DropDown();
  EXPECT_TRUE(requested_.empty()) << "nothing is asked for before painting";
  list_->Paint(screen_);
  list_->Paint(screen_);  // rows handed over are kept
  Key(VK_END);
  EXPECT_TRUE(Selects(1'000'000));
  std::vector<long> painted;
  for (long row = 1; row <= kPage; ++row) painted.push_back(row);
  for (long row = 1'000'000 - kPage + 1; row <= 1'000'000; ++row) painted.push_back(row);
  EXPECT_EQ(requested_, painted);

  data_->Rows(1'000'000);  // a new listing forgets the rows
  list_->Paint(screen_);
  EXPECT_EQ(std::ssize(requested_), 3 * kPage);

  OnRequest(2, [](long) { throw Error(3021, "no current record"); });
  EXPECT_NO_THROW(list_->Paint(screen_));
  ASSERT_EQ(errors_.size(), 1u) << "one report for the painting";
  EXPECT_NE(errors_[0].find("3021"), std::string::npos);
}

// A host's form of boxes (BoxForm): one list shown at a time, the other box's hidden when
// a list drops down; the error a list reports, handed on once.
TEST_F(TerminalNameListTest, ABoxFormShowsOneListAtATimeAndHandsOnAnErrorOnce) {
  auto form = std::make_shared<BoxForm>();
  auto first = std::make_shared<TerminalNameList>(form, self_);
  auto second = std::make_shared<TerminalNameList>(form, self_);
  for (const auto& list : {first, second}) {
    list->OwnerHwnd(kBox);
    auto rows = std::static_pointer_cast<listkit::ListRows>(list->ListData());
    rows->Cols(2);
    rows->RowsOnRequest(-1);
    rows->Rows(2);
  }
  first->DropDown();
  EXPECT_EQ(form->Shown(), first.get());
  second->DropDown();
  EXPECT_EQ(form->Shown(), second.get());
  EXPECT_FALSE(first->Visible()) << "the other box's list is hidden";
  EXPECT_TRUE(second->Visible());

  Connection failing =
      second->ListData()->DataRequest.Connect([](long) { throw Error(3021, "no current record"); });
  EXPECT_EQ(form->TakeError(), "");
  second->Paint(screen_);
  EXPECT_NE(form->TakeError().find("3021"), std::string::npos);
  EXPECT_EQ(form->TakeError(), "") << "taken once";
  second->HideList();
  EXPECT_EQ(form->Shown(), nullptr);
}

TEST_F(TerminalNameListTest, KeysMoveTheSelectionWithinTheRowsRaiseNothingAndANewTextStartsOver) {
  OnRequest(30);
  env_.Windows().SetText(kBox, " \t1002. ");
  EXPECT_EQ(list_->GetEditText(kBox, -1), "1002.");
  list_->DropDownFound();
  EXPECT_TRUE(Selects(1));
  Key(VK_UP);
  // The box is on screen row 2, so the first shown row is painted on row 4.
  auto press = [this](long key, long selection, long top) {
    Key(key);
    EXPECT_TRUE(Selects(selection)) << key;
    EXPECT_TRUE(Drawn(4, "1002." + std::to_string(top) + " "))
        << key << ": the selection stays in view";
  };
  press(VK_DOWN, 2, 1);
  press(VK_NEXT, 2 + kPage, 3);
  press(VK_DOWN, 3 + kPage, 4);
  Key(VK_NEXT);
  press(VK_NEXT, 30, 30 - kPage + 1);
  press(VK_PRIOR, 30 - kPage, 30 - kPage);
  press(VK_HOME, 1, 1);
  Key(VK_END);
  press(VK_DOWN, 30, 30 - kPage + 1);
  EXPECT_TRUE(sel_changes_.empty()) << "browsing is no choice: the found rows stay";
  EXPECT_EQ(StyleOf(4, "1002.6 "), Style::kMatch) << "the trimmed text is marked";
  EXPECT_EQ(StyleOf(4, ".6 "), Style::kNormal) << "but not its trailing point";

  data_->Rows(30);  // F9 again on the same text keeps the selection
  list_->DropDownFound();
  EXPECT_TRUE(Selects(30));
  list_->DropDown();
  EXPECT_FALSE(Selects(1)) << "a code listing has no row until one is moved to";
  EXPECT_NE(screen_.Text().find("共 30 行"), std::string::npos);
  Key(VK_DOWN);
  EXPECT_TRUE(Selects(1));
  env_.Windows().SetText(kBox, "1003");
  list_->DropDownFound();
  EXPECT_TRUE(Selects(1)) << "a new text's found rows start at the first";
}

// The list takes only list keys, only while shown and only for its own box, and closes on
// edits. Enter writes the full code without the plus; a hidden key column stays hidden.
TEST_F(TerminalNameListTest, EnterWritesTheCodeAndTheListTakesOnlyItsKeys) {
  OnRequest(5);
  EXPECT_TRUE(Key(VK_DOWN)) << "hidden: the box gets every key";
  list_->DropDown();
  EXPECT_TRUE(Key(VK_F8) && Key(VK_LEFT)) << "F8 and Left reach the box";
  EXPECT_FALSE(Key(VK_RETURN, WM_CHAR));
  EXPECT_TRUE(Key(VK_DOWN, WM_KEYDOWN, kBox + 1)) << "another box's keys are not the list's";
  EXPECT_FALSE(Key(VK_DOWN | 0x10000)) << "only the low word holds the key";
  EXPECT_TRUE(Selects(1));
  Key(VK_DOWN);

  // Key events forwarded by the host move it too, unless the host turns them off.
  short key = VK_DOWN, shift = 0;
  EXPECT_TRUE(list_->OnKeyDown(key, shift) && key == 0) << "taken";
  key = VK_DOWN;
  EXPECT_TRUE(list_->OnKeyUp(key, shift));
  list_->NoKeyDownKeyUp(true);
  key = VK_DOWN;
  EXPECT_TRUE(!list_->OnKeyDown(key, shift) && key == VK_DOWN) << "left alone";
  EXPECT_TRUE(Selects(3));

  EXPECT_FALSE(Key(VK_ESCAPE));
  EXPECT_FALSE(list_->Visible());
  EXPECT_TRUE(sel_changes_.empty() && env_.Windows().Text(kBox).empty()) << "Esc chooses nothing";
  // Editing the text or leaving the box closes the list too.
  for (auto [key, msg] :
       {std::pair{long{'x'}, WM_CHAR}, {VK_BACK, WM_KEYDOWN}, {0L, WM_KILLFOCUS}}) {
    list_->DropDown();
    Key(key, msg);
    EXPECT_FALSE(list_->Visible()) << msg;
  }

  data_->Cols(2);
  data_->RowsOnRequest(2);  // column 0 holds a hidden key
  data_->Rows(2);
  Cells(1, {"7", "01"});
  Cells(2, {"", "02 +", "北京分部"});
  list_->DropDown();
  list_->Paint(screen_);
  EXPECT_TRUE(Drawn(5, "02 +  北京分部")) << screen_.Line(5);
  EXPECT_EQ(screen_.Line(4).find('7'), std::string::npos);
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_FALSE(Key(VK_RETURN)) << "Enter never reaches the box while the list is shown";
  EXPECT_FALSE(list_->Visible());
  EXPECT_EQ(sel_changes_, Texts{"02"}) << "SelChanged once the code is in";

  // Enter on an empty list, or on one nobody moved in, closes it and chooses nothing.
  for (long rows : {0, 5}) {
    OnRequest(rows);
    list_->DropDown();
    EXPECT_FALSE(Key(VK_RETURN));
    EXPECT_TRUE(!list_->Visible() && errors_.empty() && sel_changes_.size() == 1) << rows;
  }

  OnRequest(500);  // Enter asks for a row that was never painted
  list_->DropDown();
  Key(VK_END);
  Key(VK_RETURN);
  EXPECT_EQ(requested_, std::vector<long>{500});
  EXPECT_EQ(env_.Windows().Text(kBox), "1002.500");
}

TEST_F(TerminalNameListTest, DropsUnderTheBoxOrAboveItUsingTheScreenAndCoversTheBrackets) {
  OnRequest(3);
  const Rect box{2, 10, 1, 30};
  Rect f = ListFrame(*data_, box, 30, 100);
  EXPECT_EQ(std::vector<int>({f.y, f.x, f.height, f.width}), std::vector<int>({3, 9, 3 + 2, 91}))
      << "from the box's opening bracket, as tall as the rows; rows on request take the width "
         "right of the box";
  data_->Rows(100);
  f = ListFrame(*data_, Rect{27, 90, 1, 10}, 30, 100);
  EXPECT_EQ(std::vector<int>({f.y, f.height, f.x + f.width}), std::vector<int>({0, 27, 100}))
      << "above, all the room used, moved left to fit";

  data_->RowsOnRequest(0);  // copied rows are measured
  data_->Rows(1);
  EXPECT_EQ(ListFrame(*data_, box, 30, 100).width, kMinListWidth);
  EXPECT_EQ(ListFrame(*data_, Rect{2, 10, 1, 50}, 30, 100).width, 52) << "both brackets covered";
  Cells(1, {"", std::string(50, 'x'), "名称"});
  EXPECT_EQ(ListFrame(*data_, box, 30, 100).width, 1 + 1 + 2 + 1 + 50 + 2 + 4 + 2 + 1)
      << "frame, marker, glyph, a gap, the cells and a gap after each, frame";
  data_->CellText(1, 1, std::string(120, 'x'));
  EXPECT_EQ(ListFrame(*data_, box, 30, 100).width, 100) << "as wide as the screen at most";

  rows_ = 3;
  boxes_[kBox] = Rect{1, 0, 1, 10};
  list_->DropDown();
  CellScreen tiny(3, 100);
  list_->Paint(tiny);
  EXPECT_EQ(tiny.Text(), "\n\n\n") << "no room: nothing drawn, nothing broken";
}

TEST_F(TerminalNameListTest, PaintsColumnsGlyphsPositionAndTheTypedTextMarked) {
  env_.Windows().SetText(kBox, "银行");
  OnRequest(3, [this](long row) {
    Cells(row, {"0" + std::to_string(row), "1002.0" + std::to_string(row), "银行存款_工商银行"});
    data_->RowPicture(row, env_.Pictures().Get(row == 1 ? "Bank" : "Detail"));
  });
  list_->DropDownFound();
  Key(VK_DOWN);
  list_->Paint(screen_);
  EXPECT_TRUE(Drawn(4, "│ $  1002.01  银行存款_工商银行")) << "a search result shows no short code";
  EXPECT_TRUE(Drawn(5, "│>·  1002.02")) << "the selected row";
  EXPECT_TRUE(Drawn(3, "查找结果"));
  EXPECT_TRUE(Drawn(7, "第 2 行 / 共 3 行"));
  EXPECT_EQ(StyleOf(4, "银行存款"), Style::kMatch);
  EXPECT_EQ(StyleOf(4, "存款"), Style::kNormal);
  EXPECT_EQ(StyleOf(5, "银行存款"), Style::kSelectedMatch);

  cols_ = 24;  // little room: the name is cut, and says so
  list_->Paint(screen_);
  EXPECT_TRUE(Drawn(4, "1002.01  银行存款…│")) << screen_.Line(4);

  // A code listing: a short code equal to the full code (an entry without a parent) is
  // drawn once.
  cols_ = 100;
  OnRequest(2, [this](long row) {
    Cells(row, {row == 1 ? "01" : "6603.02", "6603.0" + std::to_string(row), "财务费用"});
  });
  list_->DropDown();
  list_->Paint(screen_);
  EXPECT_TRUE(Drawn(4, "01       6603.01  财务费用")) << screen_.Line(4);
  EXPECT_TRUE(Drawn(5, "│             6603.02  财务费用")) << screen_.Line(5);

  // Entries of every level listed without a parent, one with entries below it marked "+":
  // each code once, all in one column.
  OnRequest(2, [this](long row) {
    Cells(row, row == 1 ? Texts{"01", "01 +", "重点客户"} : Texts{"03", "03", "潜在客户"});
  });
  list_->DropDown();
  list_->Paint(screen_);
  EXPECT_TRUE(Drawn(4, "│    01 +  重点客户")) << screen_.Line(4);
  EXPECT_TRUE(Drawn(5, "│    03    潜在客户")) << screen_.Line(5);
}

// Terminal text: widths, clipping, malformed bytes and matches; the in-memory screen clips
// at every edge, repairs overwritten wide characters and draws frames.
TEST(TerminalTextTest, IsMeasuredClippedAndDrawnOnTheScreen) {
  EXPECT_EQ(ClipToWidth("银行存款", 5), "银行") << "a wide character is never cut in half";
  EXPECT_EQ(PadToWidth("银行存款", 5), "银行 ");
  EXPECT_EQ((std::vector<int>{TextWidth("\u1100"), TextWidth("\u115F"), TextWidth("\uFEFF"),
                              TextWidth("\u00A0"), WidthUpTo(std::string(5'000'000, 'x'), 7),
                              WidthUpTo("银行", 7)}),
            (std::vector<int>{2, 2, 0, 1, 7, 4}))
      << "the ends of the ranges, a no-break space after the controls, widths up to a limit";
  // Lines break after a space or a wide character, or before a wide one; never inside a
  // word that fits a line.
  for (auto [text, width, lines] : {std::tuple{"中abc de", 4, Texts{"中", "abc ", "de"}},
                                    {"ab cd中", 6, Texts{"ab cd", "中"}},
                                    {"abcdef", 4, Texts{"abcd", "ef"}}}) {
    EXPECT_EQ(WrapToWidth(text, width), lines) << text;
  }
  auto glyphs = DecodeUtf8("a\xE9\xB6\x62\xFF");  // \x62: b
  ASSERT_EQ(glyphs.size(), 5u);
  EXPECT_EQ(glyphs[1].code, 0xFFFDu);
  EXPECT_EQ(glyphs[3].code, U'b');
  EXPECT_EQ(DecodeUtf8("\xC0\xAF")[0].code, 0xFFFDu) << "overlong form";
  EXPECT_EQ(Printable("a\tb\n"), "a b ");
  // Made printable and fitted: a text longer than its columns can show ends in "…", however
  // its first bytes look.
  for (auto [text, width, shown] :
       {std::tuple{std::string("a\tb"), 4, std::string("a b")},
        {"银行存款", 5, "银行…"},
        {std::string(10'000'000, 'x'), 3, "xx…"},
        {"e\u0301\u0301\u0301" + std::string(1'000, 'y'), 2, "e\u0301\u0301\u0301…"}}) {
    EXPECT_EQ(FitPrintable(text, width), shown) << text.substr(0, 10);
  }
  auto hits = listkit::FindAll("ZA现金zaZA", "za");  // letter case ignored, no overlaps
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_EQ(hits[1].first, 8u);
  EXPECT_EQ(listkit::FindAll("aaaa", "aa").size(), 2u);

  CellScreen s(2, 6);
  EXPECT_EQ(s.Put(0, 0, "银行存款", Style::kNormal), 6);
  s.Put(0, 1, "x", Style::kMatch);  // the right half of 银
  s.Put(0, 2, "y", Style::kMatch);  // the left half of 行
  EXPECT_EQ(s.Line(0), " xy 存");
  EXPECT_EQ(s.StyleAt(0, 1), Style::kMatch);
  EXPECT_EQ(s.Put(1, 5, "银", Style::kNormal), 0) << "half a wide character is not drawn";
  EXPECT_EQ(s.Put(1, -1, "银ab", Style::kTitle), 2) << "nor a character left of the screen";
  for (auto [y, x] : {std::pair{-1, 0}, {2, 0}, {0, -1}, {0, 6}}) {
    EXPECT_EQ(s.Put(y, x, "z", Style::kTitle), 0);
    EXPECT_EQ(s.StyleAt(y, x), Style::kNormal);
    EXPECT_EQ(s.CharAt(y, x), " ");
  }
  EXPECT_EQ(s.Text(), " xy 存\n ab\n");
  EXPECT_EQ(s.Line(2), "");
  CellScreen framed(5, 6);
  DrawFrame(framed, Rect{0, 0, 3, 5}, Style::kFrame);
  framed.Put(1, 2, "x", Style::kNormal);
  FillRect(framed, Rect{1, 1, 1, 3}, Style::kNormal);
  DrawFrame(framed, Rect{3, 0, 2, 4}, Style::kFrame);
  EXPECT_EQ(framed.Text(), "┌───┐\n│   │\n└───┘\n┌──┐\n└──┘\n");
}

TEST(FormLayoutTest, BoxesAndTheMessageDialogFitTheScreenALongTextScrolls) {
  for (auto [rows, cols, spacing] : {std::tuple{30, 100, 2}, {MinFormRows(9), kMinFormCols, 1}}) {
    FormLayout layout = LayOutForm(rows, cols, 9);
    ASSERT_TRUE(layout.fits);
    EXPECT_EQ(layout.spacing, spacing);
    EXPECT_LT(layout.Box(8).y, layout.help_row);
    EXPECT_EQ(layout.status_row, rows - 1);
    EXPECT_LE(layout.box_x + layout.box_width + 1, cols) << "the closing bracket is on screen";
  }
  EXPECT_FALSE(LayOutForm(MinFormRows(9) - 1, 100, 9).fits);
  EXPECT_FALSE(LayOutForm(30, kMinFormCols - 1, 9).fits);
  // The grid's amount columns take the widest amount whole, "-9,999,999,999,999.99" too,
  // at 80 columns as wide as at 200; the text columns give way.
  for (int cols : {80, 200}) {
    GridLayout grid = LayOutGrid(24, cols, 30);
    ASSERT_TRUE(grid.fits);
    EXPECT_EQ(grid.width[5], kMaxAmountWidth);
    EXPECT_LE(grid.x[6] + grid.width[6], cols) << cols;
    EXPECT_GE(grid.width[0], 6) << cols;
  }
  EXPECT_EQ(LayOutGrid(24, 80).width[6], kAmountWidth);
  EXPECT_EQ(LayOutGrid(24, 80).x[6] + kAmountWidth, 79);

  // The caret stays in the box; a caret past the end is clamped.
  std::string pasted = std::string(300, 'x') + "尾巴";
  for (auto [text, caret, shown, caret_x] :
       {std::tuple{std::string("1002.01"), 4L, std::string("1002.01"), 4},
        {pasted, 302, std::string(5, 'x') + "尾巴", 9},
        {pasted, 0, std::string(10, 'x'), 0},
        {"abc", 99, "abc", 3}}) {
    BoxView view = ViewOfBox(text, caret, 10);
    EXPECT_EQ(view.text, shown) << caret;
    EXPECT_EQ(view.caret_x, caret_x) << caret;
  }

  // The message dialog centres the wrapped text with its caption and OK button.
  std::string text = "没有查询到名称包含''" + std::string(80, 'a') + "''的明细科目数据";
  CellScreen screen(30, 100);
  MessageDialog dialog(text, "澄枫提示");
  Rect f = dialog.Frame(30, 100);
  EXPECT_EQ(f.x, (100 - f.width) / 2);
  EXPECT_EQ(f.y, (30 - f.height) / 2);
  dialog.Paint(screen);
  for (const char* part : {"澄枫提示", "[ 确定 ]", "没有查询到名称包含''", "数据"}) {
    EXPECT_NE(screen.Text().find(part), std::string::npos) << part;
  }
  EXPECT_NE(screen.Line(f.y + 2).find("没有查询到"), std::string::npos) << "under a blank row";
  EXPECT_EQ(screen.Line(-1) + screen.Line(30), "") << "no line outside the screen";
  std::string button_line = screen.Line(f.y + f.height - 2);
  EXPECT_EQ(TextWidth(button_line.substr(0, button_line.find("[ 确定 ]"))),
            f.x + (f.width - TextWidth("[ 确定 ]")) / 2)
      << "the button is centred";
  std::string joined;
  for (const std::string& line : WrapText(text, 20)) {
    EXPECT_LE(TextWidth(line), 20);
    joined += line;
  }
  EXPECT_EQ(joined, text) << "wrapping loses nothing";
  CellScreen narrow(12, 20);
  MessageDialog(text, "澄枫提示").Paint(narrow);  // must stay inside the screen
  EXPECT_NE(narrow.Text().find("确定"), std::string::npos);
  // Enter, Space and Esc answer it, and so does a terminal that is gone; no other key does.
  using K = KeyPress;
  for (K key : {K{K::kChar, '\r'}, K{K::kChar, '\n'}, K{K::kChar, ' '}, K{K::kChar, VK_ESCAPE},
                K{K::kKey, VK_RETURN}, K{K::kEnd}}) {
    EXPECT_TRUE(MessageDialog::Closes(key)) << key.kind << " " << key.code;
  }
  for (K key : {K{K::kChar, 'y'}, K{K::kKey, VK_F8}, K{K::kResize}, K{K::kNone}, K{K::kBackTab}}) {
    EXPECT_FALSE(MessageDialog::Closes(key)) << key.kind << " " << key.code;
  }
}

// The form on a copy of the sample ledger with a second unit group named 长度: a chosen
// group is told apart by its row, not its name.
class VoucherFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(GLNAMELIST_SAMPLE_LEDGER, ledger_,
                               std::filesystem::copy_options::overwrite_existing);
    ledger::Database(ledger_, ledger::Database::Mode::kCreate)
        .ExecScript(
            "INSERT INTO unit_groups VALUES (6, '06', '长度');"
            "INSERT INTO units (group_id, number, name) VALUES (6, '01', '英里');");
    env_ = platform::InstallPlatformEnvironment();
    // Each reading a second later: no listing falls under the repeat guard.
    env_->SystemClock().SetSource([t = 0.0f]() mutable { return t += 1; });
    ledger::RegisterLedger(env_->Registry(), ledger_);
    form_ = std::make_unique<VoucherForm>(*env_, screen_, ledger_, VoucherForm::Page::kBoxes);
    RegisterTerminalControls(*env_, form_->Form(), form_->Host(), nullptr);
    EXPECT_EQ(form_->AttachLists(ready_), late_ == 0);
  }
  void TearDown() override {
    ASSERT_TRUE(env_->Windows().IsWindow(1));
    form_.reset();
    EXPECT_FALSE(env_->Windows().IsWindow(1)) << "the form's boxes go with it";
    ResetLibraryServices();
    SetEnv(nullptr);
    std::filesystem::remove(ledger_);
  }

  // Types text a character at a time, Tab ("\t"), Enter ("\r") and Backspace ("\b") too.
  void Type(const std::string& text) {
    for (const Glyph& g : DecodeUtf8(text)) EXPECT_TRUE(Handle(KeyPress::kChar, long(g.code)));
  }
  void Key(long vk) { EXPECT_TRUE(Handle(KeyPress::kKey, vk)); }
  // Presses the keys of text (as Type) and then the key vk, if any, as read from the
  // terminal; returns what handing over the keys that may go returns (-1: all have gone).
  int Press(const std::string& text, long vk = 0) {
    for (const Glyph& g : DecodeUtf8(text)) form_->Press({KeyPress::kChar, long(g.code)});
    if (vk != 0) form_->Press({KeyPress::kKey, vk});
    return form_->DeliverKeys();
  }
  bool Handle(KeyPress::Kind kind, long code = 0) { return form_->Handle({kind, code}); }
  void Clear() { Type(std::string(100, '\b')); }
  const std::string& Status() const { return form_->Boxes().Status(); }
  bool Shows(const std::string& text) {
    form_->Paint();
    return screen_.Text().find(text) != std::string::npos;
  }
  bool Drawn(int y, const std::string& text) {
    return screen_.Line(y).find(text) != std::string::npos;
  }

  // Of this process: suites running side by side must not share it.
  const std::string ledger_ =
      ::testing::TempDir() + "/two_groups-" + std::to_string(getpid()) + ".ledger";
  CellScreen screen_{24, 80};  // the smallest terminal the form is made for
  std::shared_ptr<platform::PlatformEnvironment> env_;
  std::unique_ptr<VoucherForm> form_;
  long late_ = 0;  // the kind whose data is not in yet
  VoucherForm::ListReady ready_ = [this](long kind) { return kind != late_; };
};

// The form while the data of one kind is still being read.
template <long kLate>
class LateTest : public VoucherFormTest {
  void SetUp() override {
    late_ = kLate;
    VoucherFormTest::SetUp();
  }
};
using AccountsLateTest = LateTest<nlAccount>;
using ExplanationsLateTest = LateTest<nlVchExp>;

// Keys that need the account list wait for it, with a word, and then do what they do when
// typed later; the code typed meanwhile is named as soon as the list is there.
TEST_F(AccountsLateTest, KeysThatNeedTheListWaitForItWithAWordAndThenGoOn) {
  EXPECT_EQ(Press("\t1002.\r"), voucher::VoucherBoxes::kAttachPollMs) << "the point waits";
  EXPECT_TRUE(Shows("[1002 ") && Shows("(列表载入中…)") && Shows("科目的列表正在载入"));
  EXPECT_EQ(Press("", VK_F2), voucher::VoucherBoxes::kAttachPollMs) << "so do the keys after it";
  late_ = 0;
  EXPECT_TRUE(form_->AttachLists(ready_));
  EXPECT_TRUE(Shows("] 银行存款") && Shows("1002.01")) << "named, and listed as on entering";
  EXPECT_EQ(form_->DeliverKeys(), -1);
  EXPECT_TRUE(Shows("[1002. ") && !Shows("1002.01")) << "the point listed, Enter chose no row";
  EXPECT_TRUE(Shows("自动列出: 关") && !Shows("正在载入"));
}

// Both forms start alike: the first box lists as soon as its list is there.
TEST_F(ExplanationsLateTest, TheFirstBoxListsWhenItsListComes) {
  EXPECT_FALSE(Shows("共 15 行"));
  late_ = 0;
  EXPECT_TRUE(form_->AttachLists(ready_));
  EXPECT_TRUE(Shows("共 15 行"));
}

TEST_F(VoucherFormTest, ItemAndUnitBoxesFollowTheClassAndGroupTypedOrChosen) {
  Type("\t\t\t\t");  // the item box is the fifth
  Key(VK_F8);
  EXPECT_TRUE(Shows("请先在“核算类别”中选定类别，才能列出核算项目"))
      << "F8 says why it lists nothing";
  Handle(KeyPress::kBackTab);
  Type("002\t01.");
  EXPECT_TRUE(Shows("宝山钢铁股份有限公司")) << "suppliers of class 002, typed";
  EXPECT_FALSE(Shows("请先")) << "the hint went with the box's text";
  Type(std::string(1, '\0'));  // an unknown control character is ignored
  Handle(KeyPress::kBackTab);
  Clear();
  Key(VK_F8);  // every class; the first is 001 客户
  Key(VK_DOWN);
  Type("\r");
  EXPECT_TRUE(Shows("[001") && Shows("] 客户") && !Shows("共 5 行")) << "chosen, list closed";
  Type("\t");
  Clear();
  Type("01。");  // an input method's full-width point
  EXPECT_TRUE(Shows("北京") && !Shows("宝山钢铁")) << "customers of class 001, chosen";

  Type("\t\t");
  Key(VK_F8);
  EXPECT_TRUE(Shows("请先在“单位组”中选定单位组，才能列出计量单位"));
  Handle(KeyPress::kBackTab);
  Key(VK_F8);
  ASSERT_TRUE(Shows("共 6 行")) << "the groups";
  Key(VK_END);
  Type("\r\t");
  EXPECT_TRUE(Shows("[06 ") && Shows("] 长度") && Shows("英里") && !Shows("厘米"))
      << "the chosen group's code and name, its units";
  Handle(KeyPress::kBackTab);
  Clear();
  Key(VK_F8);
  for (int i = 0; i < 3; ++i) Key(VK_DOWN);
  Type("\r\t");
  EXPECT_TRUE(Shows("厘米") && !Shows("英里")) << "units of group 03: " << screen_.Text();

  Type("\t01");  // the SubMes entries of class 001
  Key(VK_F8);
  EXPECT_TRUE(Shows("明细分类 01 重点客户：输入 01. 后按 F8 列出其下级")) << screen_.Text();
  Type(".");
  Key(VK_F8);
  EXPECT_TRUE(Shows("战略客户") && !Shows("输入 01.")) << screen_.Text();
}

// Gives every request up before it is made while giving_up is set.
class GivingUpWaiter : public ReadWaiter {
 public:
  bool GivingUp() override { return giving_up; }
  bool Wait(const PendingRead&, const std::function<bool(std::chrono::milliseconds)>&) override {
    return false;
  }
  bool giving_up = false;
};

// The bookkeeper's path through the account box (search, browse, choose, drill down) is
// the end-to-end test's; here the checks of the codes and the form's own keys.
TEST_F(VoucherFormTest, AnExplanationWritesItsTextCodesAreCheckedAndTheFormKeysWork) {
  ASSERT_TRUE(Shows("共 15 行")) << "explanations, on focus";
  EXPECT_TRUE(Shows("│ ¶  01  提取现金")) << "with the glyph of their kind, no row chosen yet";
  Key(VK_DOWN);
  Key(VK_DOWN);
  Type("\r");
  EXPECT_TRUE(Shows("[支付货款") && !Shows("共 15 行")) << "the explanation itself, list closed";

  Type("\t1002\t");
  EXPECT_TRUE(Shows("科目 1002 银行存款 不是明细科目"));
  Handle(KeyPress::kBackTab);
  Type(".01");
  Key(VK_F8);
  EXPECT_TRUE(Shows("] 银行存款_工商银行") && Shows("是明细，没有下级可列出")) << screen_.Text();
  Clear();
  EXPECT_FALSE(Shows("是明细")) << "a hint goes with the text it was about";
  Type("9999");
  Key(VK_F8);
  EXPECT_TRUE(Shows("共 125 行"));
  EXPECT_EQ(Status(), "科目 9999 不存在，下面列出全部科目");
  Key(VK_ESCAPE);
  Type("\r");  // no list shown: Enter moves on to the next box
  EXPECT_TRUE(Shows("科目 9999 不存在") && Shows("F10/Ctrl-Q 退出")) << "80x24 holds all";
  Handle(KeyPress::kBackTab);
  EXPECT_EQ(Status(), "科目 9999 不存在") << "coming back says nothing new";
  Key(VK_DOWN);  // the first account, from the list entering the box drops down
  Type("\r");
  EXPECT_EQ(Status(), "") << "a complaint goes once the box is corrected";
  Clear();
  Type(std::string(60, '9') + "\t");
  EXPECT_TRUE(Shows("科目 9999999999…9999999999 不存在")) << "a long code is shortened";

  Key(VK_F2);
  EXPECT_TRUE(Shows("自动列出: 关") && !Shows("HotTrace"));
  form_->ShowStatus(std::string(200, 'x'), false);
  EXPECT_TRUE(Shows("xx… 自动列出: 关")) << "a long status, cut short of the switch, says so";
  Handle(KeyPress::kBackTab);
  Clear();
  Type("1002.");
  EXPECT_FALSE(Shows("1002.05")) << "without HotTrace a point lists nothing";
  Key(VK_F8);
  EXPECT_TRUE(Shows("1002.05"));
  EXPECT_TRUE(Drawn(4, "[1002.") && Drawn(5, "┌")) << "the list drops under its own box";
  Type("\b\rUSD\U0002002E");  // an edit closes the list and Enter moves on; the last
                              // character is two UTF-16 units
  EXPECT_TRUE(Shows("[USD\U0002002E"));
  Key(VK_F8);
  EXPECT_TRUE(Shows("币别 USD\U0002002E 不存在；清空本框后按 F8 列出全部币别"));

  // A wait given up is told until the ledger answers again: a key answered from what was
  // read before leaves the word standing.
  auto waiter = std::make_shared<GivingUpWaiter>();
  LiveDataOf(GetGLData())->WaitWith(waiter);
  Handle(KeyPress::kBackTab);
  Clear();
  Type("1002.0");
  waiter->giving_up = true;
  Type("3");
  const std::string given_up = "已放弃等待账套的回应，按任意键重试";
  EXPECT_EQ(Status(), given_up);
  waiter->giving_up = false;
  Type("\tU");
  Clear();
  EXPECT_EQ(Status(), given_up) << "the currencies were read before";
  Handle(KeyPress::kBackTab);
  Clear();
  Type("1002.04");
  EXPECT_EQ(Status(), "") << "a code not read before asks the ledger";
  LiveDataOf(GetGLData())->WaitWith(nullptr);

  screen_ = CellScreen(8, 40);  // the terminal shrinks under the form (see the e2e test)
  EXPECT_TRUE(Handle(KeyPress::kChar, 'x'));
  EXPECT_FALSE(Handle(KeyPress::kKey, VK_F10));
  EXPECT_FALSE(Handle(KeyPress::kChar, 17));
}

// Master data another program changes while the form runs reaches its boxes without a
// restart: a box gets a new list once its own is closed, keeping its text, caret and focus;
// the names beside the boxes follow; a box whose code is gone says so.
TEST_F(VoucherFormTest, MasterDataChangedMeanwhileReachesTheBoxesOnceTheirListsAreClosed) {
  std::shared_ptr<LiveData> live = LiveDataOf(GetGLData());
  ASSERT_TRUE(live);
  ledger::ListChanges changes = ledger::WatchLists(GetGLData());
  Type("\t1002.05\t");  // the currency box has the focus, its list dropped down
  ASSERT_TRUE(Shows("] 银行存款_招商银行") && Shows("共 6 行"));
  ledger::Database(ledger_, ledger::Database::Mode::kWrite)
      .ExecScript(
          "UPDATE accounts SET name = '现金' WHERE number = '1001';"
          "DELETE FROM accounts WHERE number = '1002.05';"
          "UPDATE currencies SET name = '美国美元' WHERE number = 'USD';");
  live->CatchUp();
  std::vector<long> kinds = changes();
  std::sort(kinds.begin(), kinds.end());
  EXPECT_EQ(kinds, (std::vector<long>{nlAccount, nlCurrency}));
  EXPECT_TRUE(form_->DataChanged(kinds));
  EXPECT_EQ(Status(), "科目 1002.05 不存在") << "the code that went, told at once";
  EXPECT_TRUE(Shows("共 6 行") && Shows("美元") && !Shows("美国美元"))
      << "the list dropped down stays as it is";
  Key(VK_ESCAPE);
  EXPECT_TRUE(form_->DataChanged({})) << "its box gets the new list once it is closed";
  EXPECT_FALSE(form_->DataChanged({})) << "and nothing more";
  Key(VK_F8);
  EXPECT_TRUE(Shows("美国美元")) << "the box with the focus lists the new names";
  Key(VK_ESCAPE);
  Handle(KeyPress::kBackTab);
  Key(VK_ESCAPE);
  EXPECT_TRUE(Shows("[1002.05 ")) << "the account box's text kept";
  Key(VK_END);
  Type("\b\b");
  Key(VK_F8);
  EXPECT_TRUE(Shows("共 4 行") && !Shows("招商银行")) << "the bank account deleted is not listed";
  Key(VK_ESCAPE);
  Clear();
  Type("1001\t");
  EXPECT_TRUE(Shows("] 现金")) << "the name beside, renamed";

  // A code added by a colleague: the status line agrees with the name beside its box. A list
  // never covers the status line.
  Handle(KeyPress::kBackTab);
  Clear();
  Key(VK_F8);
  EXPECT_TRUE(Shows("共 ") && Drawn(23, "自动列出: 开"));
  Type("1002.09\t");
  EXPECT_EQ(Status(), "科目 1002.09 不存在");
  ledger::Database(ledger_, ledger::Database::Mode::kWrite)
      .ExecScript("UPDATE accounts SET number = '1002.09' WHERE number = '1002.04';");
  live->CatchUp();
  EXPECT_TRUE(form_->DataChanged(changes()));
  EXPECT_EQ(Status(), "");
}

}  // namespace
}  // namespace glnamelist::tui
