// The terminal list control without a terminal: which rows it asks for, how the keys move
// the selection, what Enter writes, where the list goes and what it draws.
#include "tui/terminal_name_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "contracts/virtual_keys.h"
#include "tests/fakes/fake_environment.h"
#include "tui/list_layout.h"
#include "tui/text.h"

namespace glnamelist::tui {
namespace {

using fakes::FakeEnvironment;

constexpr long kBox = 42;
// The rows a list shows under the box on row 2 of a 30-row screen.
constexpr long kPage = 30 - 3 - 2;

// A list host and form that writes chosen codes into the environment's windows (so that
// the list reads them back) and records errors reported and the list shown.
class FakeHost : public ListHost, public host::ListForm {
 public:
  explicit FakeHost(FakeEnvironment& env) : env_(env) {}
  int rows = 30;
  int cols = 100;
  std::map<long, Rect> boxes;
  std::vector<std::string> errors;
  host::NameListBase* shown = nullptr;

  Rect BoxRect(long hWnd) override { return boxes.count(hWnd) ? boxes[hWnd] : Rect{}; }
  int ScreenRows() override { return rows; }
  int ScreenCols() override { return cols; }
  std::string PictureGlyph(const std::string& key) override { return key == "Bank" ? "$" : "·"; }
  void RowChosen(host::NameListBase&, long hWnd, long, const std::string& code) override {
    env_.windows[hWnd].text = code;
  }
  void ChoiceEnded(host::NameListBase&, long) override {}
  void ListShown(host::NameListBase& list) override { shown = &list; }
  void ListHidden(host::NameListBase& list) override {
    if (shown == &list) shown = nullptr;
  }
  void ReportError(const std::string& message) override { errors.push_back(message); }

 private:
  FakeEnvironment& env_;
};

class TerminalNameListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = std::make_shared<FakeEnvironment>();
    previous_ = SetEnv(env_);
    host_ = std::make_shared<FakeHost>(*env_);
    host_->boxes[kBox] = Rect{2, 10, 1, 30};
    list_ = std::make_shared<TerminalNameList>(host_, host_);
    list_->OwnerHwnd(kBox);
    data_ = std::static_pointer_cast<host::ListRows>(list_->ListData());
    sel_changed_ =
        list_->SelChanged.Connect([this] { sel_changes_.push_back(env_->windows[kBox].text); });
  }
  void TearDown() override { SetEnv(previous_); }

  // Rows on request, filled by fill (by default "<row>", "1002.<row>", "银行存款_<row>"),
  // recording each request.
  void OnRequest(long rows, std::function<void(long)> fill = nullptr) {
    data_->Cols(2);
    data_->RowsOnRequest(-1);
    data_->Rows(rows);
    if (!fill) {
      fill = [this](long row) {
        data_->CellText(row, 0, std::to_string(row));
        data_->CellText(row, 1, "1002." + std::to_string(row));
        data_->CellText(row, 2, "银行存款_" + std::to_string(row));
      };
    }
    request_ = data_->DataRequest.Connect([this, fill](long row) {
      requested_.push_back(row);
      fill(row);
    });
  }

