// The fakes' own behaviour that other suites rely on without seeing it: window text and
// buffer text in whole UTF-8 characters, placeholders, and the item set's filter and sort.
#include <gtest/gtest.h>

#include "tests/fakes/scoped_fake_environment.h"

namespace glnamelist::fakes {
namespace {

TEST(FakeEnvironmentTest, WindowTextIsCopiedInWholeCharactersWithATerminatingNul) {
  FakeEnvironment env;
  env.windows[1] = {.text = "现金ab"};  // 3 + 3 + 2 bytes
  EXPECT_EQ(env.GetWindowTextLengthA(1), 8);
  std::string buffer(9, ' ');
  EXPECT_EQ(env.GetWindowTextA(1, buffer, 9), 8);
  EXPECT_EQ(buffer, std::string("现金ab\0", 9));
  std::string small(5, ' ');
  EXPECT_EQ(env.GetWindowTextA(1, small, 5), 3) << "4 bytes would split the second character";
  EXPECT_EQ(small, std::string("现\0 ", 5));
}

TEST(FakeEnvironmentTest, TheHelperCutsBuffersAndFillsPlaceholders) {
  FakeTextHelper helper;
  EXPECT_EQ(helper.BufferText(std::string("现金\0xx", 9), 9), "现金");
  EXPECT_EQ(helper.BufferText("现金", 4), "现");
  EXPECT_EQ(helper.FormatArgs("''%1'' %2 %10 %", {Variant("a"), Variant(2L)}), "''a'' 2 a0 %");
  EXPECT_EQ(helper.FormatArgs("%3", {Variant("a")}), "%3");
}

TEST(FakeGLDataTest, FullNamesJoinTheLevelsAndTheItemSetFiltersAndSorts) {
  auto gl = std::make_shared<FakeGLData>();
  gl->SetAccounts({{.FAccountID = 1L, .FNumber = "1001", .FName = "Cash"},
                   {.FAccountID = 2L, .FNumber = "1001.01", .FName = "Petty"},
                   {.FAccountID = 3L, .FNumber = "1001.01.07", .FName = "Box"}});
  EXPECT_EQ(gl->GetAccountFullName(3), "Cash_Petty_Box");
  EXPECT_THROW(gl->GetAccountFullName(9), Error);

  gl->SetItems(3, {{.FItemID = 1L, .FNumber = "02", .FName = "B"},
                   {.FItemID = 2L, .FNumber = "01", .FName = "A", .FDetail = false},
                   {.FItemID = 3L, .FNumber = "00", .FName = "C"}});
  FakeItemSet items(gl);
  EXPECT_THROW(items.Recordset(), Error);
  items.ItemClassID(3);
  items.Filter(" FDetail=1 ");
  items.Sort("FNumber");
  items.Refresh();
  RecordsetPtr rs = items.Recordset();
  ASSERT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(rs->Fields("FNumber").ToText(), "00");
  rs->Clone()->Filter("FNumber = '02'");
  EXPECT_EQ(rs->Clone()->RecordCount(), 2) << "a clone sees exactly the loaded items";
}

}  // namespace
}  // namespace glnamelist::fakes
