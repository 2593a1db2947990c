// Rows on request: what the list control receives when it asks for a row of an account,
// item or SubMes list, and how rows are built once and kept.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "component/gl_name_list_impl.h"
#include "tests/fakes/error_of.h"
#include "tests/fakes/name_list_fixture.h"

namespace glnamelist::fakes {
namespace {

// Over the inside of a GLNameList, whose list on show a test sets as a listing would.
class RowSupplyTest : public BasicNameListFixture<GLNameListImpl> {
 protected:
  void SetUp() override {
    fake.gl_data()->SetAccounts({
        {.FAccountID = 1L, .FNumber = "1001", .FName = "Cash", .FDetail = false},
        {.FAccountID = 2L, .FNumber = "1001.01", .FName = "Petty", .FIsBank = true},
        {.FAccountID = 3L, .FNumber = "1001.02", .FName = "Safe"},
        {.FAccountID = 4L, .FNumber = "1002", .FName = "Bank"},
    });
    fake.gl_data()->SetFullName(2, "Cash_Petty");
    fake.gl_data()->SetFullName(3, "Cash_Safe");
    list = MakeList();
  }

  NameListState& S() { return list->state(); }
  const RecordsetPtr& Shown() { return list->shown().records(); }
  // The items as an unfiltered record set of the data service.
  RecordsetPtr Items(const std::vector<ItemRow>& items) {
    fake.gl_data()->SetItems(99, items);
    return fake.gl_data()->ItemRecords(99);
  }

  // Shows records (and the parent) as a listing of kind does.
  void Show(long kind, RecordsetPtr records, std::optional<EntryPtr> parent = EntryPtr()) {
    S().name_list_type = kind;
    S().show_listing({.records = std::move(records), .parent = std::move(parent)});
  }

  // The children of account 1001, as the account listing leaves them.
  void ShowAccountChildren(EntryPtr parent) {
    list->NameListType(nlAccount);
    RecordsetPtr rs = S().account_records->Clone();
    rs->Filter("FNumber LIKE '1001.*'");
    Show(nlAccount, rs, std::move(parent));
  }

