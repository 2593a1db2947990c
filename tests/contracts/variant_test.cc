#include "contracts/variant.h"

#include <gtest/gtest.h>

namespace glnamelist {
namespace {

struct Thing : Object {};
struct Other : Object {};

long ErrorNumber(auto&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

TEST(VariantTest, TextConversions) {
  EXPECT_EQ(Variant(1024L).ToText(), "1024");
  EXPECT_EQ(Variant(-7).ToText(), "-7");
  EXPECT_EQ(Variant(true).ToText(), "True");
  EXPECT_EQ(Variant(2.5).ToText(), "2.5");
  EXPECT_EQ(Variant("库存现金").ToText(), "库存现金");
  EXPECT_EQ(Variant().ToText(), "");
  EXPECT_EQ(ErrorNumber([] { Variant(Null{}).ToText(); }), errc::kInvalidUseOfNull);
  EXPECT_EQ(Variant(Null{}).ToDisplayText(), "");
}

TEST(VariantTest, NumberAndBooleanConversions) {
  EXPECT_EQ(Variant(" 42 ").ToLong(), 42);
  EXPECT_EQ(Variant(true).ToLong(), -1);
  EXPECT_TRUE(Variant(-1).ToBool());
  EXPECT_FALSE(Variant(0L).ToBool());
  EXPECT_TRUE(Variant("True").ToBool());
  EXPECT_EQ(ErrorNumber([] { Variant("12a").ToLong(); }), errc::kTypeMismatch);
  EXPECT_EQ(ErrorNumber([] { Variant(Null{}).ToBool(); }), errc::kInvalidUseOfNull);
}

TEST(VariantTest, ObjectsThroughInterfaces) {
  auto thing = std::make_shared<Thing>();
  Variant v(thing);
  EXPECT_TRUE(v.IsObject());
  EXPECT_EQ(v.As<Thing>(), thing);
  EXPECT_EQ(ErrorNumber([&] { v.As<Other>(); }), errc::kTypeMismatch);
  EXPECT_EQ(Variant().As<Thing>(), nullptr);
  EXPECT_EQ(Variant(std::shared_ptr<Thing>()).As<Thing>(), nullptr);
  EXPECT_EQ(ErrorNumber([] { Variant(3).ToObject(); }), errc::kTypeMismatch);
}

}  // namespace
}  // namespace glnamelist
