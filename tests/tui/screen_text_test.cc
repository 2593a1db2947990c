// Measuring terminal text (wide characters, clipping, malformed bytes, marking), the
// in-memory screen, form layout, long texts in a box, and the message dialog.
#include <gtest/gtest.h>

#include "host/marks.h"
#include "tui/form_layout.h"
#include "tui/message_dialog.h"
#include "tui/screen.h"
#include "tui/text.h"

namespace glnamelist::tui {
namespace {

TEST(TerminalText, WidthsClippingMalformedBytesAndMatches) {
  EXPECT_EQ(TextWidth("1002 银行存款"), 13);
  EXPECT_EQ(ClipToWidth("银行存款", 5), "银行") << "a wide character is never cut in half";
  EXPECT_EQ(PadToWidth("银行存款", 5), "银行 ");
  EXPECT_EQ(ClipToWidth("ab", 0), "");
  EXPECT_EQ(WrapToWidth("中abc de", 4), (std::vector<std::string>{"中", "abc ", "de"}))
      << "lines break after a wide character or a space, never inside a word";
  auto glyphs = DecodeUtf8(
      "a\xE9\xB6"
      "b\xFF");
  ASSERT_EQ(glyphs.size(), 5u);
  EXPECT_EQ(glyphs[1].code, 0xFFFDu);
  EXPECT_EQ(glyphs[3].code, U'b');
  EXPECT_EQ(DecodeUtf8("\xC0\xAF")[0].code, 0xFFFDu) << "overlong form";
  EXPECT_EQ(Printable("a\tb\n"), "a b ");
  using host::FindAll;
  auto hits = FindAll("ZA现金zaZA", "za");  // letter case ignored, no overlaps
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_EQ(hits[1].first, 8u);
  EXPECT_EQ(FindAll("aaaa", "aa").size(), 2u);
  EXPECT_TRUE(FindAll("abc", "").empty());
}

TEST(CellScreenTest, ClipsAtEveryEdgeRepairsOverwrittenWideCharactersAndDrawsFrames) {
  CellScreen s(2, 6);
  EXPECT_EQ(s.Put(0, 0, "银行存款", Style::kNormal), 6);
  s.Put(0, 1, "x", Style::kMatch);  // the right half of 银
  s.Put(0, 2, "y", Style::kMatch);  // the left half of 行
  EXPECT_EQ(s.Line(0), " xy 存");
  EXPECT_EQ(s.StyleAt(0, 1), Style::kMatch);
  EXPECT_EQ(s.Put(1, 5, "银", Style::kNormal), 0) << "half a wide character is not drawn";
  EXPECT_EQ(s.Put(1, -1, "银ab", Style::kTitle), 2) << "nor a character left of the screen";
  EXPECT_EQ(s.Line(1), " ab");
  for (auto [y, x] : {std::pair{-1, 0}, {2, 0}, {0, -1}, {0, 6}}) {
    EXPECT_EQ(s.Put(y, x, "z", Style::kTitle), 0);
    EXPECT_EQ(s.StyleAt(y, x), Style::kNormal);
    EXPECT_EQ(s.CharAt(y, x), " ");
  }
  EXPECT_EQ(s.Text(), " xy 存\n ab\n");
  EXPECT_EQ(s.Line(2), "");
  CellScreen framed(4, 6);
  DrawFrame(framed, Rect{0, 0, 3, 5}, Style::kFrame);
  framed.Put(1, 2, "x", Style::kNormal);
  FillRect(framed, Rect{1, 1, 1, 3}, Style::kNormal);
  EXPECT_EQ(framed.Text(), "┌───┐\n│   │\n└───┘\n\n");
}

TEST(FormLayoutTest, SpacesBoxesWhenThereIsRoomAndRefusesATooSmallScreen) {
  FormLayout roomy = LayOutForm(30, 100, 9);
  ASSERT_TRUE(roomy.fits);
  EXPECT_EQ(roomy.spacing, 2);
  EXPECT_LT(roomy.Box(8).y, roomy.help_row);
  EXPECT_EQ(roomy.status_row, 29);
  EXPECT_LE(roomy.box_x + roomy.box_width + 1, 100) << "the closing bracket is on screen";
  FormLayout tight = LayOutForm(MinFormRows(9), kMinFormCols, 9);
  ASSERT_TRUE(tight.fits);
  EXPECT_EQ(tight.spacing, 1);
  EXPECT_LT(tight.Box(8).y, tight.help_row);
  EXPECT_FALSE(LayOutForm(MinFormRows(9) - 1, 100, 9).fits);
  EXPECT_FALSE(LayOutForm(30, kMinFormCols - 1, 9).fits);
}

TEST(FormLayoutTest, ALongTextScrollsSoThatTheCaretStaysInTheBox) {
  std::string pasted = std::string(300, 'x') + "尾巴";
  struct Case {
    std::string text;
    long caret;
    std::string shown;
    int caret_x;
  };
  for (const auto& [text, caret, shown, caret_x] :
       {Case{"1002.01", 4, "1002.01", 4},
        {pasted, 302, std::string(5, 'x') + "尾巴", 9},
        {pasted, 0, std::string(10, 'x'), 0},
        {"abc", 99, "abc", 3}}) {  // a caret past the end is clamped
    BoxView view = ViewOfBox(text, caret, 10);
    EXPECT_EQ(view.text, shown) << caret;
    EXPECT_EQ(view.caret_x, caret_x) << caret;
  }
}

TEST(MessageDialogTest, CentresTheWrappedTextWithCaptionAndOkButton) {
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
  std::string joined;
  for (const std::string& line : WrapText(text, 20)) {
    EXPECT_LE(TextWidth(line), 20);
    joined += line;
  }
  EXPECT_EQ(joined, text) << "wrapping loses nothing";
  CellScreen narrow(12, 20);
  MessageDialog(text, "澄枫提示").Paint(narrow);  // must stay inside the screen
  EXPECT_NE(narrow.Text().find("确定"), std::string::npos);
}

}  // namespace
}  // namespace glnamelist::tui