  std::vector<std::string> Cells(long row) {
    return {rows().Cell(row, 0).value_or("<none>"), rows().Cell(row, 1).value_or("<none>"),
            rows().Cell(row, 2).value_or("<none>")};
  }
  PicturePtr Pic(const char* key) { return fake.env().Pictures().Get(key); }
};

using ::testing::ElementsAre;

TEST_F(RowSupplyTest, AnAccountRowShowsRelativeCodeFullCodeFullNameAndPicture) {
  ShowAccountChildren(std::make_shared<FakeAccountEntry>("1001", false));
  // A failed row is not kept.
  fake.gl_data()->FailAt("GetAccountFullName", Error(errc::kDataService, "ledger closed"));
  EXPECT_THROW(rows().RequestRow(1), Error);
  EXPECT_EQ(rows().Cell(1, 0), std::nullopt);
  fake.gl_data()->ClearFailure("GetAccountFullName");

  fake.log()->Clear();
  rows().RequestRow(2);
  EXPECT_THAT(fake.log()->calls(),
              ElementsAre("GLData.GetAccountFullName(3)", "NameList.ListData()",
                          "ListData.CellText(2, 0, 02)", "ListData.CellText(2, 1, 1001.02)",
                          "ListData.CellText(2, 2, Cash_Safe)", "ListData.RowPicture(2, Detail)"));
  rows().RequestRow(1);
  EXPECT_THAT(Cells(1), ElementsAre("01", "1001.01", "Cash_Petty"));
  EXPECT_EQ(rows().pictures[1], Pic("Bank"));

  rows().RequestRow(2);
  rows().RequestRow(1);
  EXPECT_EQ(fake.gl_data()->CallCount("GetAccountFullName"), 3)
      << "one call per account, and one for the failed row";
}

TEST_F(RowSupplyTest, RowsOutsideTheRecordsOrOfOtherKindsAreNotAnswered) {
  ShowAccountChildren(nullptr);
  Shown()->Sort("FNumber DESC");
  Shown()->AbsolutePosition(2);
  fake.log()->Clear();
  rows().RequestRow(0);
  rows().RequestRow(3);
  EXPECT_TRUE(fake.log()->calls().empty());
  EXPECT_EQ(Shown()->AbsolutePosition(), 2);

  rows().RequestRow(2);
  EXPECT_THAT(Cells(2), ElementsAre("1001.01", "1001.01", "Cash_Petty")) << "last in sort order";

  // Other kinds get nothing on request.
  S().item_class_id = 3;
  Show(nlCurrency, Items({{.FItemID = 1L, .FNumber = "RMB", .FName = "Yuan"}}));
  rows().cells.clear();
  fake.log()->Clear();
  rows().RequestRow(1);
  EXPECT_TRUE(fake.log()->calls().empty());
  EXPECT_TRUE(rows().cells.empty());
}

TEST_F(RowSupplyTest, AKeptRowKeepsNameAndPictureButFollowsTheParentInForce) {
  ShowAccountChildren(std::make_shared<FakeAccountEntry>("1001", false));
  rows().RequestRow(2);
  S().pic_default = Pic("Apple");
  list->Picture("1001.02", Pic("Bank"));
  fake.gl_data()->SetFullName(3, "Renamed");

  Show(nlAccount, Shown(), std::make_shared<FakeAccountEntry>("1001.02", true));
  rows().RequestRow(2);
  EXPECT_EQ(rows().Cell(2, 0), "") << "a code no longer than its parent's shows nothing";

  Show(nlAccount, Shown(), EntryPtr());
  rows().RequestRow(2);
  EXPECT_THAT(Cells(2), ElementsAre("1001.02", "1001.02", "Cash_Safe"));
  EXPECT_EQ(rows().pictures[2], Pic("Detail"));
  EXPECT_EQ(fake.gl_data()->CallCount("GetAccountFullName"), 1);
}

TEST_F(RowSupplyTest, ItemsOfTwoClassesWithOneIdAreTwoRowsShowingTheCurrentDefaultPicture) {
  S().pic_default = Pic("Item");
  S().item_class_id = 3;
  Show(nlItem, Items({{.FItemID = 7L, .FNumber = "01", .FName = "Bolt"}}));
  rows().RequestRow(1);
  EXPECT_THAT(Cells(1), ElementsAre("01", "01", "Bolt"));

  S().item_class_id = 4;
  S().pic_default = Pic("Apple");
  Show(nlItem, Items({{.FItemID = 7L, .FNumber = "02", .FName = "Nut"}}));
  rows().RequestRow(1);
  EXPECT_THAT(Cells(1), ElementsAre("02", "02", "Nut"));
  EXPECT_EQ(rows().pictures[1], Pic("Apple"));

  S().item_class_id = 3;
  S().pic_default = nullptr;
  rows().RequestRow(1);
  EXPECT_THAT(Cells(1), ElementsAre("01", "01", "Bolt")) << "class 3's row, kept";
  EXPECT_EQ(rows().pictures[1], nullptr) << "PicDefault is read at each request";
}

TEST_F(RowSupplyTest, RelativeCodesCountCharactersNullsShowEmptyAndSubMesGroupsAPlus) {
  S().item_class_id = 3;
  Show(nlItem,
       Items({{.FItemID = 1L, .FNumber = "原料.钢材", .FName = "Steel"},
              {.FItemID = 9L, .FNumber = Null{}, .FName = Null{}}}),
       std::make_shared<FakeItemEntry>("原料", false));
  rows().RequestRow(1);
  rows().RequestRow(2);
  EXPECT_EQ(rows().Cell(1, 0), "钢材");
  EXPECT_THAT(Cells(2), ElementsAre("", "", ""));

  // SubMes entries that are no detail show a plus.
  S().item_class_id = 8;
  Show(nlSubMes, Items({{.FItemID = 1L, .FNumber = "01", .FName = "Group", .FDetail = 0L},
                        {.FItemID = 2L, .FNumber = "01.01", .FName = "Leaf", .FDetail = 1L}}));
  rows().RequestRow(1);
  rows().RequestRow(2);
  EXPECT_THAT(Cells(1), ElementsAre("01", "01 +", "Group"));
  EXPECT_THAT(Cells(2), ElementsAre("01.01", "01.01", "Leaf"));

  Show(nlSubMes, Shown(), std::make_shared<FakeSubMesEntry>("01"));
  rows().RequestRow(2);
  EXPECT_EQ(rows().Cell(2, 0), "01") << "worked out from the plain code";
}

}  // namespace
}  // namespace glnamelist::fakes
