// Account, item and SubMes boxes end to end: a key reaches the provider through the
// component, and the rows the list control asks for afterwards show what was listed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "component/gl_name_list.h"
#include "tests/fakes/scoped_fake_environment.h"

namespace glnamelist::testing {
namespace {

using fakes::ItemRow;

class RowsOnRequestTest : public ::testing::Test {
 protected:
  void Attach(long kind, long item_class = 0) {
    list_ = std::make_shared<GLNameList>();
    list_->ItemClassID(item_class);
    TextBoxPtr box = fake_.NewTextBox(100);
    list_->Attach(box, kind);
    control_ = fake_.LastNameList();
  }

  // Types text and presses key; the clock moves past the repeat guard first.
  void Press(const std::string& text, long key) {
    control_->edit_text = text;
    fake_.env().windows[100].text = text;
    fake_.env().timer += 1;
    fake_.LastSubClass()->Send(WM_KEYDOWN, key, 0);
  }

  // Columns 0 to 2 of row, as the list control was handed them when it asked for the row.
  std::vector<std::string> Row(long row) {
    control_->data->RequestRow(row);
    std::vector<std::string> cells;
    for (long col = 0; col <= 2; ++col)
      cells.push_back(control_->data->Cell(row, col).value_or("?"));
    return cells;
  }

  fakes::ScopedFakeEnvironment fake_;
  std::shared_ptr<GLNameList> list_;
  std::shared_ptr<fakes::FakeNameList> control_;
};

using Cells = std::vector<std::string>;

TEST_F(RowsOnRequestTest, AccountChildrenShowCodesRelativeToTheTypedParent) {
  fake_.gl_data()->SetAccounts({
      {.FAccountID = 1L, .FNumber = "1001", .FName = "库存现金", .FDetail = false},
      {.FAccountID = 2L, .FNumber = "1001.01", .FName = "人民币"},
      {.FAccountID = 3L, .FNumber = "1001.02", .FName = "美元"},
      {.FAccountID = 4L, .FNumber = "2001", .FName = "借款"},
  });
  Attach(nlAccount);
  Press("1001.", VK_F8);
  ASSERT_EQ(control_->data->rows, 2);
  EXPECT_EQ(Row(2), (Cells{"02", "1001.02", "库存现金_美元"}));
  EXPECT_EQ(Row(1), (Cells{"01", "1001.01", "库存现金_人民币"}));
}

TEST_F(RowsOnRequestTest, ItemSearchRowsComeFromTheFoundSet) {
  fake_.gl_data()->SetItems(3,
                            {
                                {.FItemID = 1L, .FNumber = "01", .FName = "原料", .FDetail = false},
                                {.FItemID = 2L, .FNumber = "01.01", .FName = "钢材"},
                                {.FItemID = 3L, .FNumber = "01.02", .FName = "铝材"},
                                {.FItemID = 4L, .FNumber = "02", .FName = "产品"},
                            });
  Attach(nlItem, 3);
  Press("01.", VK_F8);
  ASSERT_EQ(control_->data->rows, 2);
  EXPECT_EQ(Row(1), (Cells{"01", "01.01", "钢材"}));

  Press("铝", VK_F9);
  ASSERT_EQ(control_->data->rows, 1);
  // Asked for after the search has shown its list: still the found row.
  EXPECT_EQ(Row(1), (Cells{"02", "01.02", "铝材"}));
}

TEST_F(RowsOnRequestTest, SubMesRowsMarkEntriesWithChildren) {
  fake_.gl_data()->SetSubMes(
      3, {
             {.FItemID = 1L, .FNumber = "01", .FName = "华东", .FDetail = false},
             {.FItemID = 2L, .FNumber = "01.01", .FName = "上海"},
             {.FItemID = 3L, .FNumber = "02", .FName = "华北"},
         });
  Attach(nlSubMes, 3);
  Press("", VK_F8);
  ASSERT_EQ(control_->data->rows, 3);
  EXPECT_EQ(Row(1), (Cells{"01", "01 +", "华东"}));
  EXPECT_EQ(Row(3), (Cells{"02", "02", "华北"}));

  Press("01.", VK_F8);
  ASSERT_EQ(control_->data->rows, 1);
  EXPECT_EQ(Row(1), (Cells{"01", "01.01", "上海"}));
}

}  // namespace
}  // namespace glnamelist::testing
