// Sort orders, the cursor and clones.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "recordset/table.h"
#include "tests/recordset/recordset_test_util.h"

namespace glnamelist::recordset {
namespace {

using test_util::Column;
using test_util::ErrorOf;
using ::testing::ElementsAre;

RecordsetPtr Sample() {
  TableBuilder b({{"FItemID", ColumnType::kInteger},
                  {"FNumber", ColumnType::kText},
                  {"FName", ColumnType::kText},
                  {"FDetail", ColumnType::kInteger}});
  b.AddRow({1L, "2001", "应收账款", 1L});
  b.AddRow({2L, "1002", "银行存款", 0L});
  b.AddRow({3L, "1001.01", "阿姨", 1L});
  b.AddRow({4L, "1001", "现金", 0L});
  b.AddRow({5L, "101", "工商银行", 1L});
  b.AddRow({6L, "1002.01", "现金", 1L});
  b.AddRow({7L, Variant(Null{}), Variant(Null{}), Variant(Null{})});
  return b.Build();
}

// Chinese by pinyin, codes in plain order; stable, multi-key, descending; null first.
TEST(SortTest, OrdersTheRows) {
  RecordsetPtr rs = Sample();
  rs->Filter("FName like '*'");
  rs->Sort("FName");
  EXPECT_THAT(Column(*rs, "FName"),
              ElementsAre("阿姨", "工商银行", "现金", "现金", "银行存款", "应收账款"));
  rs->Sort("fnumber");
  EXPECT_THAT(Column(*rs, "FNumber"),
              ElementsAre("1001", "1001.01", "1002", "1002.01", "101", "2001"));
  rs->Filter("");
  rs->Sort("FName");
  EXPECT_THAT(Column(*rs, "FItemID"), ElementsAre("7", "3", "5", "4", "6", "2", "1"))
      << "null first; equal names keep the table's order";
  rs->Sort("FName DESC");
  EXPECT_THAT(Column(*rs, "FItemID"), ElementsAre("1", "2", "4", "6", "5", "3", "7"));
  rs->Sort("FDetail desc, [FNumber] ASC");
  EXPECT_THAT(Column(*rs, "FItemID"), ElementsAre("3", "6", "5", "1", "4", "2", "7"));
  rs->Sort(" FDetail ,FName ");
  EXPECT_THAT(Column(*rs, "FItemID"), ElementsAre("7", "4", "2", "3", "5", "6", "1"));
  rs->Sort("");
  EXPECT_THAT(Column(*rs, "FItemID"), ElementsAre("1", "2", "3", "4", "5", "6", "7"));
}

TEST(SortTest, FilterAndSortComposeAndBothMoveToFirst) {
  RecordsetPtr rs = Sample();
  rs->Sort("FNumber DESC");
  rs->Filter("FDetail <> 0");
  EXPECT_THAT(Column(*rs, "FNumber"), ElementsAre("2001", "101", "1002.01", "1001.01"));
  rs->AbsolutePosition(3);
  rs->Sort("FItemID");
  EXPECT_EQ(rs->AbsolutePosition(), 1);
  EXPECT_THAT(Column(*rs, "FItemID"), ElementsAre("1", "3", "5", "6"));
  EXPECT_EQ(rs->Filter(), "FDetail <> 0");
}

TEST(SortTest, RefusedSortKeepsEverything) {
  RecordsetPtr rs = Sample();
  rs->Filter("FDetail = 1");
  rs->Sort("FNumber");
  rs->AbsolutePosition(2);
  const std::vector<std::pair<std::string, long>> bad = {
      {"FName ASCENDING", 3001}, {"FName,", 3001},
      {", FName", 3001},         {"FName DESC DESC", 3001},
      {"[FName", 3001},          {"FName; FNumber", 3001},
      {"FNoSuch", 3265},         {"FName, FNoSuch DESC", 3265},
      {"FName \xff", 3001},
  };
  for (const auto& [sort, number] : bad) {
    EXPECT_EQ(ErrorOf([&] { rs->Sort(sort); }), number) << sort;
    EXPECT_EQ(rs->Sort(), "FNumber");
    EXPECT_EQ(rs->AbsolutePosition(), 2);
    EXPECT_EQ(rs->Fields("FNumber").ToText(), "1002.01");
  }
}

// Large views take other paths (sorting a few ids, walking the full order for many).
TEST(SortTest, LargeFilteredViewsComeInSortOrder) {
  TableBuilder b({{"FNumber", ColumnType::kText}, {"FDetail", ColumnType::kInteger}});
  for (int i = 0; i < 20000; ++i) {
    b.AddRow({Variant(std::to_string((i * 7919) % 20000 + 100000)),
              Variant(static_cast<long>(i % 50 == 0))});
  }
  RecordsetPtr rs = b.Build();
  rs->Sort("FNumber DESC");
  for (const auto& [filter, count] : std::vector<std::pair<const char*, long>>{
           {"FDetail <> 0", 400}, {"FDetail = 0", 19600}, {"FNumber like '10000%'", 10}}) {
    rs->Filter(filter);
    std::vector<std::string> shown = Column(*rs, "FNumber");
    std::vector<std::string> sorted = shown;
    std::sort(sorted.begin(), sorted.end(), std::greater<>());
    EXPECT_EQ(shown, sorted) << filter;
    EXPECT_EQ(rs->RecordCount(), count) << filter;
  }
}

TEST(CursorTest, PositionsMovesAndEndOfRecords) {
  RecordsetPtr rs = Sample();
  rs->Filter("FDetail = 0");
  EXPECT_EQ(rs->RecordCount(), 2);
  EXPECT_FALSE(rs->IsBOF());
  EXPECT_EQ(rs->AbsolutePosition(), 1);
  rs->AbsolutePosition(2);
  EXPECT_EQ(rs->Fields("fitemid").ToLong(), 4);
  EXPECT_EQ(ErrorOf([&] { rs->AbsolutePosition(3); }), 3001);
  EXPECT_EQ(ErrorOf([&] { rs->AbsolutePosition(0); }), 3001);
  EXPECT_EQ(rs->AbsolutePosition(), 2);
  rs->MoveNext();
  EXPECT_TRUE(rs->IsEOF());
  EXPECT_EQ(rs->AbsolutePosition(), -3);
  EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), 3021);
  EXPECT_EQ(ErrorOf([&] { rs->Fields("FName"); }), 3021);
  EXPECT_EQ(ErrorOf([&] { rs->Fields("FNope"); }), 3265);
  rs->MoveFirst();
  EXPECT_EQ(rs->Fields("FItemID").ToLong(), 2);
  EXPECT_EQ(ErrorOf([&] { rs->Fields("FNope"); }), 3265);
}

