// Measuring terminal text: wide characters, clipping, malformed bytes, marking.
#include "tui/text.h"

#include <gtest/gtest.h>

#include "tui/screen.h"

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

}  // namespace
}  // namespace glnamelist::tui
