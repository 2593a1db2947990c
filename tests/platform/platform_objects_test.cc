// The keyed collection, picture store, clock and text helper.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "contracts/error.h"
#include "contracts/keyed_collection.h"
#include "platform/clock.h"
#include "platform/keyed_collection.h"
#include "platform/picture_store.h"
#include "platform/text_helper.h"

namespace glnamelist::platform {
namespace {

long ErrorNumber(const std::function<void()>& f, std::string* text = nullptr) {
  try {
    f();
  } catch (const Error& e) {
    if (text) *text = e.Description();
    return e.Number();
  }
  return 0;
}

class Thing : public Object {};

TEST(KeyedCollectionTest, StoresReplacesAndRemovesByExactKey) {
  MapKeyedCollection c;
  c.Add("12", Variant("row"));
  c.Item("12~~3", Variant(5L));
  c.Item("12~~3", Variant(6L));  // replaces
  auto obj = std::make_shared<Thing>();
  c.Add("obj", Variant(obj));
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(c.Item("12~~3"), Variant(6L));
  EXPECT_EQ(c.Item("obj").ToObject(), obj);
  EXPECT_FALSE(c.Exists("OBJ"));

  std::string text;
  EXPECT_EQ(ErrorNumber([&] { c.Add("12", Variant(1L)); }, &text), 457);
  EXPECT_EQ(text, "This key is already associated with an element of this collection");
  EXPECT_EQ(c.Item("12"), Variant("row"));  // a refused Add changes nothing
  EXPECT_EQ(ErrorNumber([&] { c.Item("13"); }, &text), 5);
  EXPECT_EQ(text, "Invalid procedure call or argument");

  c.Remove("12");
  EXPECT_EQ(ErrorNumber([&] { c.Remove("12"); }), 5);
  EXPECT_FALSE(c.Exists("12"));
  EXPECT_EQ(c.Count(), 2);
}

TEST(PictureStoreTest, EveryKeyHasItsOwn16x16PictureKeptForLaterLookupsOthersAreNotFound) {
  PictureStore store;
  ASSERT_EQ(PictureStore::Keys().size(), 14u);
  EXPECT_EQ(PictureStore::Keys().front(), "Item");
  EXPECT_EQ(PictureStore::Keys().back(), "SaleTax");
  std::set<std::vector<uint32_t>> drawings;
  std::set<std::string> glyphs;
  for (const std::string& key : PictureStore::Keys()) {
    SCOPED_TRACE(key);
    PicturePtr p = store.Get(key);
    ASSERT_TRUE(p);
    EXPECT_EQ(p, store.Get(key));
    EXPECT_EQ(p->Key(), key);
    ASSERT_EQ(p->Width(), 16);
    ASSERT_EQ(p->Height(), 16);
    ASSERT_EQ(p->Pixels().size(), 256u);
    int opaque = 0;
    for (uint32_t px : p->Pixels()) opaque += (px & 0xFF) != 0;
    EXPECT_GT(opaque, 30);  // something recognisable is drawn
    drawings.insert(p->Pixels());
    glyphs.insert(PictureGlyph(key));
  }
  EXPECT_EQ(drawings.size(), 14u);
  EXPECT_EQ(glyphs.size(), 14u);
  EXPECT_EQ(PictureGlyph("Cash"), "$");
  EXPECT_EQ(PictureGlyph(""), " ");
  std::string text;
  EXPECT_EQ(ErrorNumber([&] { store.Get("cash"); }, &text), 35601);
  EXPECT_EQ(text, "Element not found");
  EXPECT_EQ(ErrorNumber([&] { store.Get(""); }), 35601);
}

std::chrono::system_clock::time_point LocalTime(int hour, int min, int sec, int millis) {
  std::tm t{};  // 14 March 2026
  t.tm_year = 126, t.tm_mon = 2, t.tm_mday = 14, t.tm_hour = hour, t.tm_min = min, t.tm_sec = sec;
  t.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&t)) +
         std::chrono::milliseconds(millis);
}

TEST(ClockTest, CountsFromLocalMidnightAndStartsAgainAtTheNext) {
  EXPECT_NEAR(SecondsSinceLocalMidnight(LocalTime(0, 0, 0, 0)), 0.0, 1e-6);
  EXPECT_NEAR(SecondsSinceLocalMidnight(LocalTime(13, 30, 15, 250)), 48615.25, 0.01);
  auto late = LocalTime(23, 59, 59, 995);
  EXPECT_NEAR(SecondsSinceLocalMidnight(late), 86399.995, 0.01);
  EXPECT_NEAR(SecondsSinceLocalMidnight(late + std::chrono::milliseconds(10)), 0.005, 0.001);
}

TEST(TextHelperTest, FormatArgsReplacesNumberedPlaceholdersOnceAndNothingElse) {
  StandardTextHelper helper;
  EXPECT_EQ(helper.FormatArgs("找不到“%1”", {Variant("银行")}), "找不到“银行”");
  EXPECT_EQ(helper.FormatArgs("%2-%1-%2", {Variant(1L), Variant(2.5)}), "2.5-1-2.5");
  // Replacement text is not expanded again.
  EXPECT_EQ(helper.FormatArgs("%1%2", {Variant("%2"), Variant("x")}), "%2x");
  // Null and empty arguments show as nothing.
  EXPECT_EQ(helper.FormatArgs("[%1][%2]", {Variant(Null{}), Variant()}), "[][]");
  // Everything else stays as it is.
  std::vector<Variant> one = {Variant("A")};
  EXPECT_EQ(helper.FormatArgs("%0 %% %x 100% %", one), "%0 %% %x 100% %");
  EXPECT_EQ(helper.FormatArgs("%2 %9 %1", one), "%2 %9 A");  // missing arguments stay
  EXPECT_EQ(helper.FormatArgs("%10", one), "A0");
  EXPECT_EQ(helper.FormatArgs("%%1", one), "%A");
  EXPECT_EQ(helper.FormatArgs("", one), "");
  std::vector<Variant> nine;
  for (int i = 1; i <= 9; ++i) nine.emplace_back(i * 11);
  EXPECT_EQ(helper.FormatArgs("%9%1", nine), "9911");
}

// Invalid bytes come through one by one.
TEST(TextHelperTest, BufferTextGivesTheWholeCharactersOfTheFirstBytes) {
  StandardTextHelper helper;
  std::string buffer = std::string("现金01") + '\0' + " ";  // what GetWindowTextA leaves
  EXPECT_EQ(helper.BufferText(buffer, 8), "现金01");
  EXPECT_EQ(helper.BufferText(buffer, 9), "现金01");  // stops at the NUL
  EXPECT_EQ(helper.BufferText(buffer, 5), "现");      // never half a character
  EXPECT_EQ(helper.BufferText(buffer, 2), "");
  EXPECT_EQ(helper.BufferText(buffer, 1000), "现金01");  // longer than the buffer
  EXPECT_EQ(helper.BufferText(buffer, 0), "");
  EXPECT_EQ(helper.BufferText(buffer, -3), "");
  EXPECT_EQ(helper.BufferText("", 4), "");
  EXPECT_EQ(helper.BufferText("ab  ", 2), "ab");  // spare buffer is not part of the text
  std::string bad = "a\xFF\xE7\x8E";              // a stray byte, then a truncated character
  EXPECT_EQ(helper.BufferText(bad, 2), "a\xFF");
  EXPECT_EQ(helper.BufferText(bad, 4), bad);
}

}  // namespace
}  // namespace glnamelist::platform
