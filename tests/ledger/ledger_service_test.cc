// The data service over a ledger built from the sample data plus hostile entries, in a file
// and on a server: both must serve the same.
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

using testing::Column;
using ::testing::ElementsAre;
using testing::FileBytes;
using ::testing::HasSubstr;
using ::testing::Not;

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

TEST_P(LedgerServiceTest, AccountSetCarriesFlagsHelperCodesAndCodeOrderInEachCopy) {
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
  SeekNumber(rs, "1012.03");
  EXPECT_TRUE(rs->Fields("FHelperCode").IsNull());

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

constexpr const char* kWrongType = "<wrong type>";

// Every field of every row as a host sees it: integer fields must hold integers, text fields
// texts or nulls; a value of another type shows as kWrongType.
std::string Dump(const RecordsetPtr& rs, const std::vector<std::string>& integers,
                 const std::vector<std::string>& texts) {
  std::string dump;
  if (rs->RecordCount() == 0) return dump;
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
    for (const std::string& field : integers) {
      Variant v = rs->Fields(field);
      bool integer = v.type() == Variant::Type::kInt32 || v.type() == Variant::Type::kInt64;
      dump += (integer ? v.ToText() : kWrongType) + "|";
    }
    for (const std::string& field : texts) {
      Variant v = rs->Fields(field);
      dump += (v.IsNull() ? "<null>" : v.IsText() ? v.ToText() : kWrongType) + "|";
    }
    dump += "\n";
  }
  return dump;
}

// Every record set of the ledger, dumped, with a label.
std::vector<std::pair<std::string, std::string>> EveryRecordSet(LedgerService& service) {
  const std::vector<std::string> id = {"FItemID"}, code_name = {"FNumber", "FName"};
  const std::vector<std::string> tree = {"FItemID", "FDetail"};
  std::vector<std::pair<std::string, std::string>> sets = {
      {"accounts",
       Dump(service.AccountSet()->Recordset(), {"FAccountID", "FDetail", "FIsBank", "FIsCash"},
            {"FNumber", "FName", "FHelperCode"})},
      {"currencies", Dump(service.CurrencySet()->Recordset(), id, code_name)},
      {"item classes", Dump(service.ItemClassSet()->Recordset(), id, code_name)},
      {"unit groups", Dump(service.UnitGroupSet()->Recordset(), id, code_name)},
      {"settlement types", Dump(service.SettTypeSet()->Recordset(), id, code_name)},
      {"explanations", Dump(service.VchExpSet(), id, {"FNumber", "FExplanation"})}};
  for (long item_class = 0; item_class <= 9; ++item_class) {
    const std::string of = " of class " + std::to_string(item_class);
    sets.emplace_back("items" + of, Dump(service.ItemRecords(item_class, "", ""), tree, code_name));
    sets.emplace_back(
        "details by name" + of,
        Dump(service.ItemRecords(item_class, " FDetail=1 ", "FName DESC"), tree, code_name));
    RecordSourcePtr submes = service.SubMesSet(item_class);
    sets.emplace_back("SubMes" + of, submes ? Dump(submes->Recordset(), tree, code_name) : "none");
  }
  return sets;
}

TEST_P(LedgerServiceTest, EveryRecordSetIsTypedAndTheSameInAFileAndOnAServer) {
  auto sets = EveryRecordSet(*service_);
  for (const auto& [label, dump] : sets) {
    EXPECT_THAT(dump, Not(HasSubstr(kWrongType))) << label;
  }
  EXPECT_THAT(sets[0].second, HasSubstr("|<null>|")) << "a null helper code";
  if (GetParam() == testing::Backend::kServer) {
    LedgerService file(path_);
    auto in_file = EveryRecordSet(file);
    ASSERT_EQ(sets.size(), in_file.size());
    for (size_t i = 0; i < sets.size(); ++i) {
      EXPECT_TRUE(sets[i] == in_file[i]) << sets[i].first << " differ";
    }
  }
}