TEST(CursorTest, NoRecords) {
  RecordsetPtr rs = Sample();
  rs->Filter("FName = 'none'");
  EXPECT_EQ(rs->RecordCount(), 0);
  EXPECT_TRUE(rs->IsBOF());
  EXPECT_TRUE(rs->IsEOF());
  EXPECT_EQ(ErrorOf([&] { rs->MoveFirst(); }), 3021);
  EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), 3021);
  EXPECT_EQ(ErrorOf([&] { rs->AbsolutePosition(1); }), 3001);
  EXPECT_EQ(ErrorOf([&] { rs->Fields("FName"); }), 3021);
  RecordsetPtr empty = NewRecordset();
  EXPECT_EQ(empty->RecordCount(), 0);
  EXPECT_EQ(ErrorOf([&] { empty->Filter("FName = 'x'"); }), 3265);
  empty->Filter("");
  empty->Sort("");
}

TEST(CursorTest, FieldValuesKeepTheirTypes) {
  TableBuilder b({{"I", ColumnType::kInteger},
                  {"D", ColumnType::kDouble},
                  {"B", ColumnType::kBool},
                  {"T", ColumnType::kText}});
  b.AddRow({Variant("42"), Variant(2), Variant(1L), Variant(3.5)});
  b.AddRow({Variant(Null{}), Variant(), Variant(Null{}), Variant(Null{})});
  EXPECT_EQ(ErrorOf([&] { b.AddRow({Variant(1L)}); }), 5);
  EXPECT_EQ(ErrorOf([&] {
              b.AddRow({Variant(1L), Variant("x"), Variant(true), Variant("")});
            }),
            13);
  EXPECT_EQ(b.row_count(), 2u);
  RecordsetPtr rs = b.Build();
  EXPECT_EQ(b.row_count(), 0u);
  EXPECT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(rs->Fields("I"), Variant(42L));
  EXPECT_EQ(rs->Fields("D"), Variant(2.0));
  EXPECT_EQ(rs->Fields("B"), Variant(true));
  EXPECT_EQ(rs->Fields("T"), Variant("3.5"));
  rs->MoveNext();
  for (const char* f : {"I", "D", "B", "T"}) EXPECT_TRUE(rs->Fields(f).IsNull()) << f;
}

TEST(SortTest, NotANumberSortsAfterNumbersAndSatisfiesNoComparison) {
  TableBuilder b({{"D", ColumnType::kDouble}, {"T", ColumnType::kText}});
  b.AddRow({Variant(std::nan("")), Variant("nan")});
  b.AddRow({Variant(2.0), Variant("2")});
  b.AddRow({Variant(Null{}), Variant(Null{})});
  b.AddRow({Variant(-1.0), Variant("-1")});
  RecordsetPtr rs = b.Build();
  rs->Sort("D");
  EXPECT_THAT(Column(*rs, "T"), ElementsAre("", "-1", "2", "nan"));
  rs->Filter("D <> 5");
  EXPECT_EQ(rs->RecordCount(), 2);
  rs->Filter("T <> 5");
  EXPECT_EQ(rs->RecordCount(), 2);
}

TEST(CloneTest, SharesRowsButNotFilterSortOrCursor) {
  RecordsetPtr rs = Sample();
  rs->Filter("FDetail <> 0");
  rs->Sort("FNumber");
  rs->AbsolutePosition(3);
  RecordsetPtr clone = rs->Clone();
  EXPECT_EQ(clone->Filter(), "");
  EXPECT_EQ(clone->Sort(), "");
  EXPECT_EQ(clone->RecordCount(), 7);
  EXPECT_EQ(clone->AbsolutePosition(), 1);
  EXPECT_EQ(clone->Fields("FItemID").ToLong(), 1);
  clone->Filter("FNumber like '1001%'");
  clone->Sort("FItemID DESC");
  EXPECT_THAT(Column(*clone, "FItemID"), ElementsAre("4", "3"));
  EXPECT_EQ(rs->RecordCount(), 4);
  EXPECT_EQ(rs->AbsolutePosition(), 3);
  EXPECT_EQ(rs->Fields("FNumber").ToText(), "101");
  RecordsetPtr second = clone->Clone();
  EXPECT_EQ(second->RecordCount(), 7);
  rs.reset();
  clone.reset();
  EXPECT_THAT(Column(*second, "FItemID"), ElementsAre("1", "2", "3", "4", "5", "6", "7"));
}

}  // namespace
}  // namespace glnamelist::recordset
