// Writing ledgers: helper codes, the build from SQL text, the generator and its progress.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>

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
  const std::pair<const char*, const char*> cases[] = {
      {"库存现金", "KCXJ"},
      {"银行存款", "YHCK"},
      {"应交税费", "YJSF"},
      {"中国银行北京分行", "ZGYHBJFH"},
      {"长期借款", "CQJK"},
      {"重庆嘉陵", "CQJL"},
      // Latin letters and digits are kept, upper-cased; marks and spaces are dropped.
      {"热轧钢板Q235", "RZGBQ235"},
      {"abc-1 公司（总部）", "ABC1GSZB"},
      {"", ""},
      {"\xff\xfe", ""}};  // malformed UTF-8 is skipped
  for (const auto& [name, initials] : cases) EXPECT_EQ(pinyin.Of(name), initials) << name;
}

int64_t Count(const std::string& path, const char* sql) {
  Database db(path, Database::Mode::kReadOnly);
  Statement query(db, sql);
  query.Step();
  return query.Int(0);
}

// Details, helper codes and full names of a built ledger are checked on the test ledger.
TEST(BuildLedgerTest, DerivesLevelsAndParentsAndAnOrphanCodeLeavesNoFile) {
  TempDir dir;
  const std::string path = dir.File("tree.ledger"), orphan = dir.File("orphan.ledger");
  BuildLedger(EmbeddedSchema(),
              {"INSERT INTO item_classes (id, number, name) VALUES (1, '1', '类');"
               "INSERT INTO items (class_id, number, name) VALUES"
               " (1, '01', '原材料'), (1, '01.01', '钢材'), (1, '01.01.001', '热轧钢板'),"
               " (1, '02', '包装物');"},
              path);
  EXPECT_EQ(Count(path, "SELECT level FROM items WHERE number = '01.01.001'"), 3);
  EXPECT_EQ(Count(path, "SELECT count(*) FROM items WHERE parent_id IS NULL"), 2);

  EXPECT_THAT(testing::ErrorOf([&] {
                BuildLedger(EmbeddedSchema(),
                            {"INSERT INTO accounts (number, name) VALUES ('1002.01', '工商银行');"},
                            orphan);
              }).what(),
              HasSubstr("1002.01"))
      << "an account without its parent";
  EXPECT_FALSE(std::filesystem::exists(orphan));
  EXPECT_FALSE(std::filesystem::exists(orphan + ".part"));
}

TEST(GenerateLedgerTest, SpreadsThreeLevelTreesOverTheClasses) {
  TempDir dir;
  const std::string path = dir.File("generated.ledger");
  GenerateLedger(
      {.accounts = 60, .items = 200, .item_classes = 3, .submes_per_class = 20, .progress = false},
      path);

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

  // With a single class, that class holds every item.
  const std::string single = dir.File("single.ledger");
  GenerateLedger({.accounts = 5, .items = 1000, .single_class = true, .progress = false}, single);
  EXPECT_EQ(Count(single, "SELECT count(*) FROM items WHERE class_id = 1"), 1000);
  EXPECT_EQ(Count(single, "SELECT count(DISTINCT class_id) FROM items"), 1);
  EXPECT_EQ(Count(single, "SELECT count(*) FROM item_classes"), 5);
}

TEST(ProgressTest, OutsideATerminalWritesALineEachTenth) {
  TempDir dir;
  const std::string path = dir.File("progress.log");
  std::FILE* log = std::fopen(path.c_str(), "w");
  ASSERT_TRUE(log);
  {
    Progress progress("Work", 1000, log);
    for (int i = 0; i < 1000; ++i) progress.Advance();
  }
  std::fclose(log);
  const std::string lines = testing::FileBytes(path);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 10);
  EXPECT_THAT(lines, ::testing::StartsWith("Work: 10% (100 of 1000)\n"));
  EXPECT_THAT(lines, HasSubstr("Work: 100% (1000 of 1000)\n"));
}

}  // namespace
}  // namespace glnamelist::ledger
