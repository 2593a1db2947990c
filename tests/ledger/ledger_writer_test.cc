// Writing ledgers: helper codes, the build from SQL text, the generator and its progress.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "contracts/error.h"
#include "ledger/entries.h"
#include "ledger/generated_names.h"
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
  // Latin letters and digits are kept, upper-cased; marks, spaces and malformed UTF-8 dropped.
  for (auto [name, initials] : {std::pair{"库存现金", "KCXJ"},
                                {"中国银行北京分行", "ZGYHBJFH"},
                                {"热轧钢板Q235", "RZGBQ235"},
                                {"abc-1 公司（总部）", "ABC1GSZB"},
                                {"", ""},
                                {"\xff\xfe", ""}}) {
    EXPECT_EQ(PinyinInitials().Of(name), initials) << name;
  }
}

int64_t Count(const std::string& path, const std::string& sql) {
  Database db(path, Database::Mode::kReadOnly);
  Statement query(db, sql);
  query.Step();
  return query.Int(0);
}

// Details, helper codes and parents of a built ledger are checked on the test ledger.
TEST(BuildLedgerTest, DerivesLevelsAndAFailedBuildLeavesNoFile) {
  TempDir dir;
  const std::string path = dir.File("tree.ledger"), orphan = dir.File("orphan.ledger");
  std::ofstream(path + ".part") << "left by a build that was killed";
  BuildLedger(EmbeddedSchema(),
              {"INSERT INTO item_classes (id, number, name) VALUES (1, '1', '类');"
               "INSERT INTO items (class_id, number, name) VALUES"
               " (1, '01.01.001', '热轧钢板'), (1, '02', '包装物'), (1, '01', '原材料'),"
               " (1, '01.01', '钢材');"},
              path);
  EXPECT_EQ(Count(path, "SELECT group_concat(level, '') FROM items"), 3112);
  EXPECT_THAT(testing::ErrorOf([&] {
                BuildLedger(EmbeddedSchema(),
                            {"INSERT INTO accounts (number, name) VALUES ('1002.01', '工商银行');"},
                            orphan);
              }).what(),
              HasSubstr("1002.01: no parent with the code 1002"));
  EXPECT_FALSE(std::filesystem::exists(orphan + ".part"));
  std::filesystem::create_directories(orphan + "/in the way");
  EXPECT_THAT(testing::ErrorOf([&] { BuildLedger(EmbeddedSchema(), {}, orphan); }).what(),
              HasSubstr("Cannot write " + orphan));
  EXPECT_FALSE(std::filesystem::exists(orphan + ".part"));
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));
}

// One generated company: its trees and chart. Each query counts faults.
TEST(GenerateLedgerTest, BuildsACompanyOfValidTrees) {
  TempDir dir;
  const std::string path = dir.File("generated.ledger");
  GenerateLedger({.accounts = 3000, .items = 2000, .item_classes = 3, .progress = false}, path);
  auto count = [&](const std::string& sql) { return Count(path, sql); };
  std::vector<std::string> faults = {
      "SELECT (SELECT count(*) FROM accounts) <> 3000 OR (SELECT count(*) FROM submes) <> 400 OR "
      "(SELECT group_concat(n) FROM (SELECT count(*) AS n FROM items GROUP BY class_id)) <> "
      "'667,667,666'",
      // Accounts in code order with distinct sibling names, cash and bank by their codes.
      "SELECT count(*) FROM (SELECT number < lag(number) OVER (ORDER BY id) AS b FROM accounts) "
      "WHERE b",
      "SELECT count(*) FROM accounts GROUP BY parent_id, name HAVING count(*) > 1",
      "SELECT count(*) FROM accounts WHERE is_cash <> (number LIKE '1001%') OR "
      "is_bank <> (number LIKE '1002%')",
      // The enterprise chart at the top; most accounts below banks, customers, suppliers,
      // projects and departments, each customer in the city of its group; few below cash.
      "SELECT count(*) NOT BETWEEN 60 AND 90 FROM accounts WHERE level = 1",
      "SELECT 4 - count(*) FROM accounts WHERE (number, name) IN (VALUES ('1001', '库存现金'), "
      "('1002', '银行存款'), ('1122', '应收账款'), ('6602', '管理费用'))",
      "SELECT sum(level > 1 AND substr(number, 1, 4) IN ('1002', '1122', '1123', '2202', '2203', "
      "'5001', '6601', '6602')) < 2700 OR sum(number LIKE '1001.%') > 3 FROM accounts",
      "SELECT count(*) FROM accounts c JOIN accounts p ON p.id = c.parent_id WHERE p.number "
      "LIKE '1122.%' AND c.name NOT LIKE p.name || '%'",
      "SELECT count(*) FROM items c JOIN items p ON p.id = c.parent_id WHERE c.level = 3 AND "
      "instr(c.name, p.name) = 0"};  // goods are named by their product
  for (const std::string table : {"items", "accounts", "submes"}) {
    // A parent's code is its child's without the last level; details have no children.
    faults.push_back("SELECT count(*) FROM " + table + " c LEFT JOIN " + table +
                     " p ON p.id = c.parent_id WHERE coalesce(p.number || '.' || substr(c.number, "
                     "length(p.number) + 2), c.number) <> c.number OR c.level <> coalesce(p.level "
                     "+ 1, 1) OR c.detail = EXISTS (SELECT 1 FROM " +
                     table + " d WHERE d.parent_id = c.id) OR c.helper_code = ''");
  }
  for (const std::string& sql : faults) EXPECT_EQ(count(sql), 0) << sql;
  EXPECT_EQ(LedgerService(path).ItemRecords(2, " FDetail=1 ", "FNumber")->RecordCount(),
            count("SELECT count(*) FROM items WHERE class_id = 2 AND detail = 1"));  // it opens

  // Fewer accounts than the chart's top are its first; a single class holds every item.
  GenerateLedger({.accounts = 5, .items = 1000, .single_class = true, .progress = false}, path);
  EXPECT_EQ(count("SELECT count(*) FROM accounts WHERE detail AND number < '1122'"), 5);
  EXPECT_EQ(count("SELECT count(*) FROM items WHERE class_id = 1"), 1000);
}

TEST(GenerateLedgerTest, EveryBankHasANameOfItsOwn) {
  std::set<std::string> banks;
  for (long i = 0; i < 5000; ++i) banks.insert(NameMaker::Bank(i));
  EXPECT_EQ(banks.size(), 5000u);
}

TEST(ProgressTest, OutsideATerminalWritesALineEachTenth) {
  char* text = nullptr;
  size_t size = 0;
  std::FILE* log = open_memstream(&text, &size);
  {
    Progress progress("Work", 1000, log);
    for (int i = 0; i < 1000; ++i) progress.Advance();
  }
  std::fclose(log);
  const std::string lines(text, size);
  std::free(text);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 10);
  EXPECT_THAT(lines, ::testing::StartsWith("Work: 10% (100 of 1000)\n"));
  EXPECT_THAT(lines, HasSubstr("Work: 100% (1000 of 1000)\n"));
}

}  // namespace
}  // namespace glnamelist::ledger
