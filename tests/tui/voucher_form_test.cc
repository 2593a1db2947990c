// The voucher-entry form on the sample ledger, drawn on the in-memory screen: keys reach
// the component through the window system, parent boxes steer their dependent boxes, and
// failures end up in the status line.
#include "tui/voucher_form.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "contracts/virtual_keys.h"
#include "ledger/register_ledger.h"
#include "services/library_services.h"
#include "tui/terminal_controls.h"
#include "tui/text.h"

namespace glnamelist::tui {
namespace {

constexpr int kAccount = 1, kItemClass = 3, kItem = 4, kUnitGroup = 5;

class VoucherFormTest : public ::testing::Test {
 protected:
  void Open(const std::string& ledger) {
    env_ = platform::InstallPlatformEnvironment();
    // Each reading a second later: no listing falls under the repeat guard.
    env_->SystemClock().SetSource([t = 0.0f]() mutable { return t += 1; });
    ledger::RegisterLedger(env_->Registry(), ledger);
    form_ = std::make_unique<VoucherForm>(*env_, screen_, ledger);
    RegisterTerminalControls(*env_, form_->Host(), messages_);
    form_->AttachLists({});
  }
  void TearDown() override {
    form_.reset();
    ResetLibraryServices();
    SetEnv(nullptr);
  }

  void Type(const std::string& text) {
    for (const Glyph& g : DecodeUtf8(text)) Char(static_cast<long>(g.code));
  }
  void Char(long code) { EXPECT_TRUE(form_->Handle({KeyPress::kChar, code})); }
  void Key(long vk) { EXPECT_TRUE(form_->Handle({KeyPress::kKey, vk})); }
  // Tabs from the first box to box index.
  void FocusBox(int index) {
    for (int i = 0; i < index; ++i) Char(VK_TAB);
  }
  void Clear() {
    for (int i = 0; i < 20; ++i) Char(VK_BACK);
  }
  std::string Shown() {
    form_->Paint();
    return screen_.Text();
  }

  CellScreen screen_{30, 100};
  std::shared_ptr<platform::PlatformEnvironment> env_;
  std::shared_ptr<platform::RecordingMessageBox> messages_ =
      std::make_shared<platform::RecordingMessageBox>();
  std::unique_ptr<VoucherForm> form_;
};

TEST_F(VoucherFormTest, ItemAndUnitBoxesFollowTheirParentBoxes) {
  Open(GLNAMELIST_SAMPLE_LEDGER);
  FocusBox(kItemClass);
  Type("002");
  Char(VK_TAB);
  Type("01.");
  EXPECT_NE(Shown().find("宝山钢铁股份有限公司"), std::string::npos) << "suppliers of class 002";

  Char(0);  // an unknown control character is ignored
  form_->Handle({KeyPress::kBackTab, 0});
  Clear();
  Type("001");
  Char(VK_TAB);
  Clear();
  Type("01.");
  std::string shown = Shown();
  EXPECT_NE(shown.find("北京"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("宝山钢铁"), std::string::npos);

  for (int i = kItem; i < kUnitGroup; ++i) Char(VK_TAB);
  Type("02");
  Char(VK_TAB);
  ASSERT_NE(Shown().find("[02"), std::string::npos);
  Key(VK_F8);
  shown = Shown();
  EXPECT_NE(shown.find("箱"), std::string::npos) << "units of group 02: " << shown;
  EXPECT_EQ(shown.find("千克"), std::string::npos);
}

TEST_F(VoucherFormTest, HotTraceSwitchesForEveryBoxSearchesReportNoMatchAndQuitKeysClose) {
  Open(GLNAMELIST_SAMPLE_LEDGER);
  EXPECT_TRUE(form_->HotTrace());
  Key(VK_F2);
  EXPECT_FALSE(form_->HotTrace());
  EXPECT_NE(Shown().find("HotTrace: 关"), std::string::npos);
  FocusBox(kAccount);
  Type("1002.");
  EXPECT_EQ(Shown().find("1002.05"), std::string::npos) << "without HotTrace a point lists nothing";
  Key(VK_F8);
  EXPECT_NE(Shown().find("1002.05"), std::string::npos);
  // A name search that finds nothing shows the message.
  Clear();
  Type("'%*[");
  Key(VK_F9);
  ASSERT_EQ(messages_->calls().size(), 1u);
  EXPECT_EQ(messages_->calls()[0].text, "没有查询到名称包含'''%*[''的明细科目数据");
  Char('\r');  // no list shown: Enter moves on to the next box
  Type("USD");
  EXPECT_NE(Shown().find("[USD"), std::string::npos);

  EXPECT_FALSE(form_->Handle({KeyPress::kKey, VK_F10}));
  EXPECT_FALSE(form_->Handle({KeyPress::kChar, 17}));
}

TEST_F(VoucherFormTest, ABadLedgerLeavesPlainBoxesAndATooSmallScreenShowsOneClearLine) {
  Open("/nonexistent/nothing.ledger");
  std::string shown = Shown();
  EXPECT_NE(screen_.Line(29).find("nothing.ledger"), std::string::npos) << shown;
  EXPECT_NE(shown.find("(无列表)"), std::string::npos);
  FocusBox(kAccount);
  Type("1002.");
  Key(VK_F9);
  EXPECT_NE(Shown().find("[1002."), std::string::npos) << "the box still takes text";

  screen_ = CellScreen(8, 40);  // the terminal shrinks under the form
  EXPECT_NE(Shown().find("终端太小"), std::string::npos);
  EXPECT_TRUE(form_->Handle({KeyPress::kChar, 'x'}));
}

}  // namespace
}  // namespace glnamelist::tui
