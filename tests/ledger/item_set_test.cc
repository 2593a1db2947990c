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

using testing::BuildTestLedger;
using ::testing::ElementsAre;
using testing::TempDir;

std::vector<std::string> Numbers(const RecordsetPtr& rs) {
  std::vector<std::string> values;
  if (rs->RecordCount() == 0) return values;
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext())
    values.push_back(rs->Fields("FNumber").ToText());
  return values;
}

KeyedCollectionPtr ComponentParameters() {
  auto parameters = std::make_shared<platform::MapKeyedCollection>();
  parameters->Add("GetDataType", Variant(short{0}));
  parameters->Add("GetItemID", Variant(short{1}));
  parameters->Add("SelectExt", Variant(" t1.* "));
  return parameters;
}

class ItemSetTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    BuildTestLedger(dir_->File("test.ledger"));
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  void SetUp() override { service_ = std::make_shared<LedgerService>(dir_->File("test.ledger")); }

  // An item set set up as the item lists do, up to (not including) Sort and Refresh.
  std::shared_ptr<LedgerItemSet> Prepared(long item_class) {
    auto set = std::make_shared<LedgerItemSet>(service_);
    set->ItemClassID(item_class);
    set->ListOptions(0);
    set->Filter(" FDetail=1 ");
    set->Parameters(ComponentParameters());
    return set;
  }

  static inline TempDir* dir_ = nullptr;
  std::shared_ptr<LedgerService> service_;
};

const std::vector<std::string> kDepartmentDetails = {
    "01", "02", "03.01", "03.02", "03.03", "04", "05.01", "05.02", "05.03", "06", "07", "08"};

TEST_F(ItemSetTest, SortThenRefreshAndRefreshThenSortGiveTheDetailItems) {
  auto listing = Prepared(3);
  listing->Sort("FNumber");
  listing->Refresh();
  EXPECT_EQ(Numbers(listing->Recordset()), kDepartmentDetails);

  auto search = Prepared(3);
  search->Refresh();
  search->Sort("FNumber");
  EXPECT_EQ(Numbers(search->Recordset()), kDepartmentDetails);
}

TEST_F(ItemSetTest, AClonedRecordSetKeepsOnlyTheSelectedRows) {
  auto set = Prepared(1);
  set->Sort("FNumber");
  set->Refresh();
  RecordsetPtr clone = set->Recordset()->Clone();
  EXPECT_EQ(clone->RecordCount(), set->Recordset()->RecordCount());
  for (clone->MoveFirst(); !clone->IsEOF(); clone->MoveNext()) {
    EXPECT_EQ(clone->Fields("FDetail").ToLong(), 1);
  }
  // The component's own filters work on the clone.
  clone->Filter("FNumber Like '01.01.%' or FName like '%北京%'");
  EXPECT_THAT(Numbers(clone), ElementsAre("01.01.001", "01.01.002", "01.01.003"));
}

TEST_F(ItemSetTest, FilterAndSortAreRecordSetExpressions) {
  auto set = Prepared(5);
  set->Filter("FDetail = 1 AND FName LIKE '*钢*'");
  set->Sort("FNumber DESC");
  set->Refresh();
  EXPECT_THAT(Numbers(set->Recordset()), ElementsAre("01.01.003", "01.01.002", "01.01.001"));
  set->Filter("");  // after Refresh: reshaped at once
  set->Sort("");
  EXPECT_EQ(set->Recordset()->RecordCount(), 25);
}

TEST_F(ItemSetTest, ARefusedFilterRaisesAndKeepsTheEarlierResult) {
  auto set = Prepared(3);
  set->Refresh();
  try {
    set->Filter("FNumber LIKE '*0*1'");
    FAIL() << "a wildcard in the middle was accepted";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), errc::kWrongArguments);
  }
  EXPECT_EQ(Numbers(set->Recordset()), kDepartmentDetails);
  EXPECT_THROW(set->Sort("NoSuchField"), Error);
  EXPECT_EQ(Numbers(set->Recordset()), kDepartmentDetails);
}

TEST_F(ItemSetTest, QuotesInFilterValuesAreMatchedAsData) {
  auto set = Prepared(9);
  set->Filter("FName = 'O''Brien & Co' OR FNumber = 'x''; DROP TABLE items; --'");
  set->Refresh();
  EXPECT_THAT(Numbers(set->Recordset()), ElementsAre("A'B", "x'; DROP TABLE items; --"));
}

TEST_F(ItemSetTest, RecordsetBeforeRefreshIsAnError) {
  auto set = Prepared(3);
  EXPECT_THROW(set->Recordset(), Error);
  set->Sort("FNumber");
  EXPECT_THROW(set->Recordset(), Error);
}

TEST_F(ItemSetTest, AClassWithoutItemsGivesNoRows) {
  for (long item_class : {0L, 77L}) {
    auto set = Prepared(item_class);
    set->Refresh();
    EXPECT_EQ(set->Recordset()->RecordCount(), 0);
  }
}

TEST_F(ItemSetTest, ParametersAreCheckedButNeverUsedAsSql) {
  auto set = Prepared(3);
  auto odd = std::make_shared<platform::MapKeyedCollection>();
  odd->Add("SelectExt", Variant("1; DROP TABLE items"));
  set->Parameters(odd);
  set->Parameters(nullptr);
  set->Refresh();
  EXPECT_EQ(set->Recordset()->RecordCount(), 12);

  auto wrong_kind = std::make_shared<platform::MapKeyedCollection>();
  wrong_kind->Add("GetDataType", Variant("zero"));
  try {
    set->Parameters(wrong_kind);
    FAIL() << "a text GetDataType was accepted";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), errc::kInvalidProcedureCall);
  }
  auto not_text = std::make_shared<platform::MapKeyedCollection>();
  not_text->Add("SelectExt", Variant(3L));
  EXPECT_THROW(set->Parameters(not_text), Error);
}

}  // namespace
}  // namespace glnamelist::ledger
