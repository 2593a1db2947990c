// The platform environment as a host installs and uses it through platform/register_platform.h.
#include "platform/environment.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "contracts/keyed_collection.h"
#include "contracts/prog_ids.h"
#include "contracts/recordset.h"
#include "contracts/stream.h"
#include "contracts/subclass.h"
#include "contracts/text_helper.h"
#include "platform/register_platform.h"

namespace glnamelist::platform {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Property;
using ::testing::Throws;

class PlatformEnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallPlatform();
    env_ = InstalledPlatformEnvironment();
  }
  void TearDown() override { SetEnv(nullptr); }

  std::shared_ptr<PlatformEnvironment> env_;
};

TEST_F(PlatformEnvironmentTest, CreatesTheStandardClassesAndTheHostsByProgId) {
  EXPECT_TRUE(CreateObjectAs<Stream>(progid::kStream));
  EXPECT_TRUE(CreateObjectAs<Recordset>(progid::kRecordset));
  EXPECT_TRUE(CreateObjectAs<KeyedCollection>(progid::kKeyedCollection));
  auto helper = CreateObjectAs<TextHelper>(progid::kTextHelper);
  EXPECT_EQ(helper->FormatArgs("%1!", {Variant("ok")}), "ok!");
  EXPECT_NE(CreateObjectAs<KeyedCollection>(progid::kKeyedCollection),
            CreateObjectAs<KeyedCollection>(progid::kKeyedCollection));

  // The host's classes: a new object per creation and the factory's errors passed on;
  // error 429 naming a class that is not registered or whose factory gives Nothing.
  auto Fails = [](long number, const std::string& text = "") {
    return Throws<Error>(
        AllOf(Property(&Error::Number, number), Property(&Error::Description, HasSubstr(text))));
  };
  auto create = [](const char* progId) { return [progId] { Env().CreateObject(progId); }; };
  EXPECT_THAT(create(progid::kNameList),
              Fails(429, "ActiveX component can't create object: QALNLLib.NameList"));
  int made = 0;
  PlatformClasses().Register(progid::kNameList, [&] {
    ++made;
    return std::make_shared<Object>();
  });
  EXPECT_NE(Env().CreateObject(progid::kNameList), Env().CreateObject(progid::kNameList));
  EXPECT_EQ(made, 2);
  PlatformClasses().Register(progid::kGLData, [] { return ObjectPtr(); });
  EXPECT_THAT(create(progid::kGLData), Fails(429));
  PlatformClasses().Register(progid::kItemSet, []() -> ObjectPtr { throw Error(7, "no memory"); });
  EXPECT_THAT(create(progid::kItemSet), Fails(7));
  PlatformClasses().Unregister(progid::kNameList);
  EXPECT_FALSE(PlatformClasses().IsRegistered(progid::kNameList));
  EXPECT_THAT(create(progid::kNameList), Fails(429));

  SetEnv(nullptr);
  EXPECT_THAT([] { PlatformClasses(); }, Fails(429));
}

TEST_F(PlatformEnvironmentTest, SubclassingObjectHooksTheHostsTextBoxes) {
  TextBoxPtr box = CreateTextBox("1001");
  long h = box->hWnd();
  auto sc = CreateObjectAs<SubClass>(progid::kSubClass);
  std::vector<std::string> seen;
  Connection c = sc->LeaveWindowProc.Connect([&](long hWnd, long msg, long, long) {
    std::string buffer(Env().GetWindowTextLengthA(hWnd) + 1, ' ');
    long n = Env().GetWindowTextA(hWnd, buffer, static_cast<long>(buffer.size()));
    seen.push_back(std::to_string(msg) + " " + buffer.substr(0, n));
  });
  sc->Hook(h);
  SendMessage(h, WM_CHAR, '.', 0);
  SetFocus(h);
  SetWindowText(h, "1002");
  SendMessage(h, WM_KEYDOWN, VK_F8, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"258 1001.", "7 1001.", "256 1002"}));
  EXPECT_EQ(WindowText(h), "1002");
  env_->Windows().SetReadOnly(h, true);
  EXPECT_EQ(Env().GetWindowLongA(h, GWL_STYLE) & ES_READONLY, ES_READONLY);
  EXPECT_EQ(Env().IsWindowEnabled(h), 1);
  box.reset();
  EXPECT_EQ(Env().IsWindowEnabled(h), 0) << "the window goes with its box";
}

TEST_F(PlatformEnvironmentTest, ClockMessageBoxAndPicturesComeFromTheParts) {
  env_->SystemClock().SetSource([] { return 12.5f; });
  EXPECT_EQ(Env().Timer(), 12.5f);

  std::vector<std::string> shown;
  SetMessageBox([&](const std::string& text, long style, const std::string& caption) {
    shown.push_back(caption + " " + text + " " + std::to_string(style));
    return 2L;
  });
  EXPECT_EQ(Env().MsgBox("没有找到", vbInformation, "标题"), 2);
  EXPECT_EQ(shown, std::vector<std::string>{"标题 没有找到 64"});

  EXPECT_EQ(Env().GetPicture("Bank"), env_->Pictures().Get("Bank"));
  EXPECT_THROW(Env().GetPicture("bank"), Error);
}

}  // namespace
}  // namespace glnamelist::platform