TEST_P(LedgerServiceTest, SmallSetsInCodeOrderWithTheirFields) {
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

TEST_P(LedgerServiceTest, GetAccountMatchesTheExactCodeAndJoinsFullNames) {
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

TEST_P(LedgerServiceTest, ItemsAndSubMesAreLookedUpPerClassByExactCode) {
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

TEST_P(LedgerServiceTest, UnitSetsCountAndIndexFromOne) {
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

TEST_P(LedgerServiceTest, HostileCodesAndNamesAreData) {
  const long hostile = 9;
  const std::vector<std::string> codes = {
      "$1", "*", "50%", "A'B", "C:\\n\\", "[1]", "x'; DROP TABLE items; --"};
  for (std::string code : codes) {
    ItemEntryPtr item = Item(hostile, code);
    ASSERT_TRUE(item) << code;
    EXPECT_EQ(item->Number(), code);
  }
  EXPECT_FALSE(Item(hostile, "5%"));
  EXPECT_FALSE(Item(hostile, "$2"));
  RecordsetPtr items = service_->ItemRecords(hostile, "", "");
  EXPECT_EQ(Column(items, "FNumber"), codes);
  std::vector<std::string> names = Column(items, "FName");
  ASSERT_EQ(names.size(), codes.size());
  std::string long_name;
  for (int i = 0; i < 100000; ++i) long_name += "长";
  EXPECT_TRUE(names[0] == long_name)
      << "a name of 100,000 characters, " << names[0].size() << " bytes";
  names[0] = "long";
  EXPECT_THAT(names,
              ElementsAre("long", "star*", "百分之五十%", "O'Brien & Co", "$1 $2::text \\\\. \\.",
                          "方括号[1]", "Robert'); DROP TABLE items;--"));
  // The ledger is as it was for a fresh service, and on a server nothing else changed.
  EXPECT_GT(LedgerService(location()).ItemRecords(1, "", "")->RecordCount(), 0);
  if (GetParam() == testing::Backend::kServer) {
    const char* tables = "SELECT count(*) FROM pg_tables WHERE schemaname = 'public'";
    EXPECT_EQ(testing::TestServer::Run(server_->database, tables), "10");
    EXPECT_EQ(testing::TestServer::Run("postgres", tables), "0");
  }
}

TEST_P(LedgerServiceTest, NothingIsWrittenToTheLedger) {
  auto content = [&] {
    if (GetParam() == testing::Backend::kFile) return FileBytes(path_);
    return testing::TestServer::Run(
        server_->database,
        "SELECT md5(string_agg(t::text, ',' ORDER BY t::text)) FROM (SELECT a::text AS t FROM "
        "accounts a UNION ALL SELECT i::text FROM items i UNION ALL SELECT u::text FROM units u) "
        "s");
  };
  const std::string before = content();
  {
    LedgerService service(location());
    service.DeleteOptions(false);
    service.AccountSet()->Recordset();
    service.ItemRecords(1, " FDetail=1 ", "FNumber");
    long group = 1;
    service.UnitSet(group);
  }
  EXPECT_EQ(content(), before);
}

TEST_P(LedgerServiceTest, RegistrySharesOneServiceAndRetriesAfterAFailure) {
  platform::ClassRegistry registry;
  const testing::NewLedger later(GetParam(), *dir_, "later.ledger");
  RegisterLedger(registry, later.location);
  EXPECT_THAT(testing::ErrorOf([&] { registry.Create(progid::kGLData); }).what(),
              HasSubstr(later.name))
      << "no ledger there yet";
  testing::BuildTestLedgerAt(later, *dir_);
  ObjectPtr first = registry.Create(progid::kGLData);
  ASSERT_TRUE(std::dynamic_pointer_cast<GLData>(first));
  EXPECT_EQ(registry.Create(progid::kGLData), first);
  EXPECT_TRUE(std::dynamic_pointer_cast<ItemSet>(registry.Create(progid::kItemSet)));
  EXPECT_NE(registry.Create(progid::kItemSet), registry.Create(progid::kItemSet));
}

GLNAMELIST_ON_BOTH_BACKENDS(LedgerServiceTest);

}  // namespace
}  // namespace glnamelist::ledger
