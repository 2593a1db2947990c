// The text box's messages and the list control's selection changes, as far as the lists:
// forwarding, which messages list or search, the editability check and the repeat guard.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "component/gl_name_list_impl.h"
#include "component/message_handling.h"
#include "tests/fakes/error_of.h"
#include "tests/fakes/name_list_fixture.h"

namespace glnamelist::fakes {
namespace {

using ::testing::ElementsAre;

// Records its calls into the shared log as "Provider.List()" and "Provider.Search()", and
// fails with *fail when that is set.
class TestProvider : public Provider {
 public:
  TestProvider(CallLogPtr log, const std::optional<Error>* fail)
      : log_(std::move(log)), fail_(fail) {}
  void List(NameListState&) override { Run("Provider.List()"); }
  void Search(NameListState&) override { Run("Provider.Search()"); }

 private:
  void Run(const char* call) {
    log_->Add(call);
    if (*fail_) throw **fail_;
  }
  CallLogPtr log_;
  const std::optional<Error>* fail_;
};

// The inside of a GLNameList whose every kind with a provider gets a recording one.
class MessagesTest : public BasicNameListFixture<GLNameListImpl> {
 protected:
  std::shared_ptr<GLNameListImpl> MakeList() override {
    return std::make_shared<GLNameListImpl>([this](long kind) -> ProviderPtr {
      if (!kProviderFactories.at(static_cast<size_t>(kind))) return nullptr;
      return std::make_unique<TestProvider>(fake.log(), &fail);
    });
  }
  void AttachWithProvider(long kind) {
    Attach(kind);
    fake.log()->Clear();
  }
  void HotTrace(bool on) { list->state().hot_trace = on; }
  long Lists() const { return fake.log()->Count("Provider.List()"); }
  long Searches() const { return fake.log()->Count("Provider.Search()"); }
  // A message sent at the given clock reading.
  void SendAt(float time, long msg, long wParam) {
    fake.env().timer = time;
    fake.LastSubClass()->Send(msg, wParam, 0);
  }
  // Whether an F8 at the given clock reading lists: not when it is a repeat of the last
  // listing, recorded at its end (an F8 of a repeat leaves that time alone).
  bool ListsAt(float time) {
    const long before = fake.log()->Count("Env.GetWindowLongA(1, -16)") +
                        fake.log()->Count("Env.IsWindowEnabled(1)");
    SendAt(time, WM_KEYDOWN, VK_F8);
    return fake.log()->Count("Env.GetWindowLongA(1, -16)") +
               fake.log()->Count("Env.IsWindowEnabled(1)") >
           before;
  }

  std::optional<Error> fail;
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
    HotTrace(false);
    TypeChar('.');
    HotTrace(true);
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

  HotTrace(true);
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
  HotTrace(true);
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
  EXPECT_FALSE(ListsAt(100.005f));
  EXPECT_FALSE(ListsAt(100.009f)) << "a repeat leaves the time alone";
  EXPECT_EQ(Lists(), 1);
  EXPECT_TRUE(ListsAt(100.02f));
  EXPECT_EQ(Lists(), 2);

  SendAt(100.02f, WM_KEYDOWN, VK_F9);
  EXPECT_EQ(Searches(), 1) << "the search has no repeat guard";

  // Shortly after midnight is no repeat.
  SendAt(86399.995f, WM_KEYDOWN, VK_F8);
  EXPECT_TRUE(ListsAt(0.001f));
  EXPECT_FALSE(ListsAt(0.005f));
  EXPECT_EQ(Lists(), 4);
}

TEST_F(MessagesTest, TheListingTimeIsAFreshReadingTakenWhateverHappenedAndOnlySearchErrorsSurface) {
  AttachWithProvider(nlCurrency);
  fake.env().timer_readings = {10.0f, 10.25f};
  fake.LastSubClass()->Send(WM_KEYDOWN, VK_F8, 0);
  EXPECT_FALSE(ListsAt(10.255f)) << "the time is the reading after the listing";

  // Listing errors vanish; search errors reach the subclassing object.
  fail = Error(errc::kDataService, "ledger closed");
  EXPECT_NO_THROW(SendAt(20.0f, WM_KEYDOWN, VK_F8));
  EXPECT_FALSE(ListsAt(20.005f)) << "a failed listing records its time";
  EXPECT_TRUE(fake.env().messages().empty());
  EXPECT_EQ(ErrorOf([&] { Press(VK_F9); }), errc::kDataService) << "the search error was swallowed";

  fake.env().Windows().EnableWindow(kBoxHwnd, false);
  SendAt(30.0f, WM_KEYDOWN, VK_F8);
  fake.env().Windows().EnableWindow(kBoxHwnd, true);
  EXPECT_FALSE(ListsAt(30.005f)) << "a box that lists nothing records the time";
}

TEST_F(MessagesTest, KindsWithoutAProviderListNothingButRecordTheTime) {
  for (long kind : {static_cast<long>(nlAsset), 0L, 11L, -3L}) {
    Attach(kind);
    fake.log()->Clear();
    SendAt(static_cast<float>(1000 + kind), WM_KEYDOWN, VK_F8);
    EXPECT_NO_THROW(Press(VK_F9));
    EXPECT_TRUE(fake.log()->With("NameList.ListData").empty());
    EXPECT_EQ(Lists() + Searches(), 0);
    // The same object's currency box: a repeat of that listing.
    Attach(nlCurrency);
    EXPECT_FALSE(ListsAt(static_cast<float>(1000 + kind) + 0.005f)) << "kind " << kind;
    EXPECT_TRUE(ListsAt(static_cast<float>(1000 + kind) + 0.02f)) << "kind " << kind;
  }
}

}  // namespace
}  // namespace glnamelist::fakes
