// Account, item and SubMes boxes end to end: a key reaches the provider through the
// component, and the rows the list control asks for afterwards show what was listed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/fakes/name_list_fixture.h"

namespace glnamelist::fakes {
namespace {

using Cells = std::vector<std::string>;

// Text typed and key pressed, then how many rows the list got and the columns 0 to 2 of
// some of them, asked for in the given order.
struct Step {
  std::string text;
  long key;
  long rows;
  std::vector<std::pair<long, Cells>> asked;
};

class RowsOnRequestTest : public NameListFixture {
 protected:
  void Run(long kind, const std::vector<Step>& steps) {
    list = nullptr;
    Attach(kind).ItemClassID(3);
    for (const Step& step : steps) {
      SCOPED_TRACE("kind " + std::to_string(kind) + ", typed " + step.text);
      Type(step.text);
      Press(step.key);
      ASSERT_EQ(rows().rows, step.rows);
      for (const auto& [row, cells] : step.asked) {
        rows().RequestRow(row);
        for (long col = 0; col <= 2; ++col) EXPECT_EQ(rows().Cell(row, col), cells[col]);
      }
    }
  }
};

TEST_F(RowsOnRequestTest, RowsShowWhatTheKeyListedOrFound) {
  fake.gl_data()->SetAccounts({
      {.FAccountID = 1L, .FNumber = "1001", .FName = "库存现金", .FDetail = false},
      {.FAccountID = 2L, .FNumber = "1001.01", .FName = "人民币"},
      {.FAccountID = 3L, .FNumber = "1001.02", .FName = "美元"},
      {.FAccountID = 4L, .FNumber = "2001", .FName = "借款"},
  });
  fake.gl_data()->SetItems(3,
                           {
                               {.FItemID = 1L, .FNumber = "01", .FName = "原料", .FDetail = false},
                               {.FItemID = 2L, .FNumber = "01.01", .FName = "钢材"},
                               {.FItemID = 3L, .FNumber = "01.02", .FName = "铝材"},
                               {.FItemID = 4L, .FNumber = "02", .FName = "产品"},
                           });
  fake.gl_data()->SetSubMes(3,
                            {
                                {.FItemID = 1L, .FNumber = "01", .FName = "华东", .FDetail = false},
                                {.FItemID = 2L, .FNumber = "01.01", .FName = "上海"},
                                {.FItemID = 3L, .FNumber = "02", .FName = "华北"},
                            });
  // Account children show codes relative to the typed parent and full names.
  Run(nlAccount,
      {{"1001.",
        VK_F8,
        2,
        {{2, {"02", "1001.02", "库存现金_美元"}}, {1, {"01", "1001.01", "库存现金_人民币"}}}}});
  // Asked for after an item search has shown its list: the found row.
  Run(nlItem, {{"01.", VK_F8, 2, {{1, {"01", "01.01", "钢材"}}}},
               {"铝", VK_F9, 1, {{1, {"02", "01.02", "铝材"}}}}});
  // SubMes entries with children are marked.
  Run(nlSubMes, {{"", VK_F8, 3, {{1, {"01", "01 +", "华东"}}, {3, {"02", "02", "华北"}}}},
                 {"01.", VK_F8, 1, {{1, {"01", "01.01", "上海"}}}}});
}

}  // namespace
}  // namespace glnamelist::fakes
