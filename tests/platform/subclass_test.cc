#include "platform/subclass.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "contracts/environment.h"
#include "contracts/error.h"

namespace glnamelist::platform {
namespace {

// A subclassing object whose events are logged; the text box uses the edit procedure.
class SubClassTest : public ::testing::Test {
 protected:
  void Listen(WindowSubClass& sc, const std::string& name) {
    connections_.push_back(
        sc.EnterWindowProc.Connect([this, name](long h, long& msg, long&, long&, bool&, long&) {
          log_.push_back(name + "+" + std::to_string(h) + ":" + std::to_string(msg) + " [" +
                         windows_.Text(h) + "]");
        }));
    connections_.push_back(sc.LeaveWindowProc.Connect([this, name](long h, long msg, long, long) {
      log_.push_back(name + "-" + std::to_string(h) + ":" + std::to_string(msg) + " [" +
                     windows_.Text(h) + "]");
    }));
  }

  WindowSystem windows_;
  std::vector<Connection> connections_;
  std::vector<std::string> log_;
};

TEST_F(SubClassTest, ReportsBeforeAndAfterTheTextBoxHandlesTheMessage) {
  long h = windows_.CreateWindow("10");
  WindowSubClass sc(windows_);
  Listen(sc, "s");
  sc.Hook(h);
  windows_.SendMessage(h, WM_CHAR, '.', 0);
  EXPECT_EQ(windows_.Text(h), "10.");
  EXPECT_EQ(log_, (std::vector<std::string>{"s+1:258 [10]", "s-1:258 [10.]"}));
}

TEST_F(SubClassTest, HandlerCanKeepTheMessageFromTheBoxAndGiveItsResult) {
  long h = windows_.CreateWindow("10");
  WindowSubClass sc(windows_);
  Connection c = sc.EnterWindowProc.Connect([](long, long&, long&, long&, bool& exec, long& r) {
    exec = false;
    r = -1;
  });
  sc.Hook(h);
  EXPECT_EQ(windows_.SendMessage(h, WM_CHAR, 'x', 0), -1);
  EXPECT_EQ(windows_.Text(h), "10");
}

TEST_F(SubClassTest, TwoObjectsOnOneWindowBothReportNewestOutermost) {
  long h = windows_.CreateWindow();
  WindowSubClass first(windows_);
  WindowSubClass second(windows_);
  Listen(first, "1");
  Listen(second, "2");
  first.Hook(h);
  second.Hook(h);
  windows_.SendMessage(h, WM_CHAR, 'a', 0);
  EXPECT_EQ(log_,
            (std::vector<std::string>{"2+1:258 []", "1+1:258 []", "1-1:258 [a]", "2-1:258 [a]"}));
}

TEST_F(SubClassTest, HookMovesUnhookEndsAndDestructionUnhooks) {
  long a = windows_.CreateWindow();
  long b = windows_.CreateWindow();
  auto sc = std::make_shared<WindowSubClass>(windows_);
  Listen(*sc, "s");
  sc->Hook(a);
  sc->Hook(b);
  EXPECT_EQ(windows_.HookCount(a), 0);
  EXPECT_EQ(windows_.HookCount(b), 1);
  EXPECT_EQ(sc->HookedWindow(), b);

  EXPECT_THROW(sc->Hook(12345), Error);  // refused: stays on b
  EXPECT_EQ(windows_.HookCount(b), 1);

  sc->Unhook();
  sc->Unhook();
  windows_.SendMessage(b, WM_SETFOCUS, 0, 0);
  EXPECT_TRUE(log_.empty());

  sc->Hook(a);
  connections_.clear();
  sc.reset();
  EXPECT_EQ(windows_.HookCount(a), 0);
  windows_.SendMessage(a, WM_CHAR, 'z', 0);
  EXPECT_EQ(windows_.Text(a), "z");
}

TEST_F(SubClassTest, HandlerMayReleaseTheObjectWhileItsEventIsRaised) {
  long h = windows_.CreateWindow();
  auto sc = std::make_shared<WindowSubClass>(windows_);
  int leaves = 0;
  Connection enter =
      sc->EnterWindowProc.Connect([&](long, long&, long&, long&, bool&, long&) { sc.reset(); });
  Connection leave = sc->LeaveWindowProc.Connect([&](long, long, long, long) { ++leaves; });
  sc->Hook(h);
  windows_.SendMessage(h, WM_CHAR, 'q', 0);
  EXPECT_EQ(windows_.Text(h), "q");
  EXPECT_EQ(leaves, 0);
  EXPECT_EQ(windows_.HookCount(h), 0);
}

}  // namespace
}  // namespace glnamelist::platform
