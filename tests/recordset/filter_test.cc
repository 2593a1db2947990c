// Filters: grammar, LIKE patterns, comparisons and conversions, nulls, refusals.
#include <string>
#include <vector>

#include "recordset/table.h"
#include "tests/recordset/recordset_test_util.h"

namespace glnamelist::recordset {
namespace {

using test_util::Column;
using test_util::ErrorOf;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

RecordsetPtr Accounts() {
  TableBuilder b({{"FItemID", ColumnType::kInteger},
                  {"FNumber", ColumnType::kText},
                  {"FName", ColumnType::kText},
                  {"FDetail", ColumnType::kBool},
                  {"FHelperCode", ColumnType::kText},
                  {"Unit Price", ColumnType::kDouble}});
  auto row = [&](long id, Variant number, Variant name, bool detail, Variant helper,
                 Variant price) {
    b.AddRow({Variant(id), number, name, Variant(detail), helper, price});
  };
  row(1, "1001", "Cash", false, "xj", 1.5);
  row(2, "1001.01", "Petty CASH", true, "bjxj", 2.0);
  row(3, "1002", "银行存款", false, "yhck", Variant(Null{}));
  row(4, "1002.01", "工商银行", true, "gsyh", 10.0);
  row(5, "1002.02", "100% [special]*", true, Variant(Null{}), -3.0);
  row(6, "2001", "O'Brien loan", true, "obl", 7.25);
  row(7, "2002", "ÄRGER Straße", true, "ärger", 0.0);
  row(8, Variant(Null{}), Variant(Null{}), true, "none", 1.0);
  row(9, "12", "ΣΟΦΙΑ", true, "5", 2.0);
  return b.Build();
}

class FilterTest : public ::testing::Test {
 protected:
  std::vector<std::string> Ids(const std::string& filter) {
    rs_->Filter(filter);
    return Column(*rs_, "FItemID");
  }
  RecordsetPtr rs_ = Accounts();
};

TEST_F(FilterTest, KeywordsAndFieldNamesIgnoreCaseAndSpacing) {
  EXPECT_THAT(Ids("fnumber LIKE '1001%'"), ElementsAre("1", "2"));
  EXPECT_THAT(Ids("FNUMBER\tlike\n'1001%'   Or  fname lIKe '%银行%'"),
              ElementsAre("1", "2", "3", "4"));
  EXPECT_THAT(Ids("FDetail<>0 AnD FNumber like'1002%'"), ElementsAre("4", "5"));
  EXPECT_THAT(Ids("[Unit Price] >= 7"), ElementsAre("4", "6"));
  EXPECT_THAT(Ids("[unit price]=-3"), ElementsAre("5"));
}

TEST_F(FilterTest, OrOfAndGroupsWithParentheses) {
  EXPECT_THAT(Ids("(FNumber like '1001%' and FDetail <> 0) or (FNumber = '2001')"),
              ElementsAre("2", "6"));
  EXPECT_THAT(Ids("FNumber = '12' or FNumber like '1001%' and FDetail = 0"), ElementsAre("1", "9"));
  EXPECT_THAT(Ids("((FNumber = '12'))"), ElementsAre("9"));
  EXPECT_THAT(Ids("(FNumber = '12' or FNumber = '2001') or FItemID = 1"),
              ElementsAre("1", "6", "9"));
}

TEST_F(FilterTest, LikePatterns) {
  EXPECT_THAT(Ids("FName like 'cash'"), ElementsAre("1"));         // exact
  EXPECT_THAT(Ids("FName like 'PETTY*'"), ElementsAre("2"));       // prefix
  EXPECT_THAT(Ids("FName like '%cash%'"), ElementsAre("1", "2"));  // contains
  EXPECT_THAT(Ids("FName like '*'"), ElementsAre("1", "2", "3", "4", "5", "6", "7", "9"));
  EXPECT_THAT(Ids("FName like '%%'"), ElementsAre("1", "2", "3", "4", "5", "6", "7", "9"));
}

TEST_F(FilterTest, WildcardOnlyAtTheEndOrBothEnds) {
  for (const char* f : {"FName like '%cash'", "FName like 'ca*sh'", "FName like 'c%h%'",
                        "FName like '*c*h*'", "FName like 'ab**'"}) {
    EXPECT_EQ(ErrorOf([&] { rs_->Filter(f); }), 3001) << f;
  }
}

TEST_F(FilterTest, BracketsMakeLiteralCharacters) {
  EXPECT_THAT(Ids("FName like '100[%]*'"), ElementsAre("5"));
  EXPECT_THAT(Ids("FName like '*[[]special]*'"), ElementsAre("5"));
}

TEST_F(FilterTest, BracketedWildcardsAndQuotes) {
  EXPECT_THAT(Ids("FName like '*]*'"), ElementsAre("5"));
  EXPECT_THAT(Ids("FName like '%[*]%'"), ElementsAre("5"));
  EXPECT_THAT(Ids("FName like '*o['']b*'"), ElementsAre("6"));
  EXPECT_THAT(Ids("FName like 'o''brien*'"), ElementsAre("6"));
  EXPECT_THAT(Ids("FName = 'O''Brien loan'"), ElementsAre("6"));
  for (const char* f : {"FName like '*[ab]*'", "FName like '*[*'", "FName like '['"}) {
    EXPECT_EQ(ErrorOf([&] { rs_->Filter(f); }), 3001) << f;
  }
}

TEST_F(FilterTest, TextComparisonIgnoresCaseBeyondAscii) {
  EXPECT_THAT(Ids("FName like '%straSSe%'"), IsEmpty()) << "simple folding: ß stays ß";
  EXPECT_THAT(Ids("FName like 'ärger*'"), ElementsAre("7"));
  EXPECT_THAT(Ids("FName = 'σοφια'"), ElementsAre("9"));
  EXPECT_THAT(Ids("FHelperCode = 'ÄRGER'"), ElementsAre("7"));
  EXPECT_THAT(Ids("FName = 'PETTY cash'"), ElementsAre("2"));
  EXPECT_THAT(Ids("FName <> 'petty cash' and FDetail = 0"), ElementsAre("1", "3"));
  EXPECT_THAT(Ids("FNumber > '2' and FNumber < '2002'"), ElementsAre("6"));
  EXPECT_THAT(Ids("FNumber >= '2001' and FNumber <= '2002'"), ElementsAre("6", "7"));
}

TEST_F(FilterTest, NumbersAndTextConvert) {
  EXPECT_THAT(Ids("FDetail <> 0 and FItemID < 4"), ElementsAre("2"));
  EXPECT_THAT(Ids("FDetail = 1 and FItemID <= 4"), ElementsAre("2", "4"));
  EXPECT_THAT(Ids("FDetail = 'False'"), ElementsAre("1", "3"));
  EXPECT_THAT(Ids("FItemID = '5'"), ElementsAre("5"));
  EXPECT_THAT(Ids("FItemID >= 8.5"), ElementsAre("9"));
  EXPECT_THAT(Ids("FHelperCode = 5"), ElementsAre("9")) << "text field read as a number";
  EXPECT_THAT(Ids("FNumber > 1002.01"), ElementsAre("5", "6", "7")) << "non-numbers excluded";
  EXPECT_THAT(Ids("FItemID like '1*'"), ElementsAre("1"));
  EXPECT_EQ(ErrorOf([&] { rs_->Filter("FItemID = 'abc'"); }), 3001);
  EXPECT_EQ(ErrorOf([&] { rs_->Filter("FItemID = #2024-01-01#"); }), 3001);
  EXPECT_THAT(Ids("FNumber = #1001#"), ElementsAre("1"));
}

TEST_F(FilterTest, NullSatisfiesNoClause) {
  EXPECT_THAT(Ids("FNumber <> '1001'"), ElementsAre("2", "3", "4", "5", "6", "7", "9"));
  EXPECT_THAT(Ids("FHelperCode like '*'"), ElementsAre("1", "2", "3", "4", "6", "7", "8", "9"));
  EXPECT_THAT(Ids("[Unit Price] < 100 and FDetail = 0"), ElementsAre("1"));
}

TEST_F(FilterTest, EmptyFilterRemovesItAndSettingMovesToFirst) {
  rs_->Filter("FDetail <> 0");
  rs_->AbsolutePosition(3);
  rs_->Filter("FNumber like '1002%'");
  EXPECT_EQ(rs_->AbsolutePosition(), 1);
  EXPECT_EQ(rs_->Fields("FItemID").ToLong(), 3);
  rs_->Filter("  ");
  EXPECT_EQ(rs_->RecordCount(), 9);
  rs_->Filter("");
  EXPECT_EQ(rs_->Filter(), "");
  EXPECT_EQ(rs_->RecordCount(), 9);
}

TEST_F(FilterTest, RefusedFilterKeepsFilterSortAndPosition) {
  rs_->Filter("FDetail <> 0");
  rs_->Sort("FName DESC");
  rs_->AbsolutePosition(4);
  Variant before = rs_->Fields("FItemID");
  const std::vector<std::pair<std::string, long>> bad = {
      {"FName like 'abc", 3001},
      {"FName like ''abc'", 3001},
      {"FName = ", 3001},
      {"FName", 3001},
      {"= 'x'", 3001},
      {"FName == 'x'", 3001},
      {"FName like '*x*' and", 3001},
      {"FName like '*x*' or or FName = 'y'", 3001},
      {"(FName = 'x' or FName = 'y') and FDetail = 1", 3001},
      {"FDetail = 1 and (FName = 'x' or FName = 'y')", 3001},
      {"(FName = 'x'", 3001},
      {"FName = 'x')", 3001},
      {"FItemID = 5abc", 3001},
      {"FName = 'x' FDetail = 1", 3001},
      {"FName ! 'x'", 3001},
      {"FName like #abc", 3001},
      {"[FName = 'x'", 3001},
      {"FNoSuchField = 'x'", 3265},
      {"FName = 'x' or [No Such] = 1", 3265},
      {std::string("FName = '\xff\xfe'"), 3001},
      {std::string("FName = 'a\xe4\xb8'"), 3001},
  };
  for (const auto& [filter, number] : bad) {
    EXPECT_EQ(ErrorOf([&] { rs_->Filter(filter); }), number) << filter;
    EXPECT_EQ(rs_->Filter(), "FDetail <> 0");
    EXPECT_EQ(rs_->Sort(), "FName DESC");
    EXPECT_EQ(rs_->RecordCount(), 7);
    EXPECT_EQ(rs_->AbsolutePosition(), 4);
    EXPECT_EQ(rs_->Fields("FItemID"), before);
  }
}

TEST_F(FilterTest, HugeAndDeeplyNestedInputsAreRefusedOrAnswered) {
  std::string long_text(64 * 1024, 'a');
  EXPECT_THAT(Ids("FName like '*" + long_text + "*'"), IsEmpty());
  EXPECT_EQ(ErrorOf([&] { rs_->Filter("FName like '*" + long_text); }), 3001);
  EXPECT_EQ(ErrorOf([&] { rs_->Filter(std::string(64 * 1024, '(')); }), 3001);
  std::string many;
  for (int i = 0; i < 2000; ++i) many += "FItemID = " + std::to_string(i % 10) + " or ";
  many += "FItemID = 3";
  EXPECT_THAT(Ids(many), ElementsAre("1", "2", "3", "4", "5", "6", "7", "8", "9"));
}

// Tables past a few thousand rows answer contains and prefix patterns from indexes; the
// answers must equal the plain scans' answers of the small table above.
TEST(FilterLargeTableTest, IndexedPathsMatchScans) {
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
