// The SubMes code listing and name search, run against the fakes.
#include <gtest/gtest.h>

#include "tests/providers/coded_list_fixture.h"

namespace glnamelist::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SubMesProviderTest : public CodedListTest {
 protected:
  SubMesProviderTest() {
    // Stored out of code and name order.
    fake_.gl_data()->SetSubMes(
        3, {
               {.FItemID = 3L, .FNumber = "01.02", .FName = "Steel bar"},
               {.FItemID = 1L, .FNumber = "01", .FName = "Bars", .FDetail = false},
               {.FItemID = 2L, .FNumber = "01.01", .FName = "Alu bar"},
               {.FItemID = 4L, .FNumber = "02", .FName = "5% off"},
           });
    s_.ItemClassID = 3;
  }

  void List() { provider_->List(s_); }
  void Search() { provider_->Search(s_); }
  std::vector<std::string> Calls(const char* prefix) const { return fake_.log()->With(prefix); }

  ProviderPtr provider_ = NewSubMesProvider();
};

TEST_F(SubMesProviderTest, NothingWhileNoClassIsSet) {
  s_.ItemClassID = 0;
  Type("01.");
  List();
  Search();
  EXPECT_THAT(Calls("GLData."), IsEmpty());
  EXPECT_FALSE(Shown());
}

TEST_F(SubMesProviderTest, CodeWithPointListsChildrenInCodeOrderUnderIt) {
  Type("01.");
  List();
  EXPECT_THAT(Calls("GLData."), ElementsAre("GLData.SubMesSet(3)", "GLData.GetSubMes(3, 01)"));
  EXPECT_EQ(list_->last_edit_text_flag, -1);
  EXPECT_EQ(s_.ListRecords->Filter(), "FNumber Like '01.%'");
  EXPECT_EQ(s_.ListRecords->Sort(), "FNumber");
  EXPECT_THAT(ListedCodes(), ElementsAre("01.01", "01.02"));
  ASSERT_TRUE(s_.ListParent);
  EXPECT_EQ(s_.ListParent->Number(), "01");
  ExpectRowsOnRequest(0, 2);
  EXPECT_TRUE(DroppedDown());
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
  EXPECT_FALSE(s_.ListRecords);
  // One fetch per class, one lookup per code, missing entries included.
  EXPECT_THAT(Calls("GLData."), ElementsAre("GLData.SubMesSet(3)", "GLData.GetSubMes(3, 09)",
                                            "GLData.GetSubMes(3, 02)"));
}

TEST_F(SubMesProviderTest, SearchFindsByNameInNameOrderKeepingTheParent) {
  s_.ListParent = std::make_shared<fakes::FakeSubMesEntry>("01");
  Type(" bar ");
  Search();
  EXPECT_EQ(s_.ListRecords->Filter(), "FName Like '*bar*'");
  EXPECT_EQ(s_.ListRecords->Sort(), "FName");
  EXPECT_THAT(ListedCodes(), ElementsAre("01.01", "01", "01.02"));
  EXPECT_EQ(s_.ListParent->Number(), "01");
  ExpectRowsOnRequest(0, 3);
  EXPECT_TRUE(DroppedDownFound());

  Type("5%");
  Search();
  EXPECT_EQ(s_.ListRecords->Filter(), "FName Like '*5[%]*'");
  EXPECT_THAT(ListedCodes(), ElementsAre("02"));

  // An empty box afterwards lists the whole class again, in code order.
  Type("");
  List();
  EXPECT_THAT(ListedCodes(), ElementsAre("01", "01.01", "01.02", "02"));
}

TEST_F(SubMesProviderTest, FailedSearchRemovesItsFilterAndAnEmptyBoxListsAll) {
  Type("01.");
  List();
  Type("ab'c");
  Search();
  ExpectMessage("没有查询到名称包含\"ab'c\"的数据");
  EXPECT_FALSE(DroppedDownFound());
  EXPECT_EQ(s_.ListRecords->Filter(), "");

  // No lookup for an empty box, and no parent in force.
  Type("");
  List();
  EXPECT_THAT(ListedCodes(), ElementsAre("01", "01.01", "01.02", "02"));
  EXPECT_FALSE(s_.ListParent);
  EXPECT_THAT(Calls("GLData.GetSubMes"), ElementsAre("GLData.GetSubMes(3, 01)"));
}

TEST_F(SubMesProviderTest, ClassWithoutSourceShowsNothingAndIsNotAskedAgain) {
  s_.ItemClassID = 7;
  Type("01.");
  List();
  Type("bar");
  Search();
  EXPECT_THAT(Calls("GLData."), ElementsAre("GLData.SubMesSet(7)"));
  EXPECT_FALSE(Shown());
  EXPECT_TRUE(fake_.env().messages.empty());
}

}  // namespace
}  // namespace glnamelist::testing
