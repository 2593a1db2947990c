// The shared contracts: events and connections, and the variant's conversions.
#include <gtest/gtest.h>

#include <memory>

#include "contracts/error.h"
#include "contracts/event.h"
#include "contracts/variant.h"
#include "tests/fakes/error_of.h"

namespace glnamelist {
namespace {

// The second handler sees what the first left in the references.
TEST(EventTest, HandlersRunInOrderSeeReferencesAndPassErrorsOn) {
  Event<long, bool&, long&> ev;
  Connection a = ev.Connect([](long msg, bool& exec, long& result) { result = msg, exec = false; });
  Connection b = ev.Connect([](long, bool& exec, long& result) { result = result * 2 + !exec; });
  bool exec = true;
  long result = 0;
  ev.Raise(21L, exec, result);
  EXPECT_EQ(result, 43);
  Connection c = ev.Connect([](long, bool&, long&) { throw Error(5, "boom"); });
  EXPECT_EQ(ErrorOf([&] { ev.Raise(1L, exec, result); }), 5);
}

TEST(EventTest, ConnectionsDisconnectWhenDestroyedResetMovedFromOrDuringARaise) {
  Event<> ev;
  int calls = 0;
  {
    Connection c = ev.Connect([&] { ++calls; });
    ev.Raise();
  }
  Connection d = ev.Connect([&] { ++calls; });
  Connection moved = std::move(d);
  EXPECT_FALSE(d.connected());
  ev.Raise();
  moved.reset();
  ev.Raise();
  EXPECT_EQ(calls, 2);
  // A handler may disconnect another, or destroy its own connection, during a raise.
  auto owner = std::make_unique<Connection>();
  Connection second;
  *owner = ev.Connect([&] { second.reset(), owner.reset(); });
  second = ev.Connect([&] { ++calls; });
  ev.Raise();
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(ev.handler_count(), 0u);
  auto gone = std::make_unique<Event<>>();
  Connection outliving = gone->Connect([] {});
  gone.reset();
  outliving.reset();  // outliving its event is harmless
}

struct Thing : Object {};
struct Other : Object {};

TEST(VariantTest, ConvertsToTextNumbersBooleansAndObjects) {
  EXPECT_EQ(Variant(1024L).ToText() + Variant(-7).ToText() + Variant(true).ToText() +
                Variant(2.5).ToText() + Variant("库存现金").ToText() + Variant().ToText(),
            "1024-7True2.5库存现金");
  EXPECT_EQ(Variant(Null{}).ToDisplayText(), "");
  EXPECT_EQ(Variant(" 42 ").ToLong() + Variant(true).ToLong(), 41);
  EXPECT_TRUE(Variant(-1).ToBool() && Variant("True").ToBool() && !Variant(0L).ToBool());
  EXPECT_EQ(ErrorOf([] { Variant("12a").ToLong(); }), errc::kTypeMismatch);
  for (auto f : {+[] { Variant(Null{}).ToText(); }, +[] { Variant(Null{}).ToBool(); }})
    EXPECT_EQ(ErrorOf(f), errc::kInvalidUseOfNull);
  auto thing = std::make_shared<Thing>();
  Variant v(thing);
  EXPECT_TRUE(v.IsObject());
  EXPECT_EQ(v.As<Thing>(), thing);
  EXPECT_EQ(ErrorOf([&] { v.As<Other>(); }), errc::kTypeMismatch);
  EXPECT_FALSE(Variant().As<Thing>() || Variant(std::shared_ptr<Thing>()).As<Thing>());
  EXPECT_EQ(ErrorOf([] { Variant(3).ToObject(); }), errc::kTypeMismatch);
}

}  // namespace
}  // namespace glnamelist
