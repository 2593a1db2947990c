// The data service over a ledger built from the sample data plus hostile entries.
#include "ledger/ledger_service.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "contracts/error.h"
#include "contracts/prog_ids.h"
#include "ledger/entries.h"
#include "ledger/register_ledger.h"
#include "platform/class_registry.h"
#include "tests/ledger/temp_ledger.h"

namespace glnamelist::ledger {
namespace {

using testing::BuildTestLedger;
using ::testing::ElementsAre;
using testing::FileBytes;
using ::testing::HasSubstr;
using testing::TempDir;

// The values of one field over all rows of rs, in its order.
std::vector<std::string> Column(const RecordsetPtr& rs, std::string_view field) {
  std::vector<std::string> values;
  if (rs->RecordCount() == 0) return values;
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
    values.push_back(rs->Fields(field).ToDisplayText());
  }
  return values;
}

// Moves rs to the row whose FNumber is number; fails the test when there is none.
void SeekNumber(const RecordsetPtr& rs, const std::string& number) {
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
    if (rs->Fields("FNumber").ToText() == number) return;
  }
  FAIL() << "no row " << number;
}

class LedgerServiceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    path_ = dir_->File("test.ledger");
    BuildTestLedger(path_);
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  void SetUp() override { service_ = std::make_shared<LedgerService>(path_); }

  static inline TempDir* dir_ = nullptr;
  static inline std::string path_;
  std::shared_ptr<LedgerService> service_;
};

TEST_F(LedgerServiceTest, AccountSetCarriesFlagsHelperCodesAndCodeOrder) {
  RecordsetPtr rs = service_->AccountSet()->Recordset();
  std::vector<std::string> numbers = Column(rs, "FNumber");
  ASSERT_GT(numbers.size(), 100u);
  EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));

  SeekNumber(rs, "1001");
  EXPECT_EQ(rs->Fields("FName").ToText(), "库存现金");
  EXPECT_EQ(rs->Fields("FHelperCode").ToText(), "KCXJ");
  EXPECT_EQ(rs->Fields("FIsCash").ToLong(), 1);
  EXPECT_EQ(rs->Fields("FIsBank").ToLong(), 0);
  EXPECT_EQ(rs->Fields("FDetail").ToLong(), 1);

  SeekNumber(rs, "1002");
  EXPECT_EQ(rs->Fields("FHelperCode").ToText(), "YHCK");
  EXPECT_EQ(rs->Fields("FDetail").ToLong(), 0);
  EXPECT_EQ(rs->Fields("FIsBank").ToLong(), 1);

  SeekNumber(rs, "2221.01.01");
  EXPECT_EQ(rs->Fields("FName").ToText(), "进项税额");
  EXPECT_EQ(rs->Fields("FDetail").ToLong(), 1);
  EXPECT_GT(rs->Fields("FAccountID").ToLong(), 0);
}

TEST_F(LedgerServiceTest, HandedOutRecordSetsAreIndependentOfEachOther) {
  RecordsetPtr first = service_->AccountSet()->Recordset();
  const long all = first->RecordCount();
  first->Filter("FDetail = 0");
  first->Sort("FNumber DESC");
  RecordsetPtr second = service_->AccountSet()->Recordset();
  EXPECT_EQ(second->RecordCount(), all);
  EXPECT_EQ(second->Fields("FNumber").ToText(), "1001");
  EXPECT_LT(first->RecordCount(), all);
}

