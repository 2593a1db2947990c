#include "contracts/event.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "contracts/error.h"

namespace glnamelist {
namespace {

TEST(EventTest, HandlersRunInOrderAndSeeReferences) {
  Event<long, bool&, long&> ev;
  std::vector<int> order;
  Connection a = ev.Connect([&](long, bool& exec, long&) {
    order.push_back(1);
    exec = false;
  });
  Connection b = ev.Connect([&](long msg, bool&, long& result) {
    order.push_back(2);
    result = msg * 2;
  });
  bool exec = true;
  long result = 0;
  ev.Raise(21L, exec, result);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_FALSE(exec);
  EXPECT_EQ(result, 42);
}

TEST(EventTest, ConnectionDisconnectsWhenDestroyedOrReset) {
  Event<> ev;
  int calls = 0;
  {
    Connection c = ev.Connect([&] { ++calls; });
    ev.Raise();
  }
  ev.Raise();
  Connection d = ev.Connect([&] { ++calls; });
  Connection moved = std::move(d);
  EXPECT_FALSE(d.connected());
  ev.Raise();
  moved.reset();
  ev.Raise();
  EXPECT_EQ(calls, 2);
}

TEST(EventTest, HandlerMayDisconnectAnotherOrDestroyItsOwnerDuringRaise) {
  Event<> ev;
  int second_calls = 0;
  auto owner = std::make_unique<Connection>();
  Connection second;
  *owner = ev.Connect([&] {
    second.reset();  // disconnects a later handler
    owner.reset();   // destroys its own connection while running
  });
  second = ev.Connect([&] { ++second_calls; });
  ev.Raise();
  EXPECT_EQ(second_calls, 0);
  EXPECT_EQ(ev.handler_count(), 0u);
}

TEST(EventTest, ConnectionOutlivingEventIsHarmless) {
  Connection c;
  {
    Event<> ev;
    c = ev.Connect([] {});
  }
  c.reset();
  SUCCEED();
}

TEST(EventTest, ErrorFromHandlerReachesRaiser) {
  Event<> ev;
  Connection c = ev.Connect([] { throw Error(5, "boom"); });
  EXPECT_THROW(ev.Raise(), Error);
}

}  // namespace
}  // namespace glnamelist
