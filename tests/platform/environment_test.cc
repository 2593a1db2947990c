#include "platform/environment.h"

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

namespace glnamelist::platform {
namespace {

class PlatformEnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override { env_ = InstallPlatformEnvironment(); }
  void TearDown() override { SetEnv(nullptr); }

  std::shared_ptr<PlatformEnvironment> env_;
};

TEST_F(PlatformEnvironmentTest, CreatesTheStandardClassesByProgId) {
  EXPECT_TRUE(CreateObjectAs<Stream>(progid::kStream));
  EXPECT_TRUE(CreateObjectAs<Recordset>(progid::kRecordset));
  EXPECT_TRUE(CreateObjectAs<KeyedCollection>(progid::kKeyedCollection));
  auto helper = CreateObjectAs<TextHelper>(progid::kTextHelper);
  EXPECT_EQ(helper->FormatArgs("%1!", {Variant("ok")}), "ok!");
  EXPECT_NE(CreateObjectAs<KeyedCollection>(progid::kKeyedCollection),
            CreateObjectAs<KeyedCollection>(progid::kKeyedCollection));
  // The host's own classes are not the platform's business.
  EXPECT_THROW(Env().CreateObject(progid::kGLData), Error);
  EXPECT_THROW(Env().CreateObject(progid::kNameList), Error);
}

TEST_F(PlatformEnvironmentTest, SubclassingObjectHooksTheEnvironmentsWindows) {
  long h = env_->Windows().CreateWindow("1001");
  auto sc = CreateObjectAs<SubClass>(progid::kSubClass);
  std::string seen;
  Connection c = sc->LeaveWindowProc.Connect([&](long hWnd, long, long, long) {
    std::string buffer(Env().GetWindowTextLengthA(hWnd) + 1, ' ');
    long n = Env().GetWindowTextA(hWnd, buffer, static_cast<long>(buffer.size()));
    seen = buffer.substr(0, n);
  });
  sc->Hook(h);
  env_->Windows().SendMessage(h, WM_CHAR, '.', 0);
  EXPECT_EQ(seen, "1001.");
  env_->Windows().SetReadOnly(h, true);
  EXPECT_EQ(Env().GetWindowLongA(h, GWL_STYLE) & ES_READONLY, ES_READONLY);
  EXPECT_EQ(Env().IsWindowEnabled(h), 1);
}

TEST_F(PlatformEnvironmentTest, ClockMessageBoxAndPicturesComeFromTheParts) {
  env_->SystemClock().SetSource([] { return 12.5f; });
  EXPECT_EQ(Env().Timer(), 12.5f);

  auto box = std::make_shared<RecordingMessageBox>();
  env_->SetMessageBox(box);
  EXPECT_EQ(Env().MsgBox("没有找到", vbInformation, "标题"), 1);
  EXPECT_EQ(box->calls(),
            (std::vector<RecordingMessageBox::Call>{{"没有找到", vbInformation, "标题"}}));

  EXPECT_EQ(Env().GetPicture("Bank"), env_->Pictures().Get("Bank"));
  EXPECT_THROW(Env().GetPicture("bank"), Error);
}

}  // namespace
}  // namespace glnamelist::platform
