// The window system (hook chains, focus, the text box procedure, the Win32-style
// functions) and the subclassing object over it.
#include "platform/window_system.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "contracts/environment.h"
#include "contracts/error.h"
#include "platform/subclass.h"

namespace glnamelist::platform {
namespace {

using Log = std::vector<std::string>;

class WindowSystemTest : public ::testing::Test {
 protected:
  // Adds a hook that logs "<name>+msg" before and "<name>-msg" after; with stop_with, its
  // before call clears bExecProc and leaves that result.
  long LoggingHook(long hWnd, const std::string& name, std::optional<long> stop_with = {}) {
    return windows_.AddHook(
        hWnd,
        [this, name, stop_with](long, long& msg, long&, long&, bool& exec, long& result) {
          log_.push_back(name + "+" + std::to_string(msg));
          EXPECT_TRUE(exec);
          EXPECT_EQ(result, 0);
          if (stop_with) {
            exec = false;
            result = *stop_with;
          }
        },
        [this, name](long, long msg, long, long) {
          log_.push_back(name + "-" + std::to_string(msg));
        });
  }
  // Logs the events of a subclassing object: "<name>+hWnd:msg [text]" on entering,
  // "<name>-hWnd:msg [text]" on leaving.
  void Listen(WindowSubClass& sc, const std::string& name) {
    auto entry = [this, name](const char* sign, long h, long msg) {
      log_.push_back(name + sign + std::to_string(h) + ":" + std::to_string(msg) + " [" +
                     windows_.Text(h) + "]");
    };
    connections_.push_back(sc.EnterWindowProc.Connect(
        [entry](long h, long& msg, long&, long&, bool&, long&) { entry("+", h, msg); }));
    connections_.push_back(
        sc.LeaveWindowProc.Connect([entry](long h, long msg, long, long) { entry("-", h, msg); }));
  }
  long Proc(const std::string& name, long result) {
    return windows_.CreateWindow("", 0,
                                 [this, name, result](WindowSystem&, long, long msg, long, long) {
                                   log_.push_back(name + std::to_string(msg));
                                   return result;
                                 });
  }
  void Type(long hWnd, const std::u32string& chars) {
    for (char32_t c : chars) windows_.SendMessage(hWnd, WM_CHAR, static_cast<long>(c), 0);
  }
  void Key(long hWnd, long vk) { windows_.SendMessage(hWnd, WM_KEYDOWN, vk, 0); }

