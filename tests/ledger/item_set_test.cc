// The item set, used the way the item lists use it.
#include "ledger/item_set.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "contracts/error.h"
#include "platform/keyed_collection.h"
#include "tests/ledger/temp_ledger.h"

namespace glnamelist::ledger {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> Numbers(const RecordsetPtr& rs) { return testing::Column(rs, "FNumber"); }

class ItemSetTest : public testing::TestLedgerSuite {
 protected:
  // An item set set up as the item lists do, up to (not including) Sort and Refresh.
  std::shared_ptr<LedgerItemSet> Prepared(long item_class) {
    auto set = std::make_shared<LedgerItemSet>(service_);
    set->ItemClassID(item_class);
    set->ListOptions(0);
    set->Filter(" FDetail=1 ");
    auto parameters = std::make_shared<platform::MapKeyedCollection>();
    parameters->Add("GetDataType", Variant(short{0}));
    parameters->Add("GetItemID", Variant(short{1}));
    parameters->Add("SelectExt", Variant(" t1.* "));
    set->Parameters(parameters);
    return set;
  }
};

const std::vector<std::string> kDepartmentDetails = {
    "01", "02", "03.01", "03.02", "03.03", "04", "05.01", "05.02", "05.03", "06", "07", "08"};

TEST_P(ItemSetTest, SortAndRefreshInEitherOrderGiveTheDetailItems) {
  auto listing = Prepared(3);
  EXPECT_THROW(listing->Recordset(), Error) << "before Refresh";
  listing->Sort("FNumber");
  EXPECT_THROW(listing->Recordset(), Error) << "sorted, not refreshed";
  listing->Refresh();
  EXPECT_EQ(Numbers(listing->Recordset()), kDepartmentDetails);

  auto search = Prepared(3);
  search->Refresh();
  search->Sort("FNumber");
  EXPECT_EQ(Numbers(search->Recordset()), kDepartmentDetails);

  for (long no_items : {0L, 77L}) {
    auto set = Prepared(no_items);
    set->Refresh();
    EXPECT_EQ(set->Recordset()->RecordCount(), 0) << no_items;
  }
}

TEST_P(ItemSetTest, AClonedRecordSetKeepsOnlyTheSelectedRows) {
  auto set = Prepared(1);
  set->Sort("FNumber");
  set->Refresh();
  RecordsetPtr clone = set->Recordset()->Clone();
  EXPECT_EQ(clone->RecordCount(), set->Recordset()->RecordCount());
  EXPECT_THAT(testing::Column(clone, "FDetail"), ::testing::Each("1"));
  // The component's own filters work on the clone.
  clone->Filter("FNumber Like '01.01.%' or FName like '%北京%'");
  EXPECT_THAT(Numbers(clone), ElementsAre("01.01.001", "01.01.002", "01.01.003"));
}

TEST_P(ItemSetTest, FilterAndSortAreRecordSetExpressions) {
  auto set = Prepared(5);
  set->Filter("FDetail = 1 AND FName LIKE '*钢*'");
  set->Sort("FNumber DESC");
  set->Refresh();
  EXPECT_THAT(Numbers(set->Recordset()), ElementsAre("01.01.003", "01.01.002", "01.01.001"));
  set->Filter("");  // after Refresh: reshaped at once
  set->Sort("");
  EXPECT_EQ(set->Recordset()->RecordCount(), 25);

  auto hostile = Prepared(9);
  hostile->Filter("FName = 'O''Brien & Co' OR FNumber = 'x''; DROP TABLE items; --'");
  hostile->Refresh();
  EXPECT_THAT(Numbers(hostile->Recordset()), ElementsAre("A'B", "x'; DROP TABLE items; --"));
}

TEST_P(ItemSetTest, ARefusedFilterRaisesAndKeepsTheEarlierResult) {
  auto set = Prepared(3);
  set->Refresh();
  EXPECT_EQ(testing::ErrorOf([&] { set->Filter("FNumber LIKE '*0*1'"); }).Number(),
            errc::kWrongArguments)
      << "a wildcard in the middle";
  EXPECT_EQ(Numbers(set->Recordset()), kDepartmentDetails);
  EXPECT_THROW(set->Sort("NoSuchField"), Error);
  EXPECT_EQ(Numbers(set->Recordset()), kDepartmentDetails);
}

TEST_P(ItemSetTest, ParametersAreCheckedButNeverUsedAsSql) {
  auto set = Prepared(3);
  auto odd = std::make_shared<platform::MapKeyedCollection>();
  odd->Add("SelectExt", Variant("1; DROP TABLE items"));
  set->Parameters(odd);
  set->Parameters(nullptr);
  set->Refresh();
  EXPECT_EQ(set->Recordset()->RecordCount(), 12);

  auto wrong_kind = std::make_shared<platform::MapKeyedCollection>();
  wrong_kind->Add("GetDataType", Variant("zero"));
  EXPECT_EQ(testing::ErrorOf([&] { set->Parameters(wrong_kind); }).Number(),
            errc::kInvalidProcedureCall)
      << "a text GetDataType";
  auto not_text = std::make_shared<platform::MapKeyedCollection>();
  not_text->Add("SelectExt", Variant(3L));
  EXPECT_THROW(set->Parameters(not_text), Error);
}

GLNAMELIST_ON_BOTH_BACKENDS(ItemSetTest);

}  // namespace
}  // namespace glnamelist::ledger