TEST_F(LedgerServiceTest, SmallSetsInCodeOrderWithTheirFields) {
  EXPECT_THAT(Column(service_->CurrencySet()->Recordset(), "FNumber"),
              ElementsAre("EUR", "GBP", "HKD", "JPY", "RMB", "USD"));
  EXPECT_THAT(Column(service_->CurrencySet()->Recordset(), "FName"),
              ElementsAre("欧元", "英镑", "港币", "日元", "人民币", "美元"));
  EXPECT_THAT(Column(service_->ItemClassSet()->Recordset(), "FName"),
              ElementsAre("客户", "供应商", "部门", "职员", "物料", "测试'类"));
  EXPECT_THAT(Column(service_->SettTypeSet()->Recordset(), "FName"),
              ElementsAre("现金", "现金支票", "转账支票", "电汇", "信汇", "商业汇票", "银行汇票"));
  EXPECT_THAT(Column(service_->SettTypeSet()->Recordset(), "FItemID"),
              ElementsAre("1", "2", "3", "4", "5", "6", "7"));
  EXPECT_THAT(Column(service_->UnitGroupSet()->Recordset(), "FNumber"),
              ElementsAre("01", "02", "03", "04", "05", "99"));
  RecordsetPtr explanations = service_->VchExpSet();
  EXPECT_EQ(explanations->RecordCount(), 15);
  EXPECT_EQ(explanations->Fields("FExplanation").ToText(), "提取现金");
}

TEST_F(LedgerServiceTest, GetAccountMatchesTheExactCodeOnly) {
  std::string code = "1002.01";
  AccountEntryPtr bank = service_->GetAccount(code);
  ASSERT_TRUE(bank);
  EXPECT_EQ(bank->Number(), "1002.01");
  EXPECT_TRUE(bank->Detail());
  EXPECT_EQ(code, "1002.01");

  std::string parent = "1002";
  ASSERT_TRUE(service_->GetAccount(parent));
  EXPECT_FALSE(service_->GetAccount(parent)->Detail());

  for (std::string near_miss : {"1002.0", "1002.01 ", " 1002", "1002%", "1002.0_", "", "'"}) {
    EXPECT_FALSE(service_->GetAccount(near_miss)) << near_miss;
  }
}

TEST_F(LedgerServiceTest, FullNamesJoinFromTheTopLevelDown) {
  auto full_name = [&](std::string code) {
    AccountEntryPtr entry = service_->GetAccount(code);
    return service_->GetAccountFullName(std::static_pointer_cast<LedgerAccount>(entry)->Id());
  };
  EXPECT_EQ(full_name("1001"), "库存现金");
  EXPECT_EQ(full_name("1002.01"), "银行存款_工商银行");
  EXPECT_EQ(full_name("2221.01.01"), "应交税费_应交增值税_进项税额");
  EXPECT_EQ(full_name("6602.02"), "管理费用_差旅费");
  EXPECT_THROW(service_->GetAccountFullName(999999), Error);
}

TEST_F(LedgerServiceTest, ItemsAndSubMesAreLookedUpPerClassByExactCode) {
  long customers = 1, departments = 3;
  std::string code = "01.01.001";
  ItemEntryPtr item = service_->GetItem(customers, Variant(), code);
  ASSERT_TRUE(item);
  EXPECT_TRUE(item->Detail());
  EXPECT_EQ(std::static_pointer_cast<LedgerItem>(item)->Name(), "北京华信科技有限公司");
  std::string region = "01";
  EXPECT_FALSE(service_->GetItem(customers, Variant(), region)->Detail());
  EXPECT_FALSE(service_->GetItem(departments, Variant(), code));  // another class's code
  std::string prefix = "01.01";
  EXPECT_EQ(service_->GetItem(customers, Variant(), prefix)->Number(), "01.01");

  std::string submes_code = "01.02";
  SubMesEntryPtr entry = service_->GetSubMes(customers, Variant(), submes_code);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->Number(), "01.02");
  EXPECT_EQ(std::static_pointer_cast<LedgerSubMes>(entry)->Name(), "大客户");
  EXPECT_FALSE(service_->GetSubMes(departments, Variant(), submes_code));
  std::string missing = "09";
  EXPECT_FALSE(service_->GetSubMes(customers, Variant(), missing));
}

