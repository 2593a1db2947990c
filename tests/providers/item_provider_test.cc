// The item code listing and name search, run against the fakes.
#include <gtest/gtest.h>

#include "contracts/prog_ids.h"
#include "tests/providers/coded_list_fixture.h"

namespace glnamelist::testing {
namespace {

using ::testing::ElementsAre;

class ItemProviderTest : public CodedListTest {
 protected:
  ItemProviderTest() {
    provider_ = NewItemProvider();
    fake_.gl_data()->SetItems(
        3, {
               {.FItemID = 1L, .FNumber = "01", .FName = "原料", .FDetail = false},
               {.FItemID = 2L, .FNumber = "01.01", .FName = "钢材"},
               {.FItemID = 3L, .FNumber = "01.02", .FName = "铝材"},
               {.FItemID = 4L, .FNumber = "02", .FName = "产品01型"},
               {.FItemID = 5L, .FNumber = "03", .FName = "ab'c件"},
               {.FItemID = 6L, .FNumber = "04", .FName = "5%折扣件"},
           });
    fake_.gl_data()->SetItems(4, {{.FItemID = 2L, .FNumber = "01", .FName = "其他"}});
    s_.item_class_id = 3;
  }

  std::string Filter() const { return shown_.records()->Filter(); }
};

TEST_F(ItemProviderTest, ItemSetIsLoadedOncePerClassInEachProceduresOrder) {
  List();
  EXPECT_THAT(fake_.log()->With("ItemSet."),
              ElementsAre("ItemSet.ItemClassID(3)", "ItemSet.ListOptions(0)",
                          "ItemSet.Filter( FDetail=1 )", "ItemSet.Parameters(<collection>)",
                          "ItemSet.Sort(FNumber)", "ItemSet.Refresh()", "ItemSet.Recordset()"));
  const KeyedCollectionPtr& params = fake_.LastItemSet()->parameters;
  ASSERT_TRUE(params);
  EXPECT_EQ(params->Count(), 3);
  EXPECT_EQ(params->Item("GetDataType"), Variant(static_cast<short>(0)));
  EXPECT_EQ(params->Item("GetItemID"), Variant(static_cast<short>(1)));
  EXPECT_EQ(params->Item("SelectExt"), Variant(" t1.* "));

  // A search of a class not loaded yet refreshes before it sorts.
  fake_.log()->Clear();
  s_.item_class_id = 4;
  Type("其他");
  Search();
  EXPECT_THAT(fake_.log()->With("ItemSet."),
              ElementsAre("ItemSet.ItemClassID(4)", "ItemSet.ListOptions(0)",
                          "ItemSet.Filter( FDetail=1 )", "ItemSet.Parameters(<collection>)",
                          "ItemSet.Refresh()", "ItemSet.Sort(FNumber)", "ItemSet.Recordset()"));

  // Back to class 3: its first clone is reused. A parameter collection is built each call.
  s_.item_class_id = 3;
  Type("");
  List();
  EXPECT_EQ(fake_.log()->Count("Env.CreateObject(" + std::string(progid::kItemSet) + ")"), 1);
  EXPECT_EQ(fake_.log()->Count("Env.CreateObject(" + std::string(progid::kKeyedCollection) + ")"),
            2);
  EXPECT_EQ(shown_.records()->RecordCount(), 5);
}

TEST_F(ItemProviderTest, ParentCodeListsChildrenDetailCodeKeepsTheListAndEachCodeIsLookedUpOnce) {
  Type("01.");
  List();
  EXPECT_THAT(Calls("GLData.GetItem"), ElementsAre("GLData.GetItem(3, 01)"));
  EXPECT_EQ(list_->last_edit_text_flag, -1);
  EXPECT_EQ(Filter(), "FNumber Like '01.%' or FName like '%01%'");
  EXPECT_THAT(ListedCodes(), ElementsAre("01.01", "01.02", "02"));
  ASSERT_TRUE(shown_.parent());
  EXPECT_EQ(shown_.parent()->Number(), "01");
  ExpectRowsOnRequest(0, 3);
  EXPECT_TRUE(DroppedDown());

  // A detail item's code lists nothing and keeps the shown list.
  RecordsetPtr shown = shown_.records();
  EntryPtr parent = shown_.parent();
  fake_.log()->Clear();
  Type("01.02.");
  List();
  EXPECT_THAT(Calls("GLData.GetItem"), ElementsAre("GLData.GetItem(3, 01.02)"));
  EXPECT_FALSE(Shown());
  EXPECT_EQ(shown_.records(), shown);
  EXPECT_EQ(shown_.parent(), parent);

  // Each class and code is looked up once, codes without an entry included.
  for (const char* text : {"01.", "99", "99."}) {
    Type(text);
    List();
  }
  s_.item_class_id = 4;
  Type("01.");
  List();
  EXPECT_THAT(
      Calls("GLData.GetItem"),
      ElementsAre("GLData.GetItem(3, 01.02)", "GLData.GetItem(3, 99)", "GLData.GetItem(4, 01)"));
}

TEST_F(ItemProviderTest, FilterFollowsAssetSettingsLookupAndTypedText) {
  ExpectListings({
      {false, "", "", "", {"01.01", "01.02", "02", "03", "04"}},
      {false, "", ".", "", {"01.01", "01.02", "02", "03", "04"}},
      {false, "", "ab'c", "FNumber Like 'ab''c%' or FName like '%ab''c%'", {"03"}},
      {false, "", "5%", "FNumber Like '5[%]%' or FName like '%5[%]%'", {"04"}},
      {false, "", "zzz", "", {"01.01", "01.02", "02", "03", "04"}},
      {true, "", "01.01.", "", {"01.01", "01.02", "02", "03", "04"}},
      {true, "折扣", "01.", "FNumber like '折扣%' or FName like '%折扣%'", {"04"}},
  });
  EXPECT_FALSE(shown_.parent());
  // The point alone asked for the empty code; the asset cases asked for nothing.
  EXPECT_THAT(Calls("GLData.GetItem"),
              ElementsAre("GLData.GetItem(3, )", "GLData.GetItem(3, ab'c)", "GLData.GetItem(3, 5%)",
                          "GLData.GetItem(3, zzz)"));
}

TEST_F(ItemProviderTest, SearchKeepsTheParentAndWithoutMatchRemovesItsFilter) {
  Type("01.");
  List();
  EntryPtr parent = shown_.parent();
  Type(" 材 ");
  Search();
  EXPECT_EQ(Filter(), "FName Like '*材*'");
  EXPECT_THAT(ListedCodes(), ElementsAre("01.01", "01.02"));
  EXPECT_EQ(shown_.parent(), parent);
  ExpectRowsOnRequest(0, 2);
  EXPECT_TRUE(DroppedDownFound());

  // Without a match the filter goes and the typed text is shown.
  fake_.log()->Clear();
  Type("ab'x");
  Search();
  EXPECT_FALSE(DroppedDownFound());
  ExpectMessage("没有查询到名称包含\"ab'x\"的数据");
  EXPECT_EQ(Filter(), "");
}

// An item set that hands out no record set.
struct ItemSetWithoutRecords : fakes::FakeItemSet {
  using FakeItemSet::FakeItemSet;
  RecordsetPtr Recordset() override { return nullptr; }
};

TEST_F(ItemProviderTest, FailedLoadLeavesNoEntryAndEmptyClassShowsNothing) {
  long made = 0;
  fake_.env().Registry().Register(progid::kItemSet, [&]() -> ObjectPtr {
    if (made++ == 1) return std::make_shared<ItemSetWithoutRecords>(fake_.gl_data(), fake_.log());
    auto set = std::make_shared<fakes::FakeItemSet>(fake_.gl_data(), fake_.log());
    if (made == 1) set->FailAt("Refresh", Error(errc::kDataService, "load failed"));
    return set;
  });
  EXPECT_THROW(List(), Error);
  EXPECT_THAT([&] { List(); },
              ::testing::Throws<Error>(::testing::Property(&Error::Number, errc::kObjectRequired)));
  List();
  EXPECT_EQ(made, 3);
  EXPECT_TRUE(DroppedDown());

  fake_.log()->Clear();
  fake_.gl_data()->SetItems(5, {});
  s_.item_class_id = 5;
  Type("x");
  List();
  Search();
  EXPECT_FALSE(Shown());
  EXPECT_TRUE(fake_.env().messages().empty());
}

}  // namespace
}  // namespace glnamelist::testing