  // Sends a key down as the subclassing object would; returns bExecProc.
  bool Key(long key, long msg = WM_KEYDOWN) {
    bool exec = true;
    long result = 7;
    list_->EnterWindowProc(kBox, msg, key, 0, exec, result);
    EXPECT_TRUE(exec || result == 0);
    list_->LeaveWindowProc(kBox, msg, key, 0);
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

  std::shared_ptr<FakeEnvironment> env_;
  std::shared_ptr<Environment> previous_;
  std::shared_ptr<FakeHost> host_;
  std::shared_ptr<TerminalNameList> list_;
  std::shared_ptr<host::ListRows> data_;
  Connection sel_changed_;
  Connection request_;
  std::vector<std::string> sel_changes_;  // the box text at each SelChanged
  std::vector<long> requested_;
  CellScreen screen_{30, 100};
};

TEST_F(TerminalNameListTest, AsksOnlyForThePaintedRowsOfAHugeListOnceAndReportsFailures) {
  OnRequest(1'000'000);
  list_->DropDown();
  EXPECT_TRUE(requested_.empty()) << "nothing is asked for before painting";
  list_->Paint(screen_);
  ASSERT_EQ(std::ssize(requested_), kPage);
  EXPECT_EQ(requested_.back(), kPage) << "the painted rows";
  list_->Paint(screen_);
  EXPECT_EQ(std::ssize(requested_), kPage) << "rows handed over are kept";

  Key(VK_END);
  list_->Paint(screen_);
  ASSERT_EQ(std::ssize(requested_), 2 * kPage);
  EXPECT_EQ(requested_[kPage], 1'000'000 - kPage + 1);
  EXPECT_EQ(requested_.back(), 1'000'000);
  EXPECT_TRUE(Selects(1'000'000));

  data_->Rows(1'000'000);  // a new listing forgets the rows
  list_->Paint(screen_);
  EXPECT_EQ(std::ssize(requested_), 3 * kPage);

  OnRequest(2, [](long) { throw Error(3021, "no current record"); });
  EXPECT_NO_THROW(list_->Paint(screen_));
  ASSERT_EQ(host_->errors.size(), 1u) << "one report for the painting";
  EXPECT_NE(host_->errors[0].find("3021"), std::string::npos);
}

TEST_F(TerminalNameListTest, KeysMoveTheSelectionWithinTheRowsRaiseNothingAndANewTextStartsOver) {
  OnRequest(30);
  env_->windows[kBox].text = " \t1002. ";
  EXPECT_EQ(list_->GetEditText(kBox, 0), " \t1002. ");
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
  Key(VK_NEXT);
  press(VK_NEXT, 30, 30 - kPage + 1);
  press(VK_PRIOR, 30 - kPage, 30 - kPage);
  press(VK_HOME, 1, 1);
  Key(VK_END);
  press(VK_DOWN, 30, 30 - kPage + 1);
  EXPECT_TRUE(sel_changes_.empty()) << "browsing is no choice: the found rows stay";
  EXPECT_TRUE(Drawn(3, "查找结果"));
  EXPECT_EQ(StyleOf(4, "1002.6 "), Style::kMatch) << "the trimmed text is marked";
  EXPECT_EQ(StyleOf(4, ".6 "), Style::kNormal) << "but not its trailing point";

  data_->Rows(30);  // F9 again on the same text keeps the selection
  list_->DropDownFound();
  EXPECT_TRUE(Selects(30));
  list_->DropDown();
  EXPECT_TRUE(Selects(1)) << "a code listing starts at the first row";
  Key(VK_DOWN);
  env_->windows[kBox].text = "1003";
  list_->DropDown();
  EXPECT_TRUE(Selects(1)) << "so does a new text";
}

TEST_F(TerminalNameListTest, EnterWritesTheFullCodeWithoutThePlusAndClosesKeysStayHidden) {
  data_->Cols(2);
  data_->RowsOnRequest(2);  // column 0 holds a hidden key
  data_->Rows(2);
  data_->CellText(1, 0, "7");
  data_->CellText(1, 1, "01");
  data_->CellText(2, 1, "02 +");
  data_->CellText(2, 2, "北京分部");
  list_->DropDown();
  list_->Paint(screen_);
  EXPECT_TRUE(Drawn(5, "02 +  北京分部")) << screen_.Line(5);
  EXPECT_EQ(screen_.Line(4).find('7'), std::string::npos);
  Key(VK_DOWN);
  EXPECT_FALSE(Key(VK_RETURN)) << "Enter never reaches the box while the list is shown";
  EXPECT_TRUE(!list_->Visible() && host_->shown == nullptr);
  EXPECT_EQ(sel_changes_, std::vector<std::string>{"02"}) << "SelChanged once the code is in";

  OnRequest(0);  // Enter on an empty list closes it and chooses nothing
  list_->DropDown();
  EXPECT_FALSE(Key(VK_RETURN));
  EXPECT_TRUE(!list_->Visible() && host_->errors.empty() && sel_changes_.size() == 1);

  OnRequest(500);  // Enter asks for a row that was never painted
  list_->DropDown();
  Key(VK_END);
  Key(VK_RETURN);
  EXPECT_EQ(requested_, std::vector<long>{500});
  EXPECT_EQ(env_->windows[kBox].text, "1002.500");
}

TEST_F(TerminalNameListTest, TakesOnlyListKeysWhileShownForItsOwnBoxAndClosesOnEdits) {
  OnRequest(5);
  EXPECT_TRUE(Key(VK_DOWN)) << "hidden: the box gets every key";
  list_->DropDown();
  EXPECT_TRUE(Key(VK_F8));
  EXPECT_TRUE(Key(VK_LEFT));
  EXPECT_FALSE(Key(VK_RETURN, WM_CHAR));
  bool exec = true;
  long result = 0;
  list_->EnterWindowProc(kBox + 1, WM_KEYDOWN, VK_DOWN, 0, exec, result);
  EXPECT_TRUE(exec) << "another box's keys are not the list's";
  EXPECT_FALSE(Key(VK_DOWN | 0x10000)) << "only the low word holds the key";
  EXPECT_TRUE(Selects(2));

  // Key events forwarded by the host move it too, unless the host turns them off.
  short key = VK_DOWN;
  short shift = 0;
  EXPECT_TRUE(list_->OnKeyDown(key, shift) && key == 0) << "taken";
  key = VK_DOWN;
  EXPECT_TRUE(list_->OnKeyUp(key, shift));
  list_->NoKeyDownKeyUp(true);
  key = VK_DOWN;
  EXPECT_TRUE(!list_->OnKeyDown(key, shift) && key == VK_DOWN) << "left alone";
  EXPECT_TRUE(Selects(3));

  EXPECT_FALSE(Key(VK_ESCAPE));
  EXPECT_FALSE(list_->Visible());
  EXPECT_TRUE(sel_changes_.empty() && env_->windows[kBox].text.empty()) << "Esc chooses nothing";
  // Editing the text or leaving the box closes the list too.
  const std::function<void()> closers[] = {
      [this] { Key('x', WM_CHAR); }, [this] { Key(VK_BACK); },
      [this] { list_->LeaveWindowProc(kBox, WM_KILLFOCUS, 0, 0); }};
  for (const auto& close : closers) {
    list_->DropDown();
    close();
    EXPECT_FALSE(list_->Visible());
  }
}

TEST_F(TerminalNameListTest, DropsUnderTheBoxOrAboveItUsingTheScreenAndCoversTheBrackets) {
  OnRequest(3);
  const Rect box{2, 10, 1, 30};
  Rect f = ListFrame(*data_, box, 30, 100);
  EXPECT_EQ(f.y, 3);
  EXPECT_EQ(f.x, 9) << "from the box's opening bracket";
  EXPECT_EQ(f.height, 3 + 2) << "as tall as the rows";
  EXPECT_EQ(f.width, 100 - 9) << "rows on request take the width right of the box";

  data_->Rows(100);
  f = ListFrame(*data_, Rect{27, 90, 1, 10}, 30, 100);
  EXPECT_EQ(std::make_pair(f.y, f.height), std::make_pair(0, 27)) << "above, all the room used";
  EXPECT_EQ(f.x + f.width, 100) << "moved left to fit";

  data_->RowsOnRequest(0);  // copied rows are measured
  data_->Rows(1);
  EXPECT_EQ(ListFrame(*data_, box, 30, 100).width, kMinListWidth);
  EXPECT_EQ(ListFrame(*data_, Rect{2, 10, 1, 50}, 30, 100).width, 52) << "both brackets covered";
  data_->CellText(1, 1, std::string(50, 'x'));
  data_->CellText(1, 2, "名称");
  EXPECT_EQ(ListFrame(*data_, box, 30, 100).width, 1 + 1 + 2 + 1 + 50 + 2 + 4 + 2 + 1)
      << "frame, marker, glyph, a gap, the cells and a gap after each, frame";
  data_->CellText(1, 1, std::string(120, 'x'));
  EXPECT_EQ(ListFrame(*data_, box, 30, 100).width, 100) << "as wide as the screen at most";

  host_->rows = 3;
  host_->boxes[kBox] = Rect{1, 0, 1, 10};
  list_->DropDown();
  CellScreen tiny(3, 100);
  list_->Paint(tiny);
  EXPECT_EQ(tiny.Text(), "\n\n\n") << "no room: nothing drawn, nothing broken";
}

TEST_F(TerminalNameListTest, PaintsColumnsGlyphsPositionAndTheTypedTextMarked) {
  env_->windows[kBox].text = "银行";
  OnRequest(3, [this](long row) {
    data_->CellText(row, 0, "0" + std::to_string(row));
    data_->CellText(row, 1, "1002.0" + std::to_string(row));
    data_->CellText(row, 2, "银行存款_工商银行");
    data_->RowPicture(row, env_->PictureOf(row == 1 ? "Bank" : "Detail"));
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

  host_->cols = 24;  // little room: the name is cut, and says so
  list_->Paint(screen_);
  EXPECT_TRUE(Drawn(4, "1002.01  银行存款…│")) << screen_.Line(4);

  // A code listing: a short code equal to the full code (an entry without a parent) is
  // drawn once.
  host_->cols = 100;
  OnRequest(2, [this](long row) {
    data_->CellText(row, 0, row == 1 ? "01" : "6603.02");
    data_->CellText(row, 1, "6603.0" + std::to_string(row));
    data_->CellText(row, 2, "财务费用");
  });
  list_->DropDown();
  list_->Paint(screen_);
  EXPECT_TRUE(Drawn(4, "01       6603.01  财务费用")) << screen_.Line(4);
  EXPECT_TRUE(Drawn(5, "│             6603.02  财务费用")) << screen_.Line(5);
}

}  // namespace
}  // namespace glnamelist::tui
