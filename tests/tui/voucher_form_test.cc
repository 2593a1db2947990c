// The voucher-entry form on the sample ledger, drawn on the in-memory screen: keys reach
// the component through the window system, a chosen row writes what its box takes, parent
// boxes steer their dependent boxes, names stand beside the boxes and complaints end up in
// the status line.
#include "tui/voucher_form.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "contracts/virtual_keys.h"
#include "ledger/register_ledger.h"
#include "ledger/sqlite_db.h"
#include "services/library_services.h"
#include "tui/terminal_controls.h"
#include "tui/text.h"

namespace glnamelist::tui {
namespace {

constexpr int kItemClass = 3;

class VoucherFormTest : public ::testing::Test {
 protected:
  void Open(const std::string& ledger) {
    env_ = platform::InstallPlatformEnvironment();
    // Each reading a second later: no listing falls under the repeat guard.
    env_->SystemClock().SetSource([t = 0.0f]() mutable { return t += 1; });
    ledger::RegisterLedger(env_->Registry(), ledger);
    form_ = std::make_unique<VoucherForm>(*env_, screen_, ledger);
    RegisterTerminalControls(*env_, form_->Form(), form_->Host(), messages_);
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
  void Key(long vk, int times = 1) {
    for (int i = 0; i < times; ++i) EXPECT_TRUE(form_->Handle({KeyPress::kKey, vk}));
  }
  void Clear() {
    for (int i = 0; i < 20; ++i) Char(VK_BACK);
  }
  std::string Shown() {
    form_->Paint();
    return screen_.Text();
  }
  bool Shows(const std::string& text) { return Shown().find(text) != std::string::npos; }
  // The first screen row that holds text, as last painted.
  int RowOf(const std::string& text) {
    for (int y = 0; y < screen_.Rows(); ++y) {
      if (screen_.Line(y).find(text) != std::string::npos) return y;
    }
    return -1;
  }

  CellScreen screen_{24, 80};  // the smallest terminal the form is made for
  std::shared_ptr<platform::PlatformEnvironment> env_;
  std::shared_ptr<platform::RecordingMessageBox> messages_ =
      std::make_shared<platform::RecordingMessageBox>();
  std::unique_ptr<VoucherForm> form_;
};

TEST_F(VoucherFormTest, ItemAndUnitBoxesFollowTheClassAndGroupTypedOrChosen) {
  // A second group named 长度: a chosen group is told apart by its row, not its name.
  std::string ledger = ::testing::TempDir() + "/two_groups.ledger";
  std::filesystem::copy_file(GLNAMELIST_SAMPLE_LEDGER, ledger,
                             std::filesystem::copy_options::overwrite_existing);
  ledger::Database(ledger, ledger::Database::Mode::kCreate)
      .ExecScript(
          "INSERT INTO unit_groups VALUES (6, '06', '长度');"
          "INSERT INTO units (group_id, number, name) VALUES (6, '01', '英里');");
  Open(ledger);
  for (int box = 0; box < kItemClass; ++box) Char(VK_TAB);
  Type("002\t01.");
  EXPECT_TRUE(Shows("宝山钢铁股份有限公司")) << "suppliers of class 002, typed";
  Char(0);  // an unknown control character is ignored
  form_->Handle({KeyPress::kBackTab, 0});
  Clear();
  Key(VK_F8);  // every class; the first is 001 客户
  Char('\r');
  EXPECT_TRUE(Shows("[001") && Shows("] 客户") && !Shows("共 5 行")) << "chosen, list closed";
  Char(VK_TAB);
  Clear();
  Type("01。");  // an input method's full-width point
  EXPECT_TRUE(Shows("北京") && !Shows("宝山钢铁")) << "customers of class 001, chosen";

  Char(VK_TAB);
  ASSERT_TRUE(Shows("共 6 行")) << "the groups, on focus";
  Key(VK_END);
  Type("\r\t");
  EXPECT_TRUE(Shows("[长度") && Shows("英里") && !Shows("厘米")) << "units of the chosen 06";
  form_->Handle({KeyPress::kBackTab, 0});
  Clear();
  Key(VK_F8);
  Key(VK_DOWN, 2);
  Type("\r\t");
  EXPECT_TRUE(Shows("厘米") && !Shows("英里")) << "units of group 03: " << Shown();
}

// The bookkeeper's path through the account box (search, browse, choose, drill down) is
// the end-to-end test's; here the checks of the codes and the form's own keys.
TEST_F(VoucherFormTest, AnExplanationWritesItsTextCodesAreCheckedAndTheFormKeysWork) {
  Open(GLNAMELIST_SAMPLE_LEDGER);
  ASSERT_TRUE(Shows("共 15 行")) << "explanations, on focus";
  Key(VK_DOWN);
  Char('\r');
  EXPECT_TRUE(Shows("[支付货款") && !Shows("共 15 行")) << "the explanation itself, list closed";

  Type("\t1002\t");
  EXPECT_TRUE(Shows("科目 1002 银行存款 不是明细科目"));
  form_->Handle({KeyPress::kBackTab, 0});
  Type(".01");
  Key(VK_F8);
  EXPECT_TRUE(Shows("] 银行存款_工商银行") && Shows("是明细，没有下级可列出")) << Shown();
  Clear();
  Type("9999\r");  // no list shown: Enter moves on to the next box
  EXPECT_TRUE(Shows("科目 9999 不存在") && Shows("F10/Ctrl-Q 退出")) << "80x24 holds all";

  Key(VK_F2);
  EXPECT_TRUE(!form_->HotTrace() && Shows("HotTrace: 关"));
  form_->Handle({KeyPress::kBackTab, 0});
  Clear();
  Type("1002.");
  EXPECT_FALSE(Shows("1002.05")) << "without HotTrace a point lists nothing";
  Key(VK_F8);
  EXPECT_TRUE(Shows("1002.05"));
  EXPECT_EQ(RowOf("┌"), RowOf("科目") + 1) << "the list drops under its own box";
  Clear();
  Type("'%*[");
  Key(VK_F9);
  ASSERT_EQ(messages_->calls().size(), 1u);
  EXPECT_EQ(messages_->calls()[0].text, "没有查询到名称包含'''%*[''的明细科目数据");
  Char('\r');             // no list shown: Enter moves on to the next box
  Type("USD\U0002002E");  // sent as two UTF-16 units
  EXPECT_TRUE(Shows("[USD\U0002002E"));

  screen_ = CellScreen(8, 40);  // the terminal shrinks under the form (see the e2e test)
  EXPECT_TRUE(form_->Handle({KeyPress::kChar, 'x'}));
  EXPECT_FALSE(form_->Handle({KeyPress::kKey, VK_F10}));
  EXPECT_FALSE(form_->Handle({KeyPress::kChar, 17}));
}

}  // namespace
}  // namespace glnamelist::tui
