// The platform as a host installs it: the class registry, the windows (hook chains, focus,
// the text box procedure, the window functions) and the subclassing object over them, the
// clock, the pictures and the string helper.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "contracts/prog_ids.h"
#include "contracts/subclass.h"
#include "contracts/text_helper.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/picture_store.h"
#include "platform/pixel_canvas.h"
#include "platform/register_platform.h"

namespace glnamelist::platform {
namespace {

using Log = std::vector<std::string>;

auto Fails(long number, const std::string& text = "") {
  using ::testing::Property;
  return ::testing::Throws<Error>(::testing::AllOf(
      Property(&Error::Number, number), Property(&Error::Description, ::testing::HasSubstr(text))));
}

class PlatformTest : public ::testing::Test {
 protected:
  // A window whose procedure logs "<name><msg>" and returns result.
  long Proc(const std::string& name, long result) {
    return windows_.CreateWindow("", 0, [=, this](WindowSystem&, long, long msg, long, long) {
      log_.push_back(name + std::to_string(msg));
      return result;
    });
  }
  // A subclassing object logging "<name>+msg [text]" entering and "<name>-msg [text]" leaving.
  std::shared_ptr<SubClass> Listener(const std::string& name) {
    auto sc = CreateObjectAs<SubClass>(progid::kSubClass);
    auto entry = [=, this](const char* sign, long h, long msg) {
      log_.push_back(name + sign + std::to_string(msg) + " [" + windows_.Text(h) + "]");
    };
    connections_.push_back(
        sc->EnterWindowProc.Connect([=](long h, long& m, auto&...) { entry("+", h, m); }));
    connections_.push_back(
        sc->LeaveWindowProc.Connect([=](long h, long m, auto...) { entry("-", h, m); }));
    return sc;
  }

