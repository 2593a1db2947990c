// The lists whose rows are copied into the list control at once: currencies, item classes,
// voucher explanations, unit groups, units and settlement types, each provider run on its
// own against the fakes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/fakes/name_list_fixture.h"
#include "tests/providers/coded_list_fixture.h"

namespace glnamelist::testing {
namespace {

using fakes::CodeRow;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Rows = std::vector<std::string>;

class CopiedRowsTest : public CodedListTest {
 protected:
  CopiedRowsTest() { s_.pic_default = fake_.env().Pictures().Get("Item"); }

  // Puts text into the box, runs the listing or the search on a fresh log and returns the
  // rows the list was given: the cells of columns 0 to 2 joined by "|", then the picture's
  // key. Empty when no list was shown.
  Rows Run(Provider& p, const std::string& text, bool search) {
    Type(text);
    fake_.log()->Clear();
    search ? p.Search(s_) : p.List(s_);
    Rows rows;
    for (long r = 1; Shown() && r <= list_->data->rows; ++r) {
      std::string row;
      for (long c = 0; c <= 2; ++c) {
        if (auto cell = list_->data->Cell(r, c)) row += *cell + "|";
      }
      rows.push_back(row + fakes::Describe(list_->data->pictures[r]));
    }
    return rows;
  }
  Rows List(Provider& p, const std::string& text = "") { return Run(p, text, false); }
  Rows Search(Provider& p, const std::string& text) { return Run(p, text, true); }
  fakes::FakeGLData& gl() { return *fake_.gl_data(); }
};

// Currencies and item classes differ only in the data-service member and the message.
struct CodeKind {
  ProviderPtr (*make)();
  const char* fetch_call;
  const char* no_match;
};

class CodeAndNameTest : public CopiedRowsTest, public ::testing::WithParamInterface<CodeKind> {
 protected:
  CodeAndNameTest() {
    gl().SetCodes(GetParam().fetch_call, {{.FNumber = "TWD", .FName = "新台币"},
                                          {.FNumber = "USD", .FName = "美元"},
                                          {.FNumber = "HKD", .FName = "港币"},
                                          {.FNumber = "CNY", .FName = "人民币"},
                                          {.FNumber = "X1", .FName = "a'b 5%"},
                                          {.FNumber = "X2", .FName = "a'b 50"}});
  }
  ProviderPtr p_ = GetParam().make();
};

TEST_P(CodeAndNameTest, ListsAnEmptyBoxInCodeOrderAndSearchesNamesInNameOrder) {
  EXPECT_THAT(List(*p_, "C"), IsEmpty());
  EXPECT_EQ(gl().CallCount(GetParam().fetch_call), 0);
  const Rows all = {"CNY|人民币|Item", "HKD|港币|Item",  "TWD|新台币|Item",
                    "USD|美元|Item",   "X1|a'b 5%|Item", "X2|a'b 50|Item"};
  EXPECT_EQ(List(*p_), all);
  EXPECT_THAT(Search(*p_, "  币 "),
              ElementsAre("HKD|港币|Item", "CNY|人民币|Item", "TWD|新台币|Item"));
  EXPECT_TRUE(DroppedDownFound());
  EXPECT_THAT(Search(*p_, "'B 5%"), ElementsAre("X1|a'b 5%|Item"));
  EXPECT_EQ(List(*p_), all);
  EXPECT_EQ(gl().CallCount(GetParam().fetch_call), 1);
}

TEST_P(CodeAndNameTest, SearchFindingNothingReportsTheTypedTextAndLeavesServiceOrder) {
  EXPECT_THAT(Search(*p_, "x'y"), IsEmpty());
  ExpectMessage(GetParam().no_match);
  // Fetched by a search that found nothing: every row, in the order the service gave.
  Rows rows = List(*p_);
  EXPECT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows.front(), "TWD|新台币|Item");
}

INSTANTIATE_TEST_SUITE_P(Kinds, CodeAndNameTest,
                         ::testing::Values(CodeKind{NewCurrencyProvider, "CurrencySet",
                                                    "没有查询到名称包含\"x'y\"的币别数据"},
                                           CodeKind{NewItemClassProvider, "ItemClassSet",
                                                    "没有查询到名称包含\"x'y\"的数据"}));

TEST_F(CopiedRowsTest, VchExpsListByCodePrefixOrTextAndSearchTheTextOnly) {
  gl().SetVchExps(
      {{"0201", "提现"}, {"0101", "报销差旅费"}, {"0301", "付01号合同款"}, {"0102", "报销办公费"}});
  ProviderPtr p = NewVchExpProvider();
  EXPECT_THAT(List(*p, " 01 "), ElementsAre("0101|报销差旅费|Item", "0102|报销办公费|Item",
                                            "0301|付01号合同款|Item"));
  EXPECT_EQ(List(*p, "无此摘要").size(), 4u);
  EXPECT_THAT(Search(*p, " 报销 "), ElementsAre("0102|报销办公费|Item", "0101|报销差旅费|Item"));
  EXPECT_THAT(Search(*p, "02"), IsEmpty());
  ExpectMessage("没有查询到名称包含\"02\"的摘要数据");
  EXPECT_EQ(gl().CallCount("VchExpSet"), 1);
}

TEST_F(CopiedRowsTest, UnitGroupsAndSettleTypesListOnlyAnEmptyBoxAndSearchSilently) {
  gl().SetCodes("UnitGroupSet",
                {{.FNumber = "2", .FName = "重量"}, {.FNumber = "1", .FName = "长度"}});
  ProviderPtr groups = NewUnitGroupProvider();
  EXPECT_THAT(List(*groups), ElementsAre("长度|Item", "重量|Item"));
  EXPECT_EQ(list_->data->cols, 1);
  EXPECT_THAT(Search(*groups, "体积"), IsEmpty());
  EXPECT_THAT(fake_.env().messages(), IsEmpty());

  // Settlement types carry their id.
  gl().SetCodes("SettTypeSet", {{.FItemID = 7L, .FNumber = "02", .FName = "支票"},
                                {.FItemID = 3L, .FNumber = "01", .FName = "现金"}});
  ProviderPtr settle = NewSettleTypeProvider();
  EXPECT_THAT(List(*settle, " "), IsEmpty());
  EXPECT_THAT(Search(*settle, "现金"), IsEmpty());
  List(*settle);
  EXPECT_THAT(List(*settle), ElementsAre("3|01|现金|Item", "7|02|支票|Item"));
  EXPECT_EQ(list_->data->rows_on_request, 2);
  EXPECT_EQ(gl().CallCount("SettTypeSet"), 1);
}

TEST_F(CopiedRowsTest, UnitsComeInSetOrderAndTheSearchIsLiteralCaseSensitiveAndSilent) {
  gl().SetUnits(12, {{"kg", "Kilogram"}, {"g", "Gram"}, {"t*", "ton*"}});
  ProviderPtr p = NewUnitProvider();
  EXPECT_THAT(List(*p), IsEmpty());
  EXPECT_THAT(Search(*p, "g"), IsEmpty());
  EXPECT_EQ(gl().CallCount("UnitSet"), 0);

  s_.unit_group_id = 12;
  EXPECT_THAT(List(*p), ElementsAre("kg|Kilogram|Item", "g|Gram|Item", "t*|ton*|Item"));
  EXPECT_EQ(fake_.log()->With("ListData.").back(), "ListData.FinishRows()");
  EXPECT_EQ(list_->data->finish_rows_count, 1);
  EXPECT_THAT(Search(*p, " gram"), ElementsAre("kg|Kilogram|Item"));
  EXPECT_THAT(Search(*p, "n*"), ElementsAre("t*|ton*|Item"));
  EXPECT_THAT(Search(*p, "tons"), IsEmpty());
  EXPECT_THAT(fake_.env().messages(), IsEmpty());

  // Each group's set, an empty one included, is asked for once: 12, 15 and 99.
  gl().SetUnits(15, {{"m", "metre"}});
  for (long group : {15L, 12L, 99L, 99L}) {
    s_.unit_group_id = group;
    List(*p);
  }
  EXPECT_EQ(gl().CallCount("UnitSet"), 3);
}

// Through the component: F8 in an empty box of each kind reaches that kind's provider.
class CopiedRowsDispatchTest : public fakes::NameListFixture {};

TEST_F(CopiedRowsDispatchTest, EachKindAsksForItsOwnData) {
  const std::vector<std::pair<long, std::string>> kinds = {
      {nlCurrency, "GLData.CurrencySet()"}, {nlItemClass, "GLData.ItemClassSet()"},
      {nlVchExp, "GLData.VchExpSet()"},     {nlUnitGroup, "GLData.UnitGroupSet()"},
      {nlUnit, "GLData.UnitSet(5)"},        {nlSettleType, "GLData.SettTypeSet()"}};
  for (const auto& [kind, fetch] : kinds) {
    list = nullptr;
    Attach(kind).UnitGroupID(5);
    fake.log()->Clear();
    Press(VK_F8);
    EXPECT_THAT(fake.log()->With("GLData."), ElementsAre(fetch)) << "kind " << kind;
  }
}

}  // namespace
}  // namespace glnamelist::testing
