// The text box's messages and the list control's selection changes, as far as the lists:
// forwarding, which messages list or search, the editability check and the repeat guard.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "component/message_handling.h"
#include "tests/component/gl_name_list_peer.h"
#include "tests/fakes/name_list_fixture.h"

namespace glnamelist::fakes {
namespace {

using ::testing::ElementsAre;

class MessagesTest : public NameListFixture {
 protected:
  // Attaches kind with a recording provider in its slot.
  TestProvider& AttachWithProvider(long kind) {
    Attach(kind);
    auto p = std::make_unique<TestProvider>(fake.log());
    TestProvider& ref = *p;
    GLNameListPeer::SetProvider(*list, kind, std::move(p));
    fake.log()->Clear();
    return ref;
  }
  long Lists() const { return fake.log()->Count("Provider.List()"); }
  long Searches() const { return fake.log()->Count("Provider.Search()"); }
  // A message sent at the given clock reading.
  void SendAt(float time, long msg, long wParam) {
    fake.env().timer = time;
    fake.LastSubClass()->Send(msg, wParam, 0);
  }
};

TEST_F(MessagesTest, EveryMessageReachesTheListControlWhichDecidesTheResult) {
  AttachWithProvider(nlCurrency);
  Press(13);
  EXPECT_THAT(fake.log()->calls(), ElementsAre("NameList.EnterWindowProc(1, 256, 13, 0)",
                                               "NameList.LeaveWindowProc(1, 256, 13, 0)"));
  fake.log()->Clear();
  Press(VK_F8);
  EXPECT_THAT(fake.log()->calls(),
              ElementsAre("NameList.EnterWindowProc(1, 256, 119, 0)",
                          "NameList.LeaveWindowProc(1, 256, 119, 0)", "Env.Timer()",
                          "TextBox.hWnd()", "Env.IsWindowEnabled(1)", "Env.GetWindowLongA(1, -16)",
                          "Provider.List()", "Env.Timer()"));

  // The result is what the list control left.
  auto sub = fake.LastSubClass();
  FakeSubClass::Outcome untouched = sub->Send(WM_CHAR, 'a', 0, 99);
  EXPECT_EQ(untouched.result, 0);
  EXPECT_TRUE(untouched.exec_proc);
  control().enter_sets_result = 7;
  control().enter_clears_exec_proc = true;
  FakeSubClass::Outcome kept = sub->Send(WM_CHAR, 'a', 0, 99);
  EXPECT_EQ(kept.result, 7);
  EXPECT_FALSE(kept.exec_proc);
}

TEST_F(MessagesTest, F8ListsAndF9SearchesWhateverHotTraceAndAPointListsAccountsAndItemsWithIt) {
  AttachWithProvider(nlItemClass);
  Press(VK_F8);
  Press(VK_F8 | 0x10000);  // high word set: the key code is still F8
  Press(VK_F9);
  for (long other : {13L, 38L, 40L, 118L, 121L}) Press(other);
  EXPECT_EQ(Lists(), 2);
  EXPECT_EQ(Searches(), 1);
  // A point lists only in account and item boxes, and only with HotTrace.
  for (long kind : {nlAccount, nlItem, nlCurrency, nlSubMes}) {
    AttachWithProvider(kind);
    list->HotTrace(false);
    TypeChar('.');
    list->HotTrace(true);
    TypeChar('.');
    TypeChar(',');
    bool lists = kind == nlAccount || kind == nlItem;
    EXPECT_EQ(Lists(), lists ? 1 : 0) << "kind " << kind;
  }
}

TEST_F(MessagesTest, FocusAndSelChangedListOnlyWithHotTraceAndSelChangedOnlyForThisBox) {
  AttachWithProvider(nlCurrency);
  Focus();
  fake.env().timer = 50;
  control().RaiseSelChanged();
  EXPECT_EQ(Lists(), 0);

  list->HotTrace(true);
  Focus();
  EXPECT_EQ(Lists(), 1);
  fake.env().timer = 55;
  control().RaiseSelChanged();
  EXPECT_EQ(Lists(), 2);

  control().owner_hwnd = 555;  // the control now serves another window
  fake.env().timer = 60;
  control().RaiseSelChanged();
  EXPECT_EQ(Lists(), 2);

  list->Detach();
  fake.log()->Clear();
  control().RaiseSelChanged();
  EXPECT_TRUE(fake.log()->calls().empty()) << "ignored with no text box attached";
}

TEST_F(MessagesTest, ADisabledOrReadOnlyBoxGetsNoListingOrSearch) {
  AttachWithProvider(nlCurrency);
  list->HotTrace(true);
  fake.env().Windows().EnableWindow(kBoxHwnd, false);
  Press(VK_F8);
  Press(VK_F9);
  Focus();
  EXPECT_EQ(fake.log()->Count("Env.GetWindowLongA(1, -16)"), 0) << "style not read when disabled";

  fake.env().Windows().EnableWindow(kBoxHwnd, true);
  fake.env().Windows().SetStyle(kBoxHwnd, ES_READONLY | 0x80);
  Press(VK_F8);
  Press(VK_F9);
  EXPECT_EQ(Lists() + Searches(), 0);

  fake.env().Windows().SetStyle(kBoxHwnd, 0x80);
  EXPECT_TRUE(IsWindowEditable(kBoxHwnd));
  EXPECT_FALSE(IsWindowEditable(4242)) << "an unknown window is not enabled";
}

TEST_F(MessagesTest, ARepeatWithinAHundredthOfASecondDoesNothingEvenOverMidnight) {
  AttachWithProvider(nlCurrency);
  SendAt(100.0f, WM_KEYDOWN, VK_F8);
  EXPECT_FLOAT_EQ(GLNameListPeer::LastListTime(*list), 100.0f);
  SendAt(100.005f, WM_KEYDOWN, VK_F8);
  EXPECT_EQ(Lists(), 1);
  EXPECT_FLOAT_EQ(GLNameListPeer::LastListTime(*list), 100.0f) << "a repeat leaves the time alone";
  SendAt(100.02f, WM_KEYDOWN, VK_F8);
  EXPECT_EQ(Lists(), 2);

  SendAt(100.02f, WM_KEYDOWN, VK_F9);
  EXPECT_EQ(Searches(), 1) << "the search has no repeat guard";

  // Shortly after midnight is no repeat.
  SendAt(86399.995f, WM_KEYDOWN, VK_F8);
  SendAt(0.001f, WM_KEYDOWN, VK_F8);
  EXPECT_EQ(Lists(), 4);
  EXPECT_FLOAT_EQ(GLNameListPeer::LastListTime(*list), 0.001f);
}

TEST_F(MessagesTest, TheListingTimeIsAFreshReadingTakenWhateverHappenedAndOnlySearchErrorsSurface) {
  TestProvider& provider = AttachWithProvider(nlCurrency);
  fake.env().timer_readings = {10.0f, 10.25f};
  fake.LastSubClass()->Send(WM_KEYDOWN, VK_F8, 0);
  EXPECT_FLOAT_EQ(GLNameListPeer::LastListTime(*list), 10.25f);

  // Listing errors vanish; search errors reach the subclassing object.
  provider.fail = Error(errc::kDataService, "ledger closed");
  EXPECT_NO_THROW(SendAt(20.0f, WM_KEYDOWN, VK_F8));
  EXPECT_FLOAT_EQ(GLNameListPeer::LastListTime(*list), 20.0f);
  EXPECT_TRUE(fake.env().messages().empty());
  EXPECT_EQ(ErrorOf([&] { Press(VK_F9); }), errc::kDataService) << "the search error was swallowed";

  fake.env().Windows().EnableWindow(kBoxHwnd, false);
  SendAt(30.0f, WM_KEYDOWN, VK_F8);
  EXPECT_FLOAT_EQ(GLNameListPeer::LastListTime(*list), 30.0f);
}

TEST_F(MessagesTest, KindsWithoutAProviderListNothingButRecordTheTime) {
  for (long kind : {static_cast<long>(nlAsset), 0L, 11L, -3L}) {
    Attach(kind);
    fake.log()->Clear();
    SendAt(static_cast<float>(1000 + kind), WM_KEYDOWN, VK_F8);
    EXPECT_NO_THROW(Press(VK_F9));
    EXPECT_FLOAT_EQ(GLNameListPeer::LastListTime(*list), 1000.0f + kind);
    EXPECT_TRUE(fake.log()->With("NameList.ListData").empty());
  }
}

}  // namespace
}  // namespace glnamelist::fakes
