// The SubMes code listing and name search, run against the fakes.
#include <gtest/gtest.h>

#include "contracts/prog_ids.h"
#include "tests/providers/coded_list_fixture.h"

namespace glnamelist::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SubMesProviderTest : public CodedListTest {
 protected:
  SubMesProviderTest() {
    provider_ = NewSubMesProvider();
    // Stored out of code and name order.
    fake_.gl_data()->SetSubMes(
        3, {
               {.FItemID = 3L, .FNumber = "01.02", .FName = "Steel bar"},
               {.FItemID = 1L, .FNumber = "01", .FName = "Bars", .FDetail = false},
               {.FItemID = 2L, .FNumber = "01.01", .FName = "Alu bar"},
               {.FItemID = 4L, .FNumber = "02", .FName = "Wire"},
           });
    s_.item_class_id = 3;
  }
};

// Both providers of an item class do nothing while no class is set.
TEST_F(CodedListTest, ItemAndSubMesListNothingWhileNoClassIsSet) {
  Type("01.");
  for (auto make : {NewItemProvider, NewSubMesProvider}) {
    ProviderPtr p = make();
    p->List(s_);
    p->Search(s_);
  }
  EXPECT_THAT(fake_.log()->With("Env.CreateObject(QALTAVGL"), IsEmpty());
  EXPECT_THAT(fake_.log()->With("GLData."), IsEmpty());
  EXPECT_FALSE(Shown());
}

TEST_F(SubMesProviderTest, CodeWithPointListsChildrenAndSearchFindsByNameUnderIt) {
  Type("01.");
  List();
  EXPECT_THAT(Calls("GLData."), ElementsAre("GLData.SubMesSet(3)", "GLData.GetSubMes(3, 01)"));
  EXPECT_EQ(list_->last_edit_text_flag, -1);
  EXPECT_EQ(shown_.records()->Filter(), "FNumber Like '01.%'");
  EXPECT_EQ(shown_.records()->Sort(), "FNumber");
  EXPECT_THAT(ListedCodes(), ElementsAre("01.01", "01.02"));
  ASSERT_TRUE(shown_.parent());
  EXPECT_EQ(shown_.parent()->Number(), "01");
  ExpectRowsOnRequest(0, 2);
  EXPECT_TRUE(DroppedDown());

  // A search finds by name in name order, keeping the parent.
  Type(" bar ");
  Search();
  EXPECT_EQ(shown_.records()->Filter(), "FName Like '*bar*'");
  EXPECT_EQ(shown_.records()->Sort(), "FName");
  EXPECT_THAT(ListedCodes(), ElementsAre("01.01", "01", "01.02"));
  EXPECT_EQ(shown_.parent()->Number(), "01");
  ExpectRowsOnRequest(0, 3);
  EXPECT_TRUE(DroppedDownFound());

  // A failed search removes its filter.
  fake_.log()->Clear();
  Type("ab'c");
  Search();
  ExpectMessage("没有查询到名称包含\"ab'c\"的数据");
  EXPECT_FALSE(DroppedDownFound());
  EXPECT_EQ(shown_.records()->Filter(), "");

  // An empty box afterwards lists the whole class again, in code order, without a lookup
  // and with no parent in force.
  Type("");
  List();
  EXPECT_THAT(ListedCodes(), ElementsAre("01", "01.01", "01.02", "02"));
  EXPECT_FALSE(shown_.parent());
  EXPECT_THAT(Calls("GLData.GetSubMes"), IsEmpty());
}

TEST_F(SubMesProviderTest, CodesWithoutPointOrEntryListNothing) {
  Type("01");
  List();
  EXPECT_THAT(Calls("GLData.GetSubMes"), IsEmpty());
  Type("09.");
  List();
  List();
  Type("02.");  // a detail entry: no children
  List();
  EXPECT_FALSE(Shown());
  EXPECT_FALSE(shown_.records());
  // One fetch per class, one lookup per code, missing entries included.
  EXPECT_THAT(Calls("GLData."), ElementsAre("GLData.SubMesSet(3)", "GLData.GetSubMes(3, 09)",
                                            "GLData.GetSubMes(3, 02)"));
}

TEST_F(SubMesProviderTest, ClassWithoutSourceShowsNothingAndIsNotAskedAgain) {
  s_.item_class_id = 7;
  Type("01.");
  List();
  Type("bar");
  Search();
  EXPECT_THAT(Calls("GLData."), ElementsAre("GLData.SubMesSet(7)"));
  EXPECT_FALSE(Shown());
  EXPECT_TRUE(fake_.env().messages().empty());

  // A source without a record set is an error, not a crash; nothing is kept for it.
  fake_.gl_data()->SetSubMesWithoutRecords(8);
  s_.item_class_id = 8;
  Type("");
  EXPECT_THROW(List(), Error);
  fake_.gl_data()->SetSubMes(8, {{.FItemID = 1L, .FNumber = "01", .FName = "foo"}});
  List();
  EXPECT_TRUE(DroppedDown());
}

}  // namespace
}  // namespace glnamelist::testing
