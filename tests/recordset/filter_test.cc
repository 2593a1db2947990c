// Filters: grammar, LIKE patterns, comparisons and conversions, nulls, refusals.
#include <string>
#include <vector>

#include "recordset/table.h"
#include "tests/recordset/recordset_test_util.h"

namespace glnamelist::recordset {
namespace {

using test_util::Column;
using test_util::ErrorOf;

RecordsetPtr Accounts() {
  TableBuilder b({{"FItemID", ColumnType::kInteger},
                  {"FNumber", ColumnType::kText},
                  {"FName", ColumnType::kText},
                  {"FDetail", ColumnType::kBool},
                  {"FHelperCode", ColumnType::kText},
                  {"Unit Price", ColumnType::kDouble}});
  const Variant null = Null{};
  b.AddRow({1L, "1001", "Cash", false, "xj", 1.5});
  b.AddRow({2L, "1001.01", "Petty CASH", true, "bjxj", 2.0});
  b.AddRow({3L, "1002", "银行存款", false, "yhck", null});
  b.AddRow({4L, "1002.01", "工商银行", true, "gsyh", 10.0});
  b.AddRow({5L, "1002.02", "100% [special]*", true, null, -3.0});
  b.AddRow({6L, "2001", "O'Brien loan", true, "obl", 7.25});
  b.AddRow({7L, "2002", "ÄRGER Straße", true, "ärger", 0.0});
  b.AddRow({8L, null, null, true, "none", 1.0});
  b.AddRow({9L, "12", "ΣΟΦΙΑ", true, "5", 2.0});
  return b.Build();
}

// Each filter with the ids of the rows it keeps, in table order.
TEST(FilterTest, SelectsTheMatchingRows) {
  RecordsetPtr rs = Accounts();
  const std::string long_text(64 * 1024, 'a');
  std::string many;
  for (int i = 0; i < 2000; ++i) many += "FItemID = " + std::to_string(i % 10) + " or ";
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      // Keywords and field names ignore case and spacing.
      {"fnumber LIKE '1001%'", {"1", "2"}},
      {"FNUMBER\tlike\n'1001%'   Or  fname lIKe '%银行%'", {"1", "2", "3", "4"}},
      {"FDetail<>0 AnD FNumber like'1002%'", {"4", "5"}},
      {"[Unit Price] >= 7", {"4", "6"}},
      {"[unit price]=-3", {"5"}},
      // An or of and-groups, with parentheses.
      {"(FNumber like '1001%' and FDetail <> 0) or (FNumber = '2001')", {"2", "6"}},
      {"FNumber = '12' or FNumber like '1001%' and FDetail = 0", {"1", "9"}},
      {"((FNumber = '12'))", {"9"}},
      {"(FNumber = '12' or FNumber = '2001') or FItemID = 1", {"1", "6", "9"}},
      // LIKE: exact, prefix, contains, everything but null.
      {"FName like 'cash'", {"1"}},
      {"FName like 'PETTY*'", {"2"}},
      {"FName like '%cash%'", {"1", "2"}},
      {"FName like '*'", {"1", "2", "3", "4", "5", "6", "7", "9"}},
      {"FName like '%%'", {"1", "2", "3", "4", "5", "6", "7", "9"}},
      // Brackets make literal characters; quotes are doubled.
      {"FName like '100[%]*'", {"5"}},
      {"FName like '*[[]special]*'", {"5"}},
      {"FName like '*]*'", {"5"}},
      {"FName like '%[*]%'", {"5"}},
      {"FName like '*o['']b*'", {"6"}},
      {"FName like 'o''brien*'", {"6"}},
      {"FName = 'O''Brien loan'", {"6"}},
      // Text comparison ignores case beyond ASCII, by simple folding (ß stays ß).
      {"FName like '%straSSe%'", {}},
      {"FName like 'ärger*'", {"7"}},
      {"FName = 'σοφια'", {"9"}},
      {"FHelperCode = 'ÄRGER'", {"7"}},
      {"FName = 'PETTY cash'", {"2"}},
      {"FName <> 'petty cash' and FDetail = 0", {"1", "3"}},
      {"FNumber > '2' and FNumber < '2002'", {"6"}},
      {"FNumber >= '2001' and FNumber <= '2002'", {"6", "7"}},
      // Numbers and text convert; a text field is read as a number, non-numbers excluded.
      {"FDetail <> 0 and FItemID < 4", {"2"}},
      {"FDetail = 1 and FItemID <= 4", {"2", "4"}},
      {"FDetail = 'False'", {"1", "3"}},
      {"FItemID = '5'", {"5"}},
      {"FItemID >= 8.5", {"9"}},
      {"FHelperCode = 5", {"9"}},
      {"FNumber > 1002.01", {"5", "6", "7"}},
      {"FItemID like '1*'", {"1"}},
      {"FNumber = #1001#", {"1"}},
      // Null satisfies no clause.
      {"FNumber <> '1001'", {"2", "3", "4", "5", "6", "7", "9"}},
      {"FHelperCode like '*'", {"1", "2", "3", "4", "6", "7", "8", "9"}},
      {"[Unit Price] < 100 and FDetail = 0", {"1"}},
      // Huge inputs are answered.
      {"FName like '*" + long_text + "*'", {}},
      {many + "FItemID = 3", {"1", "2", "3", "4", "5", "6", "7", "8", "9"}},
  };
  for (const auto& [filter, ids] : cases) {
    rs->Filter(filter);
    EXPECT_EQ(Column(*rs, "FItemID"), ids) << filter.substr(0, 80);
  }
}

TEST(FilterTest, EmptyFilterRemovesItAndSettingMovesToFirst) {
  RecordsetPtr rs = Accounts();
  rs->Filter("FDetail <> 0");
  rs->AbsolutePosition(3);
  rs->Filter("FNumber like '1002%'");
  EXPECT_EQ(rs->AbsolutePosition(), 1);
  EXPECT_EQ(rs->Fields("FItemID").ToLong(), 3);
  rs->Filter("  ");
  EXPECT_EQ(rs->RecordCount(), 9);
  rs->Filter("");
  EXPECT_EQ(rs->Filter(), "");
  EXPECT_EQ(rs->RecordCount(), 9);
}

TEST(FilterTest, RefusedFilterKeepsFilterSortAndPosition) {
  RecordsetPtr rs = Accounts();
  rs->Filter("FDetail <> 0");
  rs->Sort("FName DESC");
  rs->AbsolutePosition(4);
  Variant before = rs->Fields("FItemID");
  const std::vector<std::string> syntax = {
      // Wildcards only at the end or at both ends.
      "FName like '%cash'", "FName like 'ca*sh'", "FName like 'c%h%'", "FName like '*c*h*'",
      "FName like 'ab**'",
      // Brackets hold one character and are closed.
      "FName like '*[ab]*'", "FName like '*[*'", "FName like '['",
      // Values that do not convert.
      "FItemID = 'abc'", "FItemID = #2024-01-01#",
      // Grammar: an or of and-groups only, balanced, complete.
      "FName like 'abc", "FName like ''abc'", "FName = ", "FName", "= 'x'", "FName == 'x'",
      "FName like '*x*' and", "FName like '*x*' or or FName = 'y'",
      "(FName = 'x' or FName = 'y') and FDetail = 1",
      "FDetail = 1 and (FName = 'x' or FName = 'y')", "(FName = 'x'", "FName = 'x')",
      "FItemID = 5abc", "FName = 'x' FDetail = 1", "FName ! 'x'", "FName like #abc", "[FName = 'x'",
      // Malformed UTF-8, an open quote after a huge text, deep nesting.
      "FName = '\xff\xfe'", "FName = 'a\xe4\xb8'", "FName like '*" + std::string(64 * 1024, 'a'),
      std::string(64 * 1024, '(')};
  std::vector<std::pair<std::string, long>> bad = {{"FNoSuchField = 'x'", 3265},
                                                   {"FName = 'x' or [No Such] = 1", 3265}};
  for (const std::string& f : syntax) bad.emplace_back(f, 3001);
  for (const auto& [filter, number] : bad) {
    EXPECT_EQ(ErrorOf([&] { rs->Filter(filter); }), number) << filter.substr(0, 80);
    EXPECT_EQ(rs->Filter(), "FDetail <> 0");
    EXPECT_EQ(rs->Sort(), "FName DESC");
    EXPECT_EQ(rs->RecordCount(), 7);
    EXPECT_EQ(rs->AbsolutePosition(), 4);
    EXPECT_EQ(rs->Fields("FItemID"), before);
  }
}

// Tables past a few thousand rows answer contains and prefix patterns from indexes; the
// answers must equal the plain scans' answers of the small table above.
TEST(FilterTest, IndexedPathsOfLargeTablesMatchScans) {
  TableBuilder b({{"FNumber", ColumnType::kText},
                  {"FName", ColumnType::kText},
                  {"FDetail", ColumnType::kInteger}});
  const std::vector<std::string> names = {"Cash",       "银行存款", "ΣΟΦΙΑ", "a*b",
                                          "Petty CASH", "应收账款", "x"};
  for (int i = 0; i < 10000; ++i) {
    std::string code = std::to_string(1000 + i % 97) + "." + std::to_string(i);
    b.AddRow({Variant(code),
              Variant(names[static_cast<size_t>(i) % names.size()] + (i % 1000 == 0 ? "1001" : "")),
              Variant(static_cast<long>(i % 3))});
  }
  RecordsetPtr rs = b.Build();
  auto count = [&](const std::string& f) {
    rs->Filter(f);
    return rs->RecordCount();
  };
  EXPECT_EQ(count("FName like '%cash%'"), 2857);
  EXPECT_EQ(count("FName like '%1001%'"), 10);
  EXPECT_EQ(count("FName like '%σοφ%'"), 1429);
  EXPECT_EQ(count("FName like '%银%' and FDetail <> 0"), 953);
  EXPECT_EQ(count("FName like '%[*]%'"), 1429);
  EXPECT_EQ(count("FName like '%行存%'"), 1429);
  EXPECT_EQ(count("FName like '%x%' or FNumber like '1000.%'"), 1517);
  EXPECT_EQ(count("FNumber like '1000.1%'"), 11);
  EXPECT_EQ(count("FNumber = '1001.1'"), 1);
  EXPECT_EQ(count("FName like 'x'"), 1426);
}

}  // namespace
}  // namespace glnamelist::recordset
