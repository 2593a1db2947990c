// Saving a record set to a stream and opening the copy; the in-memory stream.
#include <string>

#include "recordset/memory_stream.h"
#include "recordset/table.h"
#include "tests/recordset/recordset_test_util.h"

namespace glnamelist::recordset {
namespace {

using test_util::Column;
using test_util::ErrorOf;
using ::testing::ElementsAre;

RecordsetPtr Sample() {
  TableBuilder b({{"FAccountID", ColumnType::kInteger},
                  {"FNumber", ColumnType::kText},
                  {"FName", ColumnType::kText},
                  {"FDetail", ColumnType::kBool},
                  {"FRate", ColumnType::kDouble}});
  b.AddRow({1L, "1001", "现金", false, 0.5});
  b.AddRow({2L, "1002", "银行存款", false, Variant(Null{})});
  b.AddRow({3L, "1002.01", "工商银行", true, 1.25});
  b.AddRow({4L, "1002.02", Variant(Null{}), true, -2.0});
  return b.Build();
}

RecordsetPtr Copy(Recordset& source) {
  StreamPtr stream = NewStream();
  source.Save(*stream, adPersistADTG);
  RecordsetPtr copy = NewRecordset();
  copy->Open(*stream, adOpenUnspecified, adLockUnspecified, -1);
  return copy;
}

TEST(SaveOpenTest, CopyHoldsTheVisibleRowsInOrderWithTypesAndNulls) {
  RecordsetPtr rs = Sample();
  rs->Filter("FNumber like '1002%'");
  rs->Sort("FNumber DESC");
  rs->AbsolutePosition(2);
  RecordsetPtr copy = Copy(*rs);
  EXPECT_EQ(copy->Filter(), "");
  EXPECT_EQ(copy->Sort(), "");
  EXPECT_EQ(copy->AbsolutePosition(), 1);
  EXPECT_THAT(Column(*copy, "FAccountID"), ElementsAre("4", "3", "2"));
  copy->MoveFirst();
  EXPECT_TRUE(copy->Fields("FName").IsNull());
  EXPECT_EQ(copy->Fields("FDetail"), Variant(true));
  EXPECT_EQ(copy->Fields("FRate"), Variant(-2.0));
  EXPECT_EQ(copy->Fields("FAccountID"), Variant(4L));
  copy->AbsolutePosition(3);
  EXPECT_TRUE(copy->Fields("frate").IsNull());
  EXPECT_EQ(copy->Fields("FName"), Variant("银行存款"));
  EXPECT_EQ(rs->AbsolutePosition(), 2) << "saving leaves the source where it was";
}

TEST(CopyVisibleRowsTest, CopiesWhatSaveAndOpenCopyAndPicksColumns) {
  RecordsetPtr rs = Sample();
  rs->Filter("FNumber like '1002%'");
  rs->Sort("FNumber DESC");
  RecordsetPtr direct = CopyVisibleRows(*rs, {});
  RecordsetPtr saved = Copy(*rs);
  for (const char* field : {"FAccountID", "FNumber", "FName", "FDetail", "FRate"})
    EXPECT_EQ(Column(*direct, field), Column(*saved, field)) << field;
  direct->AbsolutePosition(1);
  EXPECT_TRUE(direct->Fields("FName").IsNull());

  RecordsetPtr picked = CopyVisibleRows(*rs, {"fnumber"});
  EXPECT_THAT(Column(*picked, "FNumber"), ElementsAre("1002.02", "1002.01", "1002"));
  EXPECT_EQ(ErrorOf([&] { picked->Fields("FName"); }), errc::kItemNotFound);
  EXPECT_EQ(ErrorOf([&] { CopyVisibleRows(*rs, {"FNope"}); }), errc::kItemNotFound);
}

TEST(SaveOpenTest, CopyIsIndependentOfTheSource) {
  RecordsetPtr rs = Sample();
  RecordsetPtr copy = Copy(*rs);
  copy->Filter("FDetail <> 0");
  copy->Sort("FName");
  EXPECT_EQ(rs->Filter(), "");
  EXPECT_EQ(rs->RecordCount(), 4);
  rs->Filter("FNumber = '1001'");
  EXPECT_EQ(copy->RecordCount(), 2);
  rs.reset();
  EXPECT_THAT(Column(*copy, "FNumber"), ElementsAre("1002.02", "1002.01")) << "null name first";
  EXPECT_THAT(Column(*copy->Clone(), "FNumber"), ElementsAre("1001", "1002", "1002.01", "1002.02"));
}

TEST(SaveOpenTest, EmptyViewsAndEmptyTablesRoundTrip) {
  RecordsetPtr rs = Sample();
  rs->Filter("FNumber = 'none'");
  RecordsetPtr copy = Copy(*rs);
  EXPECT_EQ(copy->RecordCount(), 0);
  EXPECT_EQ(ErrorOf([&] { copy->Fields("FNumber"); }), 3021) << "the fields survive";
  EXPECT_EQ(ErrorOf([&] { copy->Fields("FOther"); }), 3265);
  EXPECT_EQ(Copy(*NewRecordset())->RecordCount(), 0);
}

TEST(SaveOpenTest, MalformedStreamIsRefusedAndLeavesTheRecordsetAsItWas) {
  RecordsetPtr rs = Sample();
  StreamPtr stream = NewStream();
  rs->Save(*stream, adPersistADTG);
  std::string good = (stream->Position(0), stream->Read(-1));
  for (size_t cut : {size_t{0}, size_t{3}, size_t{12}, good.size() / 2, good.size() - 1}) {
    StreamPtr bad = NewStream();
    bad->Open();
    bad->Write(std::string_view(good).substr(0, cut));
    RecordsetPtr target = Sample();
    target->Filter("FDetail <> 0");
    EXPECT_EQ(ErrorOf([&] { target->Open(*bad, -1, -1, -1); }), 3001) << cut;
    EXPECT_EQ(target->RecordCount(), 2);
  }
  StreamPtr trailing = NewStream();
  trailing->Open();
  trailing->Write(good + "x");
  EXPECT_EQ(ErrorOf([&] { NewRecordset()->Open(*trailing, -1, -1, -1); }), 3001);
}

TEST(StreamTest, ReadsWritesAndPositions) {
  StreamPtr s = NewStream();
  EXPECT_FALSE(s->IsOpen());
  EXPECT_EQ(ErrorOf([&] { s->Write("x"); }), 3001);
  EXPECT_EQ(ErrorOf([&] { s->Read(-1); }), 3001);
  s->Open();
  s->Write("hello world");
  EXPECT_EQ(s->Position(), 11);
  EXPECT_EQ(s->Size(), 11);
  s->Position(6);
  s->Write("WOR");
  EXPECT_EQ(s->Read(-1), "ld");
  s->Position(0);
  EXPECT_EQ(s->Read(5), "hello");
  EXPECT_EQ(s->Read(100), " WORld");
  EXPECT_EQ(s->Read(3), "");
  EXPECT_EQ(ErrorOf([&] { s->Position(12); }), 3001);
  EXPECT_EQ(ErrorOf([&] { s->Position(-1); }), 3001);
  s->Close();
  EXPECT_EQ(ErrorOf([&] { s->Size(); }), 3001);
  s->Open();
  EXPECT_EQ(s->Size(), 0);
}

}  // namespace
}  // namespace glnamelist::recordset
