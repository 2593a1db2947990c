// The library-wide services: one data service and one string helper, created on first use.
#include "services/library_services.h"

#include <gtest/gtest.h>

#include "contracts/prog_ids.h"
#include "platform/text_helper.h"
#include "tests/fakes/scoped_fake_environment.h"

namespace glnamelist::fakes {
namespace {

TEST(LibraryServicesTest, SharedObjectsAreCreatedOnFirstUseAndAFailureIsTriedAgain) {
  ScopedFakeEnvironment fake;
  fake.env().FailCreate(progid::kGLData, Error(errc::kCannotCreateObject, "no ledger"));
  fake.env().FailCreate(progid::kTextHelper, Error(errc::kCannotCreateObject, "no helper"));
  EXPECT_THROW(GetGLData(), Error);
  EXPECT_THROW(FormatText("%1", {Variant("x")}), Error);

  auto gl = fake.gl_data();
  fake.env().Register(progid::kGLData, [gl] { return gl; });
  fake.env().Register(progid::kTextHelper, [] { return std::make_shared<platform::StandardTextHelper>(); });
  EXPECT_EQ(GetGLData(), gl);
  EXPECT_EQ(GetGLData(), gl);
  EXPECT_EQ(fake.env().CreationCount(progid::kGLData), 1);
  EXPECT_EQ(FormatText("没有查询到名称包含''%1''的数据", {Variant("a'b")}),
            "没有查询到名称包含''a'b''的数据");
  EXPECT_EQ(FormatText("%1 and %2", {Variant("x")}), "x and %2");
  EXPECT_EQ(SharedTextHelper(), SharedTextHelper());
  EXPECT_EQ(fake.env().CreationCount(progid::kTextHelper), 1);
}

TEST(LibraryServicesTest, ResourceStringsAreTheTextItself) {
  for (const char* key : {"Language", ""}) EXPECT_EQ(GetLanguage(key), "chs");
  for (const char* text : {"澄枫提示", "  'quoted' \"text\"  ", ""})
    EXPECT_EQ(LoadResString(text), text);
}

}  // namespace
}  // namespace glnamelist::fakes