TEST_F(LedgerServiceTest, SubMesSetIsNothingForAClassWithoutEntries) {
  long customers = 1, suppliers = 2, unknown = 77;
  RecordSourcePtr source = service_->SubMesSet(customers);
  ASSERT_TRUE(source);
  RecordsetPtr rs = source->Recordset();
  EXPECT_THAT(Column(rs, "FNumber"),
              ElementsAre("01", "01.01", "01.02", "02", "02.01", "02.02", "03"));
  EXPECT_THAT(Column(rs, "FDetail"), ElementsAre("0", "1", "1", "0", "1", "1", "1"));
  EXPECT_FALSE(service_->SubMesSet(suppliers));
  EXPECT_FALSE(service_->SubMesSet(unknown));
  EXPECT_EQ(suppliers, 2);
}

TEST_F(LedgerServiceTest, UnitSetsCountAndIndexFromOne) {
  long weight = 1, empty = 9, unknown = 77;
  UnitSetPtr units = service_->UnitSet(weight);
  ASSERT_TRUE(units);
  ASSERT_EQ(units->Count(), 3);
  EXPECT_EQ(units->Item(1)->Number(), "01");
  EXPECT_EQ(units->Item(1)->Name(), "千克");
  EXPECT_EQ(units->Item(3)->Name(), "吨");
  for (long outside : {0L, 4L, -1L}) {
    try {
      units->Item(outside);
      ADD_FAILURE() << "index " << outside;
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), errc::kInvalidProcedureCall);
    }
  }
  ASSERT_TRUE(service_->UnitSet(empty));
  EXPECT_EQ(service_->UnitSet(empty)->Count(), 0);
  EXPECT_FALSE(service_->UnitSet(unknown));
}

TEST_F(LedgerServiceTest, HostileCodesAndNamesAreData) {
  long hostile = 9;
  for (std::string code : {"A'B", "50%", "*", "x'; DROP TABLE items; --", "[1]"}) {
    ItemEntryPtr item = service_->GetItem(hostile, Variant(), code);
    ASSERT_TRUE(item) << code;
    EXPECT_EQ(item->Number(), code);
  }
  std::string wildcard = "5%";
  EXPECT_FALSE(service_->GetItem(hostile, Variant(), wildcard));
  RecordsetPtr items = service_->ItemRecords(hostile, "", "");
  EXPECT_THAT(Column(items, "FName"), ElementsAre("star*", "百分之五十%", "O'Brien & Co",
                                                  "方括号[1]", "Robert'); DROP TABLE items;--"));
  // The items table is still there for a fresh service.
  long customers = 1;
  EXPECT_GT(LedgerService(path_).ItemRecords(customers, "", "")->RecordCount(), 0);
}

TEST_F(LedgerServiceTest, NothingIsWrittenToTheLedger) {
  const std::string before = FileBytes(path_);
  {
    LedgerService service(path_);
    service.DeleteOptions(false);
    service.AccountSet()->Recordset();
    service.ItemRecords(1, " FDetail=1 ", "FNumber");
    long group = 1;
    service.UnitSet(group);
  }
  EXPECT_EQ(FileBytes(path_), before);
}

TEST_F(LedgerServiceTest, RegistrySharesOneServiceAndRetriesAfterAFailure) {
  platform::ClassRegistry registry;
  const std::string later = dir_->File("later.ledger");
  RegisterLedger(registry, later);
  try {
    registry.Create(progid::kGLData);
    FAIL() << "a missing ledger was opened";
  } catch (const Error& e) {
    EXPECT_THAT(e.what(), HasSubstr(later));
  }
  BuildTestLedger(later);
  ObjectPtr first = registry.Create(progid::kGLData);
  ASSERT_TRUE(std::dynamic_pointer_cast<GLData>(first));
  EXPECT_EQ(registry.Create(progid::kGLData), first);
  EXPECT_TRUE(std::dynamic_pointer_cast<ItemSet>(registry.Create(progid::kItemSet)));
  EXPECT_NE(registry.Create(progid::kItemSet), registry.Create(progid::kItemSet));
}

}  // namespace
}  // namespace glnamelist::ledger
