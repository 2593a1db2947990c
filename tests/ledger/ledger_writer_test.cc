// Writing ledgers: helper codes, the build from SQL text, the generator and its progress.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "contracts/error.h"
#include "ledger/entries.h"
#include "ledger/generator.h"
#include "ledger/ledger_builder.h"
#include "ledger/ledger_service.h"
#include "ledger/pinyin.h"
#include "ledger/progress.h"
#include "tests/ledger/temp_ledger.h"

namespace glnamelist::ledger {
namespace {

using ::testing::HasSubstr;
using testing::TempDir;

TEST(PinyinInitialsTest, InitialsOfNames) {
  PinyinInitials pinyin;
  EXPECT_EQ(pinyin.Of("库存现金"), "KCXJ");
  EXPECT_EQ(pinyin.Of("银行存款"), "YHCK");
  EXPECT_EQ(pinyin.Of("应交税费"), "YJSF");
  EXPECT_EQ(pinyin.Of("中国银行北京分行"), "ZGYHBJFH");
  EXPECT_EQ(pinyin.Of("长期借款"), "CQJK");
  EXPECT_EQ(pinyin.Of("重庆嘉陵"), "CQJL");
  // Latin letters and digits are kept, upper-cased; marks and spaces are dropped.
  EXPECT_EQ(pinyin.Of("热轧钢板Q235"), "RZGBQ235");
  EXPECT_EQ(pinyin.Of("abc-1 公司（总部）"), "ABC1GSZB");
  EXPECT_EQ(pinyin.Of(""), "");
  EXPECT_EQ(pinyin.Of("\xff\xfe"), "");  // malformed UTF-8 is skipped
}

int64_t Count(const std::string& path, const char* sql) {
  Database db(path, Database::Mode::kReadOnly);
  Statement query(db, sql);
  query.Step();
  return query.Int(0);
}

TEST(BuildLedgerTest, DerivesParentsLevelsDetailAndHelperCodes) {
  TempDir dir;
  const std::string path = dir.File("tree.ledger");
  BuildLedger(EmbeddedSchema(),
              {"INSERT INTO item_classes (id, number, name) VALUES (1, '1', '类');"
               "INSERT INTO items (class_id, number, name) VALUES"
               " (1, '01', '原材料'), (1, '01.01', '钢材'), (1, '01.01.001', '热轧钢板'),"
               " (1, '02', '包装物');"
               "INSERT INTO accounts (number, name) VALUES ('1002', '银行存款'), ('1002.01', "
               "'工商银行');"},
              path);
  LedgerService service(path);
  long item_class = 1;
  auto item = [&](std::string code) { return service.GetItem(item_class, Variant(), code); };
  EXPECT_FALSE(item("01")->Detail());
  EXPECT_FALSE(item("01.01")->Detail());
  EXPECT_TRUE(item("01.01.001")->Detail());
  EXPECT_TRUE(item("02")->Detail());
  EXPECT_EQ(Count(path, "SELECT level FROM items WHERE number = '01.01.001'"), 3);
  EXPECT_EQ(Count(path, "SELECT count(*) FROM items WHERE parent_id IS NULL"), 2);
  EXPECT_EQ(Count(path, "SELECT count(*) FROM accounts WHERE helper_code = 'GSYH'"), 1);
  std::string bank = "1002.01";
  AccountEntryPtr account = service.GetAccount(bank);
  EXPECT_EQ(service.GetAccountFullName(std::static_pointer_cast<LedgerAccount>(account)->Id()),
            "银行存款_工商银行");
}

TEST(BuildLedgerTest, AnOrphanCodeFailsAndLeavesNoFile) {
  TempDir dir;
  const std::string path = dir.File("orphan.ledger");
  try {
    BuildLedger(EmbeddedSchema(),
                {"INSERT INTO accounts (number, name) VALUES ('1002.01', '工商银行');"}, path);
    FAIL() << "an account without its parent was accepted";
  } catch (const Error& e) {
    EXPECT_THAT(e.what(), HasSubstr("1002.01"));
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));
}

TEST(GenerateLedgerTest, SpreadsThreeLevelTreesOverTheClasses) {
  TempDir dir;
  const std::string path = dir.File("generated.ledger");
  GenerateOptions options;
  options.accounts = 60;
  options.items = 200;
  options.item_classes = 3;
  options.submes_per_class = 20;
  options.progress = false;
  GenerateLedger(options, path);

  EXPECT_EQ(Count(path, "SELECT count(*) FROM accounts"), 60);
  EXPECT_EQ(Count(path, "SELECT count(*) FROM items WHERE class_id = 1"), 67);
  EXPECT_EQ(Count(path, "SELECT count(*) FROM items WHERE class_id = 3"), 66);
  EXPECT_EQ(Count(path, "SELECT max(level) FROM items"), 3);
  EXPECT_EQ(Count(path, "SELECT count(*) FROM submes WHERE class_id = 3"), 0);
  EXPECT_EQ(Count(path, "SELECT count(*) FROM submes"), 40);
  // Parents link to the code without its last level, non-details have children, and
  // details none.
  for (const char* table : {"items", "accounts", "submes"}) {
    const std::string bad_parent = std::string("SELECT count(*) FROM ") + table + " c JOIN " +
                                   table +
                                   " p ON p.id = c.parent_id WHERE p.number || '.' || "
                                   "substr(c.number, length(p.number) + 2) <> c.number";
    EXPECT_EQ(Count(path, bad_parent.c_str()), 0) << table;
    const std::string wrong_detail = std::string("SELECT count(*) FROM ") + table +
                                     " p WHERE p.detail = EXISTS (SELECT 1 FROM " + table +
                                     " c WHERE c.parent_id = p.id)";
    EXPECT_EQ(Count(path, wrong_detail.c_str()), 0) << table;
  }
  // Half of the names are Chinese; all have helper codes.
  EXPECT_EQ(Count(path, "SELECT count(*) FROM items WHERE unicode(name) > 0x4E00"), 100);
  EXPECT_EQ(Count(path, "SELECT count(*) FROM items WHERE helper_code = ''"), 0);
  EXPECT_EQ(Count(path, "SELECT is_cash FROM accounts WHERE number = '1001'"), 1);
  EXPECT_EQ(Count(path, "SELECT min(is_bank) FROM accounts WHERE number LIKE '1002%'"), 1);

  LedgerService service(path);  // a generated ledger is a valid one
  EXPECT_EQ(service.ItemRecords(2, " FDetail=1 ", "FNumber")->RecordCount(),
            Count(path, "SELECT count(*) FROM items WHERE class_id = 2 AND detail = 1"));
}

TEST(GenerateLedgerTest, SingleClassHoldsEveryItem) {
  TempDir dir;
  const std::string path = dir.File("single.ledger");
  GenerateOptions options;
  options.accounts = 5;
  options.items = 1000;
  options.single_class = true;
  options.progress = false;
  GenerateLedger(options, path);
  EXPECT_EQ(Count(path, "SELECT count(*) FROM items WHERE class_id = 1"), 1000);
  EXPECT_EQ(Count(path, "SELECT count(DISTINCT class_id) FROM items"), 1);
  EXPECT_EQ(Count(path, "SELECT count(*) FROM item_classes"), 5);
}

TEST(ProgressTest, OutsideATerminalWritesALineEachTenth) {
  std::FILE* log = std::tmpfile();
  ASSERT_TRUE(log);
  {
    Progress progress("Work", 1000, log);
    for (int i = 0; i < 1000; ++i) progress.Advance();
  }
  std::rewind(log);
  std::string lines;
  char buffer[256];
  int count = 0;
  while (std::fgets(buffer, sizeof buffer, log)) {
    lines += buffer;
    ++count;
  }
  std::fclose(log);
  EXPECT_EQ(count, 10);
  EXPECT_THAT(lines, ::testing::StartsWith("Work: 10% (100 of 1000)\n"));
  EXPECT_THAT(lines, HasSubstr("Work: 100% (1000 of 1000)\n"));
}

}  // namespace
}  // namespace glnamelist::ledger
