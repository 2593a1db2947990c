#include "platform/text_helper.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace glnamelist::platform {
namespace {

TEST(FormatArgsTest, ReplacesNumberedPlaceholdersOnce) {
  StandardTextHelper helper;
  EXPECT_EQ(helper.FormatArgs("找不到“%1”", {Variant("银行")}), "找不到“银行”");
  EXPECT_EQ(helper.FormatArgs("%2-%1-%2", {Variant(1L), Variant(2.5)}), "2.5-1-2.5");
  // Replacement text is not expanded again.
  EXPECT_EQ(helper.FormatArgs("%1%2", {Variant("%2"), Variant("x")}), "%2x");
  // Null and empty arguments show as nothing.
  EXPECT_EQ(helper.FormatArgs("[%1][%2]", {Variant(Null{}), Variant()}), "[][]");
}

TEST(FormatArgsTest, LeavesEverythingElseAlone) {
  StandardTextHelper helper;
  std::vector<Variant> one = {Variant("A")};
  EXPECT_EQ(helper.FormatArgs("%0 %% %x 100% %", one), "%0 %% %x 100% %");
  EXPECT_EQ(helper.FormatArgs("%2 %9 %1", one), "%2 %9 A");  // missing arguments stay
  EXPECT_EQ(helper.FormatArgs("%10", one), "A0");
  EXPECT_EQ(helper.FormatArgs("%%1", one), "%A");
  EXPECT_EQ(helper.FormatArgs("", one), "");
  std::vector<Variant> nine;
  for (int i = 1; i <= 9; ++i) nine.emplace_back(i * 11);
  EXPECT_EQ(helper.FormatArgs("%9%1", nine), "9911");
}

TEST(BufferTextTest, GivesTheWholeCharactersOfTheFirstBytes) {
  StandardTextHelper helper;
  std::string buffer = std::string("现金01") + '\0' + " ";  // what GetWindowTextA leaves
  EXPECT_EQ(helper.BufferText(buffer, 8), "现金01");
  EXPECT_EQ(helper.BufferText(buffer, 9), "现金01");  // stops at the NUL
  EXPECT_EQ(helper.BufferText(buffer, 5), "现");      // never half a character
  EXPECT_EQ(helper.BufferText(buffer, 2), "");
  EXPECT_EQ(helper.BufferText(buffer, 1000), "现金01");  // longer than the buffer
  EXPECT_EQ(helper.BufferText(buffer, 0), "");
  EXPECT_EQ(helper.BufferText(buffer, -3), "");
  EXPECT_EQ(helper.BufferText("", 4), "");
  EXPECT_EQ(helper.BufferText("ab  ", 2), "ab");  // spare buffer is not part of the text
}

TEST(BufferTextTest, InvalidBytesComeThroughOneByOne) {
  StandardTextHelper helper;
  std::string bad = "a\xFF\xE7\x8E";  // a stray byte, then a truncated character
  EXPECT_EQ(helper.BufferText(bad, 2), "a\xFF");
  EXPECT_EQ(helper.BufferText(bad, 4), bad);
}

}  // namespace
}  // namespace glnamelist::platform