  WindowSystem windows_;
  std::vector<Connection> connections_;
  Log log_;
};

TEST_F(WindowSystemTest, NewestHookWrapsOlderHooksAndTheProcedure) {
  long h = Proc("proc", 77);
  LoggingHook(h, "a");
  LoggingHook(h, "b");
  EXPECT_EQ(windows_.SendMessage(h, 5, 0, 0), 77);
  EXPECT_EQ(log_, (Log{"b+5", "a+5", "proc5", "a-5", "b-5"}));
}

TEST_F(WindowSystemTest, ClearedExecProcStopsTheRestOfTheChainButNotTheAfterCall) {
  long h = Proc("proc", 77);
  LoggingHook(h, "inner");
  LoggingHook(h, "stop", 9);
  EXPECT_EQ(windows_.SendMessage(h, 5, 0, 0), 9);
  EXPECT_EQ(log_, (Log{"stop+5", "stop-5"}));
}

TEST_F(WindowSystemTest, ProcedureResultReplacesWhatBeforeLeftAndChangedArgumentsTravelOn) {
  long seen = 0;
  long h = windows_.CreateWindow("", 0, [&](WindowSystem&, long, long msg, long wParam, long) {
    seen = msg * 1000 + wParam;
    return 5L;
  });
  windows_.AddHook(h,
                   [](long, long& msg, long& wParam, long&, bool&, long& result) {
                     msg = 3;
                     wParam = 4;
                     result = 99;
                   },
                   {});
  EXPECT_EQ(windows_.SendMessage(h, 1, 2, 0), 5);
  EXPECT_EQ(seen, 3004);
}

TEST_F(WindowSystemTest, RemovedHooksGetNoMoreCalls) {
  long h = Proc("proc", 0);
  long a = LoggingHook(h, "a");
  // b removes a while the message is on its way down, and itself on the way back.
  long b = 0;
  b = windows_.AddHook(
      h, [&](long, long&, long&, long&, bool&, long&) { windows_.RemoveHook(a); },
      [&](long, long, long, long) { windows_.RemoveHook(b); });
  windows_.SendMessage(h, 5, 0, 0);
  EXPECT_EQ(log_, (Log{"proc5"}));
  EXPECT_EQ(windows_.HookCount(h), 0);
  windows_.RemoveHook(b);  // twice: nothing
  {
    ScopedHook scoped = windows_.AddScopedHook(h, {}, {});
    EXPECT_EQ(windows_.HookCount(h), 1);
  }
  EXPECT_EQ(windows_.HookCount(h), 0);
}

TEST_F(WindowSystemTest, DestroyingAWindowOrTheSystemDropsItsHooks) {
  long h = Proc("proc", 1);
  ScopedHook hook = windows_.AddScopedHook(h, {}, {});
  windows_.DestroyWindow(h);
  EXPECT_FALSE(windows_.IsWindow(h));
  EXPECT_EQ(windows_.SendMessage(h, 5, 0, 0), 0);
  hook.reset();
  EXPECT_GT(windows_.CreateWindow(), h);  // handles are not reused
  EXPECT_THROW(windows_.AddHook(h, {}, {}), Error);
  EXPECT_THROW(windows_.SetText(h, "x"), Error);
  {
    WindowSystem other;
    hook = other.AddScopedHook(other.CreateWindow(), {}, {});
  }
  hook.reset();  // outliving its window system is harmless
  EXPECT_EQ(hook.id(), 0);
}

TEST_F(WindowSystemTest, FocusMovesWithKillAndSetFocusMessages) {
  long a = Proc("a", 0);
  long b = Proc("b", 0);
  windows_.SetFocus(a);
  windows_.SetFocus(b);
  windows_.SetFocus(b);
  EXPECT_EQ(windows_.GetFocus(), b);
  EXPECT_EQ(log_, (Log{"a7", "a8", "b7"}));
}

TEST_F(WindowSystemTest, EditProcedureTypesAndEditsAtTheCaret) {
  long h = windows_.CreateWindow();
  Type(h, U"1001");
  Key(h, VK_HOME);
  Type(h, U"银行");
  EXPECT_EQ(windows_.Text(h), "银行1001");
  EXPECT_EQ(windows_.Caret(h), 2);
  Type(h, U"\b");
  Key(h, VK_DELETE);
  EXPECT_EQ(windows_.Text(h), "银001");
  Key(h, VK_END);
  Key(h, VK_RIGHT);
  Key(h, VK_DELETE);  // nothing after the caret
  Key(h, VK_LEFT);
  Type(h, U".\r\x1b");  // control characters do not edit
  EXPECT_EQ(windows_.Text(h), "银00.1");
  Key(h, VK_HOME);
  Type(h, U"\b");
  Key(h, VK_LEFT);
  EXPECT_EQ(windows_.Caret(h), 0);
  EXPECT_EQ(windows_.Text(h), "银00.1");

  // UTF-16 units: a pair makes one character; a surrogate alone becomes U+FFFD.
  long u = windows_.CreateWindow();
  Type(u,
       U"\xD840\xDC2E|\xDC2E|\xD840"
       U"a|\xD840\b");
  EXPECT_EQ(windows_.Text(u), "\U0002002E|\uFFFD|\uFFFDa|");
  // At most 255 characters.
  windows_.SetText(u, std::string(254, 'x'));
  Type(u, U"银y");
  EXPECT_EQ(windows_.Text(u), std::string(254, 'x') + "银");
}

TEST_F(WindowSystemTest, ReadOnlyOrDisabledBoxKeepsItsTextAndReportsIt) {
  long h = windows_.CreateWindow("01", 0x40);
  EXPECT_EQ(windows_.IsWindowEnabled(h), 1);
  windows_.SetReadOnly(h, true);
  EXPECT_EQ(windows_.GetWindowLongA(h, GWL_STYLE), 0x40 | ES_READONLY);
  Type(h, U"2\b");
  Key(h, VK_HOME);
  EXPECT_EQ(windows_.Caret(h), 0);
  windows_.SetReadOnly(h, false);
  EXPECT_EQ(windows_.GetWindowLongA(h, GWL_STYLE), 0x40);
  windows_.EnableWindow(h, false);
  EXPECT_EQ(windows_.IsWindowEnabled(h), 0);
  Key(h, VK_DELETE);
  EXPECT_EQ(windows_.Text(h), "01");
  windows_.EnableWindow(h, true);
  Type(h, U"9");
  EXPECT_EQ(windows_.Text(h), "901");
  std::string buffer = "xx";
  EXPECT_EQ(windows_.IsWindowEnabled(999), 0);
  EXPECT_EQ(windows_.GetWindowLongA(999, GWL_STYLE), 0);
  EXPECT_EQ(windows_.GetWindowTextLengthA(999), 0);
  EXPECT_EQ(windows_.GetWindowTextA(999, buffer, 2), 0);
  EXPECT_EQ(buffer, "xx");
}

TEST_F(WindowSystemTest, WindowTextIsMeasuredAndCopiedInWholeUtf8Characters) {
  long h = windows_.CreateWindow("现金1001");  // 2 x 3 bytes + 4
  ASSERT_EQ(windows_.GetWindowTextLengthA(h), 10);
  std::string buffer(11, ' ');
  EXPECT_EQ(windows_.GetWindowTextA(h, buffer, 11), 10);
  EXPECT_EQ(buffer, std::string("现金1001") + '\0');
  // Room for 4 bytes: the second character would be cut, so only the first is copied.
  buffer.assign(11, ' ');
  EXPECT_EQ(windows_.GetWindowTextA(h, buffer, 5), 3);
  EXPECT_EQ(buffer.substr(0, 4), std::string("现") + '\0');
  EXPECT_EQ(buffer.substr(4), "       ");
  // The buffer, not nMaxCount, bounds what is written.
  buffer.assign(3, ' ');
  EXPECT_EQ(windows_.GetWindowTextA(h, buffer, 100), 0);
  EXPECT_EQ(buffer, std::string(1, '\0') + "  ");
  buffer.assign(3, '-');
  EXPECT_EQ(windows_.GetWindowTextA(h, buffer, 0), 0);
  EXPECT_EQ(buffer, "---");
}

// The subclassing object reports before and after the rest of the chain; the newest
// object on a window is outermost.
TEST_F(WindowSystemTest, SubClassReportsAroundTheTextBoxNewestOutermost) {
  long h = windows_.CreateWindow("10");
  WindowSubClass first(windows_);
  WindowSubClass second(windows_);
  Listen(first, "1");
  Listen(second, "2");
  first.Hook(h);
  windows_.SendMessage(h, WM_CHAR, '.', 0);
  EXPECT_EQ(windows_.Text(h), "10.");
  EXPECT_EQ(log_, (Log{"1+1:258 [10]", "1-1:258 [10.]"}));
  windows_.SetText(h, "");
  log_.clear();
  second.Hook(h);
  windows_.SendMessage(h, WM_CHAR, 'a', 0);
  EXPECT_EQ(log_, (Log{"2+1:258 []", "1+1:258 []", "1-1:258 [a]", "2-1:258 [a]"}));
}

TEST_F(WindowSystemTest, SubClassHandlerCanKeepTheMessageFromTheBoxAndGiveItsResult) {
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

TEST_F(WindowSystemTest, SubClassHookMovesUnhookEndsAndDestructionUnhooks) {
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

TEST_F(WindowSystemTest, SubClassHandlerMayReleaseTheObjectWhileItsEventIsRaised) {
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
