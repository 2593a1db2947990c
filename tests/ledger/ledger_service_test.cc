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
using testing::Column;
using ::testing::ElementsAre;
using testing::FileBytes;
using ::testing::HasSubstr;

// Moves rs to the row whose FNumber is number; fails the test when there is none.
void SeekNumber(const RecordsetPtr& rs, const std::string& number) {
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
    if (rs->Fields("FNumber").ToText() == number) return;
  }
  FAIL() << "no row " << number;
}

class LedgerServiceTest : public testing::TestLedgerSuite {
 protected:
  // The look-ups take their arguments by reference, as the host passes them.
  AccountEntryPtr Account(std::string code) { return service_->GetAccount(code); }
  ItemEntryPtr Item(long item_class, std::string code) {
    return service_->GetItem(item_class, Variant(), code);
  }
  SubMesEntryPtr SubMes(long item_class, std::string code) {
    return service_->GetSubMes(item_class, Variant(), code);
  }
};

TEST_F(LedgerServiceTest, AccountSetCarriesFlagsHelperCodesAndCodeOrderInEachCopy) {
  RecordsetPtr rs = service_->AccountSet()->Recordset();
  std::vector<std::string> numbers = Column(rs, "FNumber");
  ASSERT_GT(numbers.size(), 100u);
  EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));

  struct Cell {
    const char *number, *field, *text;
  };
  for (auto [number, field, text] : {Cell{"1001", "FName", "库存现金"},
                                     {"1001", "FHelperCode", "KCXJ"},
                                     {"1001", "FIsCash", "1"},
                                     {"1001", "FIsBank", "0"},
                                     {"1001", "FDetail", "1"},
                                     {"1002", "FHelperCode", "YHCK"},
                                     {"1002", "FDetail", "0"},
                                     {"1002", "FIsBank", "1"},
                                     {"2221.01.01", "FName", "进项税额"},
                                     {"2221.01.01", "FDetail", "1"}}) {
    SeekNumber(rs, number);
    EXPECT_EQ(rs->Fields(field).ToText(), text) << number << " " << field;
  }
  EXPECT_GT(rs->Fields("FAccountID").ToLong(), 0);

  // Handed-out record sets are independent of each other.
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

TEST_F(LedgerServiceTest, GetAccountMatchesTheExactCodeAndJoinsFullNames) {
  std::string code = "1002.01";
  AccountEntryPtr bank = service_->GetAccount(code);
  ASSERT_TRUE(bank);
  EXPECT_EQ(bank->Number(), "1002.01");
  EXPECT_TRUE(bank->Detail());
  EXPECT_EQ(code, "1002.01");
  ASSERT_TRUE(Account("1002"));
  EXPECT_FALSE(Account("1002")->Detail());
  for (std::string near_miss : {"1002.0", "1002.01 ", " 1002", "1002%", "1002.0_", "", "'"}) {
    EXPECT_FALSE(Account(near_miss)) << near_miss;
  }

  auto full_name = [&](std::string code) {
    return service_->GetAccountFullName(
        std::static_pointer_cast<LedgerAccount>(Account(code))->Id());
  };
  EXPECT_EQ(full_name("1001"), "库存现金");
  EXPECT_EQ(full_name("1002.01"), "银行存款_工商银行");
  EXPECT_EQ(full_name("2221.01.01"), "应交税费_应交增值税_进项税额");
  EXPECT_EQ(full_name("6602.02"), "管理费用_差旅费");
  EXPECT_THROW(service_->GetAccountFullName(999999), Error);
}

TEST_F(LedgerServiceTest, ItemsAndSubMesAreLookedUpPerClassByExactCode) {
  const long customers = 1, departments = 3;
  std::string code = "01.01.001";
  long customer_class = customers;
  ItemEntryPtr item = service_->GetItem(customer_class, Variant(), code);
  ASSERT_TRUE(item);
  EXPECT_TRUE(item->Detail());
  EXPECT_EQ(std::static_pointer_cast<LedgerItem>(item)->Name(), "北京华信科技有限公司");
  EXPECT_FALSE(Item(customers, "01")->Detail());
  EXPECT_FALSE(Item(departments, code));  // another class's code
  EXPECT_EQ(Item(customers, "01.01")->Number(), "01.01");

  SubMesEntryPtr entry = SubMes(customers, "01.02");
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->Number(), "01.02");
  EXPECT_EQ(std::static_pointer_cast<LedgerSubMes>(entry)->Name(), "大客户");
  EXPECT_FALSE(SubMes(departments, "01.02"));
  EXPECT_FALSE(SubMes(customers, "09"));

  long suppliers = 2, unknown = 77;
  RecordSourcePtr source = service_->SubMesSet(customer_class);
  ASSERT_TRUE(source);
  RecordsetPtr rs = source->Recordset();
  EXPECT_THAT(Column(rs, "FNumber"),
              ElementsAre("01", "01.01", "01.02", "02", "02.01", "02.02", "03"));
  EXPECT_THAT(Column(rs, "FDetail"), ElementsAre("0", "1", "1", "0", "1", "1", "1"));
  EXPECT_FALSE(service_->SubMesSet(suppliers)) << "a class without entries";
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
    EXPECT_EQ(testing::ErrorOf([&] { units->Item(outside); }).Number(), errc::kInvalidProcedureCall)
        << "index " << outside;
  }
  ASSERT_TRUE(service_->UnitSet(empty));
  EXPECT_EQ(service_->UnitSet(empty)->Count(), 0);
  EXPECT_FALSE(service_->UnitSet(unknown));
}

TEST_F(LedgerServiceTest, HostileCodesAndNamesAreData) {
  const long hostile = 9;
  for (std::string code : {"A'B", "50%", "*", "x'; DROP TABLE items; --", "[1]"}) {
    ItemEntryPtr item = Item(hostile, code);
    ASSERT_TRUE(item) << code;
    EXPECT_EQ(item->Number(), code);
  }
  EXPECT_FALSE(Item(hostile, "5%"));
  EXPECT_THAT(Column(service_->ItemRecords(hostile, "", ""), "FName"),
              ElementsAre("star*", "百分之五十%", "O'Brien & Co", "方括号[1]",
                          "Robert'); DROP TABLE items;--"));
  // The items table is still there for a fresh service.
  EXPECT_GT(LedgerService(path_).ItemRecords(1, "", "")->RecordCount(), 0);
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
  EXPECT_THAT(testing::ErrorOf([&] { registry.Create(progid::kGLData); }).what(), HasSubstr(later))
      << "a missing ledger";
  BuildTestLedger(later);
  ObjectPtr first = registry.Create(progid::kGLData);
  ASSERT_TRUE(std::dynamic_pointer_cast<GLData>(first));
  EXPECT_EQ(registry.Create(progid::kGLData), first);
  EXPECT_TRUE(std::dynamic_pointer_cast<ItemSet>(registry.Create(progid::kItemSet)));
  EXPECT_NE(registry.Create(progid::kItemSet), registry.Create(progid::kItemSet));
}

}  // namespace
}  // namespace glnamelist::ledger
