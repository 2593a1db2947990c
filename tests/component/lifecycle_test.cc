// What a host sees of a GLNameList's life: construction, its properties, Attach, Detach,
// Detach1 and the end of the object.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "contracts/prog_ids.h"
#include "tests/fakes/error_of.h"
#include "tests/fakes/name_list_fixture.h"

namespace glnamelist::fakes {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class LifecycleTest : public NameListFixture {
 protected:
  // The calls recorded from now on.
  void StartLog() { fake.log()->Clear(); }
  std::vector<std::string> Calls() const { return fake.log()->calls(); }
};

TEST_F(LifecycleTest, ConstructionCreatesTheListControlThenSetsDeleteOptionsOnOneSharedService) {
  auto first = std::make_shared<GLNameList>();
  auto second = std::make_shared<GLNameList>();
  EXPECT_THAT(Calls(),
              ElementsAre("Env.CreateObject(QALNLLib.NameList)",
                          "Env.CreateObject(QALTAVGLView.GLData)", "GLData.DeleteOptions(False)",
                          "Env.CreateObject(QALNLLib.NameList)", "GLData.DeleteOptions(False)"));
  // A new object has no default picture and no asset filter.
  EXPECT_EQ(first->PicDefault(), nullptr);
  EXPECT_EQ(first->AssetFilter(), "");
}

TEST_F(LifecycleTest, ConstructionFailsWhenTheDataServiceCannotBeCreatedAndIsTriedAgainLater) {
  fake.env().Registry().Register(progid::kGLData, []() -> ObjectPtr { throw Error(429, "no"); });
  EXPECT_EQ(ErrorOf([] { GLNameList broken; }), errc::kCannotCreateObject);
  EXPECT_EQ(fake.LastNameList(), nullptr) << "the list control of the failed object is released";

  auto gl = fake.gl_data();
  fake.env().Registry().Register(progid::kGLData, [gl] { return gl; });
  StartLog();
  GLNameList working;
  EXPECT_TRUE(fake.log()->Contains("GLData.DeleteOptions(False)"));
}

TEST_F(LifecycleTest, KeySettingsAndEventsPassThroughTheListControlAndPicturesNeedNoSetup) {
  GLNameList list;
  list.NoKeyDownKeyUp(true);
  EXPECT_TRUE(control().no_key_down_key_up);
  control().no_key_down_key_up = false;
  EXPECT_FALSE(list.NoKeyDownKeyUp());

  control().key_down_sets_key_code = 0;
  control().key_down_result = true;
  control().key_up_sets_shift = 4;
  short key = VK_F8, shift = 1;
  EXPECT_TRUE(list.OnKeyDown(key, shift));
  EXPECT_EQ(key, 0);
  EXPECT_EQ(shift, 1);
  key = 13;
  EXPECT_FALSE(list.OnKeyUp(key, shift));
  EXPECT_EQ(key, 13);
  EXPECT_EQ(shift, 4);
  EXPECT_TRUE(fake.log()->Contains("NameList.OnKeyUp(13, 1)"));

  // Row pictures can be set before any account setup; Nothing removes the entry.
  list.Picture("1001", fake.env().Pictures().Get("Bank"));
  list.Picture("1001", nullptr);
  EXPECT_EQ(list.Picture("1001"), nullptr);
}

TEST_F(LifecycleTest, AttachRunsItsStepsInOrderAndAgainReplacesTheSubClassWithoutUnhooking) {
  list = std::make_shared<GLNameList>();
  StartLog();
  Attach(nlCurrency);
  EXPECT_THAT(Calls(),
              ElementsAre("Env.CreateObject(VOSSUBCLASSLib.SubClass)", "TextBox.hWnd()",
                          "SubClass.Hook(1)", "Env.GetPicture(Cash)", "TextBox.hWnd()",
                          "NameList.OwnerHwnd(1)", "TextBox.Font()", "NameList.ListFont(SimSun)",
                          "TextBox.Font()", "NameList.Font(SimSun)"));
  EXPECT_EQ(list->TextBox(), box);
  EXPECT_EQ(list->NameListType(), nlCurrency);
  EXPECT_EQ(control().font, box->font_value);
  EXPECT_EQ(control().list_font, box->font_value);

  StartLog();
  Attach(nlUnit);
  EXPECT_EQ(fake.SubClassCount(), 2);
  EXPECT_THAT(fake.log()->With("SubClass."),
              ElementsAre("SubClass.Released()", "SubClass.Hook(1)"));
  EXPECT_EQ(list->NameListType(), nlUnit);
}

TEST_F(LifecycleTest, AttachFailingAtHwndLeavesOnlyTheNewSubClassAndAtFontTheEarlierSteps) {
  list = std::make_shared<GLNameList>();
  auto bad = fake.NewTextBox();
  TextBoxPtr as_box = bad;
  bad->FailAt("hWnd", Error(438, "no hWnd"));
  EXPECT_EQ(ErrorOf([&] { list->Attach(as_box, nlUnit); }), 438);
  ASSERT_NE(fake.LastSubClass(), nullptr);
  EXPECT_FALSE(fake.LastSubClass()->hooked());
  EXPECT_EQ(list->TextBox(), nullptr);
  EXPECT_EQ(list->NameListType(), 0);

  as_box = bad = fake.NewTextBox();
  bad->FailAt("Font", Error(438, "no Font"));
  EXPECT_EQ(ErrorOf([&] { list->Attach(as_box, nlUnit); }), 438);
  EXPECT_EQ(list->TextBox(), bad);
  EXPECT_EQ(list->NameListType(), nlUnit);
  EXPECT_EQ(list->PicDefault(), fake.env().Pictures().Get("Item"));
  EXPECT_EQ(control().owner_hwnd, bad->hwnd_value);
  EXPECT_FALSE(fake.log()->Contains("NameList.ListFont(SimSun)"));
}

TEST_F(LifecycleTest, DetachHidesOnlyAShownListThenUnhooksAndReleasesAndStaysOnAnError) {
  list = std::make_shared<GLNameList>();
  list->Detach();  // without a text box: no list control touched
  EXPECT_THAT(fake.log()->With("NameList."), IsEmpty());
  for (bool visible : {false, true}) {
    Attach(nlCurrency);
    control().visible = visible;
    StartLog();
    list->Detach();
    std::vector<std::string> calls = {"NameList.Visible()", "SubClass.Unhook()",
                                      "SubClass.Released()"};
    if (visible) calls.insert(calls.begin() + 1, "NameList.HideList()");
    EXPECT_EQ(Calls(), calls);
    EXPECT_EQ(list->TextBox(), nullptr);
  }
  Attach(nlCurrency);
  control().visible = true;
  control().FailAt("HideList", Error(5, "broken list"));
  StartLog();
  EXPECT_THROW(list->Detach(), Error);
  EXPECT_FALSE(fake.log()->Contains("SubClass.Unhook()"));
  control().ClearFailure("HideList");
  fake.LastSubClass()->FailAt("Unhook", Error(5, "broken hook"));
  EXPECT_THROW(list->Detach(), Error);
  EXPECT_EQ(list->TextBox(), box) << "still attached";
}

TEST_F(LifecycleTest, Detach1UnloadsIgnoresErrorsAndReleasesBoxAndSubClass) {
  Attach(nlCurrency);
  control().visible = true;
  control().FailAt("Unload", Error(5, "broken list"));
  StartLog();
  list->Detach1();
  EXPECT_THAT(Calls(), ElementsAre("NameList.Unload()", "SubClass.Released()"));
  EXPECT_EQ(list->TextBox(), nullptr);
  EXPECT_EQ(fake.LastSubClass(), nullptr);

  StartLog();
  list->Detach1();  // nothing attached: nothing asked of the list control
  EXPECT_TRUE(Calls().empty());
}

TEST_F(LifecycleTest, TheEndDetachesNeverThrowsAndReleasesTheListControl) {
  Attach(nlCurrency);
  control().visible = true;
  fake.LastSubClass()->FailAt("Unhook", Error(5, "broken hook"));
  StartLog();
  EXPECT_NO_THROW(list.reset());
  EXPECT_THAT(Calls(), ElementsAre("NameList.Visible()", "NameList.HideList()", "SubClass.Unhook()",
                                   "SubClass.Released()"));
  EXPECT_EQ(fake.LastNameList(), nullptr);
  EXPECT_EQ(fake.LastSubClass(), nullptr);
}

}  // namespace
}  // namespace glnamelist::fakes
