#include "platform/window_system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contracts/environment.h"
#include "contracts/error.h"

namespace glnamelist::platform {
namespace {

class WindowSystemTest : public ::testing::Test {
 protected:
  // Adds a hook that logs "<name>+msg" before and "<name>-msg" after.
  long LoggingHook(long hWnd, const std::string& name) {
    return windows_.AddHook(
        hWnd,
        [this, name](long, long& msg, long&, long&, bool&, long&) {
          log_.push_back(name + "+" + std::to_string(msg));
        },
        [this, name](long, long msg, long, long) {
          log_.push_back(name + "-" + std::to_string(msg));
        });
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

  WindowSystem windows_;
  std::vector<std::string> log_;
};

TEST_F(WindowSystemTest, NewestHookWrapsOlderHooksAndTheProcedure) {
  long h = Proc("proc", 77);
  LoggingHook(h, "a");
  LoggingHook(h, "b");
  EXPECT_EQ(windows_.SendMessage(h, 5, 0, 0), 77);
  EXPECT_EQ(log_, (std::vector<std::string>{"b+5", "a+5", "proc5", "a-5", "b-5"}));
}

TEST_F(WindowSystemTest, ClearedExecProcStopsTheRestOfTheChainButNotTheAfterCall) {
  long h = Proc("proc", 77);
  LoggingHook(h, "inner");
  windows_.AddHook(
      h,
      [this](long, long& msg, long&, long&, bool& exec, long& result) {
        log_.push_back("stop+" + std::to_string(msg));
        EXPECT_TRUE(exec);
        EXPECT_EQ(result, 0);
        exec = false;
        result = 9;
      },
      [this](long, long msg, long, long) { log_.push_back("stop-" + std::to_string(msg)); });
  EXPECT_EQ(windows_.SendMessage(h, 5, 0, 0), 9);
  EXPECT_EQ(log_, (std::vector<std::string>{"stop+5", "stop-5"}));
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
  EXPECT_EQ(log_, (std::vector<std::string>{"proc5"}));
  EXPECT_EQ(windows_.HookCount(h), 0);
  windows_.RemoveHook(b);  // twice: nothing
  {
    ScopedHook scoped = windows_.AddScopedHook(h, {}, {});
    EXPECT_EQ(windows_.HookCount(h), 1);
  }
  EXPECT_EQ(windows_.HookCount(h), 0);
}

TEST_F(WindowSystemTest, DestroyingAWindowDropsItsHooksAndHandle) {
  long h = Proc("proc", 1);
  ScopedHook hook = windows_.AddScopedHook(h, {}, {});
  windows_.DestroyWindow(h);
  EXPECT_FALSE(windows_.IsWindow(h));
  EXPECT_EQ(windows_.SendMessage(h, 5, 0, 0), 0);
  hook.reset();
  EXPECT_GT(windows_.CreateWindow(), h);  // handles are not reused
  EXPECT_THROW(windows_.AddHook(h, {}, {}), Error);
  EXPECT_THROW(windows_.SetText(h, "x"), Error);
}

TEST_F(WindowSystemTest, ScopedHookOutlivingTheWindowSystemIsHarmless) {
  ScopedHook hook;
  {
    WindowSystem other;
    hook = other.AddScopedHook(other.CreateWindow(), {}, {});
  }
  hook.reset();
  EXPECT_EQ(hook.id(), 0);
}

TEST_F(WindowSystemTest, FocusMovesWithKillAndSetFocusMessages) {
  long a = Proc("a", 0);
  long b = Proc("b", 0);
  windows_.SetFocus(a);
  windows_.SetFocus(b);
  windows_.SetFocus(b);
  EXPECT_EQ(windows_.GetFocus(), b);
  EXPECT_EQ(log_, (std::vector<std::string>{"a7", "a8", "b7"}));
}

TEST_F(WindowSystemTest, EditProcedureTypesAndEditsAtTheCaret) {
  long h = windows_.CreateWindow();
  Type(h, U"1001");
  windows_.SendMessage(h, WM_KEYDOWN, VK_HOME, 0);
  Type(h, U"银行");
  EXPECT_EQ(windows_.Text(h), "银行1001");
  EXPECT_EQ(windows_.Caret(h), 2);
  windows_.SendMessage(h, WM_CHAR, VK_BACK, 0);
  windows_.SendMessage(h, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(windows_.Text(h), "银001");
  windows_.SendMessage(h, WM_KEYDOWN, VK_END, 0);
  windows_.SendMessage(h, WM_KEYDOWN, VK_RIGHT, 0);
  windows_.SendMessage(h, WM_KEYDOWN, VK_DELETE, 0);  // nothing after the caret
  windows_.SendMessage(h, WM_KEYDOWN, VK_LEFT, 0);
  Type(h, U".\r\x1b");  // control characters do not edit
  EXPECT_EQ(windows_.Text(h), "银00.1");
  windows_.SendMessage(h, WM_KEYDOWN, VK_HOME, 0);
  windows_.SendMessage(h, WM_CHAR, VK_BACK, 0);
  windows_.SendMessage(h, WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(windows_.Caret(h), 0);
  EXPECT_EQ(windows_.Text(h), "银00.1");
}

TEST_F(WindowSystemTest, ReadOnlyOrDisabledBoxKeepsItsText) {
  long h = windows_.CreateWindow("01");
  windows_.SetReadOnly(h, true);
  Type(h, U"2");
  windows_.SendMessage(h, WM_CHAR, VK_BACK, 0);
  windows_.SendMessage(h, WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(windows_.Caret(h), 0);
  windows_.SetReadOnly(h, false);
  windows_.EnableWindow(h, false);
  windows_.SendMessage(h, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(windows_.Text(h), "01");
  windows_.EnableWindow(h, true);
  Type(h, U"9");
  EXPECT_EQ(windows_.Text(h), "901");
}

TEST_F(WindowSystemTest, WindowFunctionsReportEnabledAndStyle) {
  long h = windows_.CreateWindow("", 0x40);
  EXPECT_EQ(windows_.IsWindowEnabled(h), 1);
  windows_.SetReadOnly(h, true);
  EXPECT_EQ(windows_.GetWindowLongA(h, GWL_STYLE), 0x40 | ES_READONLY);
  windows_.SetReadOnly(h, false);
  EXPECT_EQ(windows_.GetWindowLongA(h, GWL_STYLE), 0x40);
  windows_.EnableWindow(h, false);
  EXPECT_EQ(windows_.IsWindowEnabled(h), 0);
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

}  // namespace
}  // namespace glnamelist::platform
