// The account code listing and name search, run against the fakes.
#include <gtest/gtest.h>

#include "tests/providers/coded_list_fixture.h"

namespace glnamelist::testing {
namespace {

using ::testing::ElementsAre;

class AccountProviderTest : public CodedListTest {
 protected:
  AccountProviderTest() {
    provider_ = NewAccountProvider();
    fake_.gl_data()->SetAccounts({
        {.FAccountID = 1L, .FNumber = "1001", .FName = "库存现金", .FDetail = false},
        {.FAccountID = 2L, .FNumber = "1001.01", .FName = "人民币"},
        {.FAccountID = 3L, .FNumber = "1001.02", .FName = "美元"},
        {.FAccountID = 4L, .FNumber = "1002", .FName = "银行存款", .FDetail = false},
        {.FAccountID = 5L, .FNumber = "1002.01", .FName = "工行1001户", .FHelperCode = "GH"},
        {.FAccountID = 6L, .FNumber = "2001", .FName = "短期借款", .FHelperCode = "DQJK"},
        {.FAccountID = 7L, .FNumber = "6001", .FName = "折扣5%"},
        {.FAccountID = 8L, .FNumber = "6002", .FName = "折扣50"},
        {.FAccountID = 9L, .FNumber = "6003", .FName = "ab'c公司", .FHelperCode = "ABC"},
    });
    s_.account_records = fake_.gl_data()->account_records()->Clone();
  }

  std::string Filter() const { return s_.account_records->Filter(); }
};

TEST_F(AccountProviderTest, ParentCodeListsChildrenAndNamesOnRequest) {
  Type("1001.");
  List();
  EXPECT_TRUE(fake_.log()->Contains("GLData.GetAccount(1001)"));
  EXPECT_EQ(list_->last_edit_text_flag, -1);
  EXPECT_EQ(Filter(), "FNumber Like '1001.%' or FName like '%1001%'");
  EXPECT_THAT(ListedCodes(), ElementsAre("1001.01", "1001.02", "1002.01"));
  ASSERT_TRUE(shown_.parent());
  EXPECT_EQ(shown_.parent()->Number(), "1001");
  EXPECT_EQ(shown_.records(), s_.account_records);
  ExpectRowsOnRequest(1, 3);
  EXPECT_TRUE(DroppedDown());
}

TEST_F(AccountProviderTest, FilterFollowsAssetSettingsLookupAndTypedText) {
  const std::vector<std::string> details = {"1001.01", "1001.02", "1002.01", "2001",
                                            "6001",    "6002",    "6003"};
  // clang-format off
  ExpectListings( {
      {false, "", "", "FDetail <> 0", details},
      {false, "", "100", "FNumber like '100%' or FName like '%100%'",
       {"1001", "1001.01", "1001.02", "1002", "1002.01"}},
      {false, "", "1002.", "FNumber Like '1002.%' or FName like '%1002%'", {"1002.01"}},
      {true, "", "xyz", "FDetail <> 0", details},
      {true, "[6]00", "1001.", "FNumber like '[6]00%' or FName like '%[6]00%'",
       {"6001", "6002", "6003"}},
      {false, "", "ab'c", "FNumber like 'ab''c%' or FName like '%ab''c%'", {"6003"}},
      {false, "", "5%", "FNumber like '5[%]%' or FName like '%5[%]%'", {"6001"}},
      {false, "", "zzz", "", {"1001", "1001.01", "1001.02", "1002", "1002.01", "2001", "6001",
                              "6002", "6003"}},
  });
  // clang-format on
}

TEST_F(AccountProviderTest, LookupForAnyTypedTextAndDetailAccountsListNothing) {
  Type("");
  List();
  EXPECT_TRUE(fake_.log()->With("GLData.GetAccount").empty());

  // A point alone: the code looked up is empty.
  Type(".");
  List();
  EXPECT_THAT(fake_.log()->With("GLData.GetAccount"), ElementsAre("GLData.GetAccount()"));
  EXPECT_EQ(Filter(), "FDetail <> 0");
  EXPECT_FALSE(shown_.parent());

  // The code of a detail account lists nothing, also while FilterIsAsset is set.
  s_.filter_is_asset = true;
  Type("1001.01.");
  fake_.log()->Clear();
  List();
  EXPECT_TRUE(fake_.log()->Contains("GLData.GetAccount(1001.01)"));
  EXPECT_FALSE(Shown());
}

TEST_F(AccountProviderTest, WithoutTextBoxTextOrAccountsNothingHappens) {
  s_.text_box.reset();
  List();
  Search();
  EXPECT_TRUE(fake_.log()->calls().empty());

  // A listing without the account copy fails (the dispatcher absorbs it); an empty account
  // set lists nothing.
  s_.text_box = box_;
  s_.account_records.reset();
  Type("1001");
  EXPECT_THROW(List(), Error);
  s_.account_records = fakes::FakeGLData().account_records()->Clone();
  List();
  Search();
  EXPECT_FALSE(Shown());
}

TEST_F(AccountProviderTest, SearchFindsDetailAccountsByNameThenByHelperCode) {
  Type("  美元 ");
  shown_.Show(s_, {.records = s_.account_records,
                   .parent = std::make_shared<fakes::FakeAccountEntry>("1001", false)});
  fake_.log()->Clear();
  Search();
  EXPECT_EQ(Filter(), "FDetail <> 0 And FName Like '*美元*'");
  EXPECT_EQ(s_.account_records->Sort(), "");
  EXPECT_THAT(ListedCodes(), ElementsAre("1001.02"));
  EXPECT_EQ(shown_.parent()->Number(), "1001");
  ExpectRowsOnRequest(1, 1);
  EXPECT_TRUE(DroppedDownFound());
  EXPECT_FALSE(DroppedDown());

  // Typed wildcards and quotes stand for themselves.
  Type("5%");
  Search();
  EXPECT_EQ(Filter(), "FDetail <> 0 And FName Like '*5[%]*'");
  EXPECT_THAT(ListedCodes(), ElementsAre("6001"));
  Type("b'c");
  Search();
  EXPECT_EQ(Filter(), "FDetail <> 0 And FName Like '*b''c*'");
  EXPECT_THAT(ListedCodes(), ElementsAre("6003"));

  // Names failing, helper codes are searched, sorted by code.
  fake_.log()->Clear();
  Type("jk");
  Search();
  EXPECT_EQ(Filter(), "FDetail <> 0 And FHelperCode Like '*jk*'");
  EXPECT_EQ(s_.account_records->Sort(), "FNumber");
  EXPECT_THAT(ListedCodes(), ElementsAre("2001"));
  EXPECT_TRUE(DroppedDownFound());

  // Without a match the filter goes and the typed text is shown.
  fake_.log()->Clear();
  Type("ab'x");
  Search();
  EXPECT_EQ(Filter(), "");
  EXPECT_FALSE(Shown());
  ExpectMessage("没有查询到名称包含''ab'x''的明细科目数据");
}

}  // namespace
}  // namespace glnamelist::testing
