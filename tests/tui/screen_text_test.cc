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

TEST(TerminalText, ChineseTakesTwoColumnsAndIsNeverCutInHalf) {
  EXPECT_EQ(TextWidth("1002 银行存款"), 13);
  EXPECT_EQ(ClipToWidth("银行存款", 5), "银行");
  EXPECT_EQ(PadToWidth("银行存款", 5), "银行 ");
  EXPECT_EQ(ClipToWidth("ab", 0), "");
}

TEST(TerminalText, MalformedBytesBecomeSingleReplacementCharacters) {
  std::string bad =
      "a\xE9\xB6"
      "b\xFF";
  auto glyphs = DecodeUtf8(bad);
  ASSERT_EQ(glyphs.size(), 5u);
  EXPECT_EQ(glyphs[1].code, 0xFFFDu);
  EXPECT_EQ(glyphs[3].code, U'b');
  EXPECT_EQ(DecodeUtf8("\xC0\xAF")[0].code, 0xFFFDu) << "overlong form";
  EXPECT_EQ(Printable("a\tb\n"), "a b ");
}

TEST(TerminalText, FindAllIgnoresLetterCaseAndDoesNotOverlap) {
  using host::FindAll;
  auto hits = FindAll("XJ现金xjXJ", "xj");
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_EQ(hits[1].first, 8u);
  EXPECT_EQ(FindAll("aaaa", "aa").size(), 2u);
  EXPECT_TRUE(FindAll("abc", "").empty());
}

TEST(CellScreenTest, ClipsAtTheEdgeAndRepairsOverwrittenWideCharacters) {
  CellScreen s(2, 6);
  EXPECT_EQ(s.Put(0, 0, "银行存款", Style::kNormal), 6);
  s.Put(0, 1, "x", Style::kMatch);  // lands on the right half of 银
  EXPECT_EQ(s.Line(0), " x行存");
  EXPECT_EQ(s.Put(1, 5, "银", Style::kNormal), 0) << "half a wide character is not drawn";
  EXPECT_EQ(s.Put(7, 0, "x", Style::kNormal), 0);
  EXPECT_EQ(s.StyleAt(0, 1), Style::kMatch);
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
  EXPECT_NE(TooSmallMessage(8, 40, 9).find("40 x 8"), std::string::npos);
}

TEST(FormLayoutTest, ALongTextScrollsSoThatTheCaretStaysInTheBox) {
  BoxView short_text = ViewOfBox("1002.01", 4, 10);
  EXPECT_EQ(short_text.text, "1002.01");
  EXPECT_EQ(short_text.caret_x, 4);

  std::string pasted(300, 'x');
  pasted += "尾巴";
  BoxView end = ViewOfBox(pasted, 302, 10);
  EXPECT_LE(TextWidth(end.text), 10);
  EXPECT_EQ(end.text.substr(end.text.size() - 6), "尾巴");
  EXPECT_EQ(end.caret_x, 9);

  BoxView start = ViewOfBox(pasted, 0, 10);
  EXPECT_EQ(start.text, std::string(10, 'x'));
  EXPECT_EQ(start.caret_x, 0);
  EXPECT_EQ(ViewOfBox("abc", 99, 10).caret_x, 3) << "a caret past the end is clamped";
}

TEST(MessageDialogTest, CentresTheWrappedTextWithCaptionAndOkButton) {
  std::string text = "没有查询到名称包含''" + std::string(80, 'a') + "''的明细科目数据";
  CellScreen screen(30, 100);
  MessageDialog dialog(text, "澄枫提示");
  Rect f = dialog.Frame(30, 100);
  EXPECT_EQ(f.x, (100 - f.width) / 2);
  EXPECT_EQ(f.y, (30 - f.height) / 2);
  dialog.Paint(screen);
  std::string shown = screen.Text();
  EXPECT_NE(shown.find("澄枫提示"), std::string::npos);
  EXPECT_NE(shown.find("[ 确定 ]"), std::string::npos);
  EXPECT_NE(shown.find("没有查询到名称包含''"), std::string::npos);
  EXPECT_NE(shown.find("数据"), std::string::npos) << "the end of the text is shown";

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