  std::shared_ptr<PlatformEnvironment> env_ = (InstallPlatform(), InstalledPlatformEnvironment());
  WindowSystem& windows_ = env_->Windows();
  std::vector<Connection> connections_;
  Log log_;
};

TEST_F(PlatformTest, CreatesTheStandardClassesAndTheHostsByProgId) {
  for (const char* id : {progid::kStream, progid::kRecordset, progid::kKeyedCollection,
                         progid::kTextHelper, progid::kSubClass})
    EXPECT_NE(Env().CreateObject(id), Env().CreateObject(id)) << id;
  auto create = [](const char* progId) { return [progId] { Env().CreateObject(progId); }; };
  EXPECT_THAT(create(progid::kNameList),
              Fails(429, "ActiveX component can't create object: QALNLLib.NameList"));
  PlatformClasses().Register(progid::kNameList, [] { return std::make_shared<Object>(); });
  EXPECT_NE(Env().CreateObject(progid::kNameList), Env().CreateObject(progid::kNameList));
  PlatformClasses().Register(progid::kGLData, [] { return ObjectPtr(); });
  EXPECT_THAT(create(progid::kGLData), Fails(429));
  PlatformClasses().Register(progid::kItemSet, []() -> ObjectPtr { throw Error(7, "no memory"); });
  EXPECT_THAT(create(progid::kItemSet), Fails(7));
  PlatformClasses().Unregister(progid::kNameList);
  EXPECT_THAT(create(progid::kNameList), Fails(429));
  SetEnv(nullptr);
  EXPECT_THAT([] { PlatformClasses(); }, Fails(429));
}

// A subclassing object reports before and after the rest of the chain; the newest is
// outermost, and when it clears bExecProc the rest never sees the message.
TEST_F(PlatformTest, SubclassChainReportsAroundTheBoxNewestOutermost) {
  TextBoxPtr box = CreateTextBox("10");
  long h = box->hWnd();
  auto inner = Listener("1"), outer = Listener("2");
  inner->Hook(h);
  SendMessage(h, WM_CHAR, '.', 0);
  SetFocus(h);
  SetWindowText(h, "1002");
  SendMessage(h, WM_KEYDOWN, VK_F8, 0);
  outer->Hook(h);
  Connection c = outer->EnterWindowProc.Connect(
      [](long, long& msg, long& wParam, long&, bool& exec, long& result) {
        exec = wParam != 'x', result = -1;
        if (msg == 999) msg = WM_CHAR, wParam = 'y';
      });
  EXPECT_EQ(SendMessage(h, WM_CHAR, 'x', 0), -1);
  EXPECT_EQ(SendMessage(h, 999, 0, 0), 0) << "the box's result replaces -1";
  EXPECT_EQ(log_, (Log{"1+258 [10]", "1-258 [10.]", "1+7 [10.]", "1-7 [10.]", "1+256 [1002]",
                       "1-256 [1002]", "2+258 [1002]", "2-258 [1002]", "2+999 [1002]",
                       "1+258 [1002]", "1-258 [1002y]", "2-258 [1002y]"}));
  box.reset();
  EXPECT_EQ(Env().IsWindowEnabled(h), 0) << "the window goes with its box";
}

TEST_F(PlatformTest, SubclassHookMovesUnhookEndsAndReleaseUnhooks) {
  long a = windows_.CreateWindow();
  long b = windows_.CreateWindow();
  auto sc = Listener("s");
  sc->Hook(a);
  sc->Hook(b);
  EXPECT_THAT([&] { sc->Hook(12345); }, Fails(5));
  EXPECT_EQ(windows_.HookCount(b), 1) << "a refused Hook stays where it was";
  sc->Unhook();
  sc->Unhook();
  windows_.SendMessage(b, WM_SETFOCUS, 0, 0);
  EXPECT_TRUE(log_.empty());
  // A handler may release the object while its event is raised: no leave report follows.
  sc->Hook(a);
  Connection c = sc->EnterWindowProc.Connect([&](auto&&...) { sc.reset(); });
  windows_.SendMessage(a, WM_CHAR, 'z', 0);
  EXPECT_EQ(windows_.Text(a), "z");
  EXPECT_EQ(log_, (Log{"s+258 []"}));
  EXPECT_EQ(windows_.HookCount(a), 0);
}

TEST_F(PlatformTest, RemovedHooksAndDestroyedWindowsGetNoMoreCalls) {
  long h = Proc("proc", 1);
  long a = windows_.AddHook(h, {}, [&](auto...) { log_.push_back("a"); });
  // b removes a while the message is on its way down, and itself on the way back.
  long b = windows_.AddHook(
      h, [&](auto&&...) { windows_.RemoveHook(a); }, [&](auto...) { windows_.RemoveHook(b); });
  EXPECT_EQ(windows_.SendMessage(h, 5, 0, 0), 1);
  EXPECT_EQ(windows_.HookCount(h), 0);
  ScopedHook hook = windows_.AddScopedHook(h, {}, {});
  windows_.DestroyWindow(h);
  EXPECT_EQ(windows_.SendMessage(h, 6, 0, 0), 0);
  EXPECT_EQ(log_, (Log{"proc5"}));
  hook.reset();
  EXPECT_GT(windows_.CreateWindow(), h) << "handles are not reused";
  EXPECT_THAT([&] { windows_.AddHook(h, {}, {}); }, Fails(5));
  long x = Proc("x", 0), y = Proc("y", 0);
  for (long to : {x, y, y}) windows_.SetFocus(to);
  EXPECT_EQ(windows_.GetFocus(), y);
  EXPECT_EQ(log_, (Log{"proc5", "x7", "x8", "y7"}));
}

// Typed into a box holding the start text (caret at its end); in the input "^", "$", "<",
// ">" and "~" stand for the Home, End, Left, Right and Delete keys.
TEST_F(PlatformTest, TextBoxEditsAtTheCaret) {
  const std::vector<std::tuple<std::string, long, std::u32string, std::string, long>> cases = {
      {"", 0, U"1001^银行", "银行1001", 2},
      {"银行1001", 0, U"<<\b", "银行101", 3},
      {"银行1001", 0, U"^~>", "行1001", 1},
      {"ab", 0, U"$>~^\b<\r\x1b\t>.", "a.b", 2},
      {"01", ES_READONLY, U"2\b<~", "01", 1},
      // UTF-16 units: a pair makes one character; a surrogate alone becomes U+FFFD.
      {"", 0, U"\xD840\xDC2E|\xDC2E|\xD840|\xD840\b", "\U0002002E|\uFFFD|\uFFFD|", 6},
      {std::string(254, 'x'), 0, U"银y", std::string(254, 'x') + "银", 255}};
  const std::u32string keys = U"^$<>~";
  const long vk[] = {VK_HOME, VK_END, VK_LEFT, VK_RIGHT, VK_DELETE};
  for (const auto& [start, style, input, text, caret] : cases) {
    long h = windows_.CreateWindow(start, style);
    for (char32_t ch : input) {
      size_t k = keys.find(ch);
      windows_.SendMessage(h, k == keys.npos ? WM_CHAR : WM_KEYDOWN,
                           k == keys.npos ? static_cast<long>(ch) : vk[k], 0);
    }
    EXPECT_EQ(windows_.Text(h), text) << start;
    EXPECT_EQ(windows_.Caret(h), caret) << start;
  }
}

TEST_F(PlatformTest, WindowFunctionsReportStyleEnabledAndWholeUtf8Characters) {
  long h = windows_.CreateWindow("现金1001", 0x40);  // 2 x 3 bytes + 4
  windows_.SetReadOnly(h, true);
  EXPECT_EQ(Env().GetWindowLongA(h, GWL_STYLE), 0x40 | ES_READONLY);
  windows_.SetReadOnly(h, false);
  windows_.EnableWindow(h, false);
  EXPECT_EQ(Env().IsWindowEnabled(h), 0);
  SendMessage(h, WM_CHAR, '9', 0);
  windows_.EnableWindow(h, true);
  EXPECT_EQ(Env().IsWindowEnabled(h), 1);
  EXPECT_EQ(Env().GetWindowLongA(h, GWL_STYLE), 0x40);
  EXPECT_EQ(Env().GetWindowTextLengthA(h), 10);
  // Buffer sizes and nMaxCount with the bytes copied and the buffer after.
  const std::vector<std::tuple<size_t, long, long, std::string>> cases = {
      {11, 5, 3, std::string("现") + '\0' + "       "},  // the second character would be cut
      {3, 100, 0, std::string(1, '\0') + "  "}};         // the buffer bounds what is written
  for (const auto& [size, max, copied, after] : cases) {
    std::string buffer(size, ' ');
    EXPECT_EQ(Env().GetWindowTextA(h, buffer, max), copied) << max;
    EXPECT_EQ(buffer, after) << max;
  }
  std::string buffer = "xx";
  EXPECT_EQ(Env().GetWindowTextA(999, buffer, 2) + Env().GetWindowLongA(999, GWL_STYLE), 0);
  EXPECT_EQ(buffer, "xx");
}

TEST_F(PlatformTest, ClockAndPictures) {
  // Local times on 14 March 2026; the last one is just past midnight.
  std::tm t{};
  t.tm_year = 126, t.tm_mon = 2, t.tm_mday = 14, t.tm_hour = 13, t.tm_min = 30, t.tm_sec = 15;
  t.tm_isdst = -1;
  auto at = std::chrono::system_clock::from_time_t(std::mktime(&t));
  EXPECT_NEAR(SecondsSinceLocalMidnight(at + std::chrono::milliseconds(250)), 48615.25, 0.01);
  EXPECT_NEAR(SecondsSinceLocalMidnight(at + std::chrono::milliseconds(37785250)), 0.25, 0.01);
  env_->SystemClock().SetSource([] { return 12.5f; });
  EXPECT_EQ(Env().Timer(), 12.5f);

  // Every key has its own drawing of 16 x 16 pixels and its own glyph.
  std::set<std::vector<uint32_t>> drawings;
  std::set<std::string> glyphs;
  for (const std::string& key : PictureStore::Keys()) {
    PicturePtr p = Env().GetPicture(key);
    EXPECT_EQ(p->Key() + std::to_string(p->Width() * p->Height()), key + "256");
    drawings.insert(p->Pixels());
    glyphs.insert(PictureGlyph(key));
  }
  EXPECT_EQ(drawings.size() + glyphs.size(), 28u);
  EXPECT_EQ(PictureGlyph("Cash") + PictureGlyph(""), "$ ");
  EXPECT_THAT([] { Env().GetPicture("cash"); }, Fails(35601, "Element not found"));

  // Shapes reach the canvas's edges and are clipped beyond them.
  PixelCanvas canvas(4, 3);
  canvas.FrameRect(-1, 0, 3, 2, 7);
  canvas.Set(4, 1, 9);
  EXPECT_EQ(canvas.TakePixels(), (std::vector<uint32_t>{7, 7, 7, 7, 0, 0, 0, 7, 7, 7, 7, 7}));
}

TEST_F(PlatformTest, TextHelperFormatsNumberedArgumentsAndCutsBuffersAtWholeCharacters) {
  auto helper = CreateObjectAs<TextHelper>(progid::kTextHelper);
  std::vector<Variant> args = {Variant("%2银"), Variant(2.5), Variant(Null{}), Variant()};
  for (int i = 1; i <= 4; ++i) args.emplace_back(i * 11);
  const std::vector<std::string> formats = {
      // Each template, then its text. Replacement text is not expanded again; a null or empty
      // argument shows as nothing; anything else, missing arguments too, stays as it is.
      "找不到“%1”", "找不到“%2银”",    "%2-%8-%2",        "2.5-44-2.5", "[%3][%4]", "[][]", "%%1",
      "%%2银",      "%0 %% %x 100% %", "%0 %% %x 100% %", "%9%10",      "%9%2银0",  "",     ""};
  for (size_t i = 0; i < formats.size(); i += 2)
    EXPECT_EQ(helper->FormatArgs(formats[i], args), formats[i + 1]);
  std::string buffer = std::string("现金01") + '\0' + " ";  // what GetWindowTextA leaves
  const std::vector<std::pair<long, std::string>> cuts = {
      {8, "现金01"}, {9, "现金01"}, {5, "现"}, {2, ""}, {1000, "现金01"}, {0, ""}, {-3, ""}};
  for (const auto& [length, text] : cuts) EXPECT_EQ(helper->BufferText(buffer, length), text);
  std::string bad = "a\xFF\xE7\x8E";  // a stray byte, then a truncated character
  EXPECT_EQ(helper->BufferText(bad, 2) + "|" + helper->BufferText(bad, 4), "a\xFF|" + bad);
}

}  // namespace
}  // namespace glnamelist::platform
