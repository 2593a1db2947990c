// The desktop voucher form on the sample ledger, on real widgets offscreen: keys reach the
// lists through the line edits' windows, the popup lists and chooses, and a list asks only
// for the rows it paints.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <set>

#include "apps/voucher/qt/voucher_window.h"
#include "contracts/virtual_keys.h"
#include "ledger/list_preload.h"
#include "ledger/register_ledger.h"
#include "qt/qt_controls.h"
#include "qt/qt_name_list.h"
#include "services/library_services.h"

namespace glnamelist::qt {
namespace {

// The application every test's widgets live in.
class Application : public ::testing::Environment {
 public:
  void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "qt_host_test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};
const auto* const kApplication = ::testing::AddGlobalTestEnvironment(new Application);

// Counts the paintings of a widget.
struct Paints : QObject {
  int count = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    count += event->type() == QEvent::Paint ? 1 : 0;
    return false;
  }
};

class QtFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = platform::InstallPlatformEnvironment();
    // Each reading a second later: no listing falls under the repeat guard.
    env_->SystemClock().SetSource([t = 0.0f]() mutable { return t += 1; });
    ledger::RegisterLedger(env_->Registry(), GLNAMELIST_SAMPLE_LEDGER);
    window_ = std::make_unique<VoucherWindow>("sample");
    // As the program does: the data read in the background, the lists attached as it comes.
    window_->AttachLists(ledger::PreloadLists(GetGLData(), voucher::VoucherBoxes::ListKinds()));
    QTRY_VERIFY(!window_->ListsWaiting());
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    Account()->setFocus();
  }
  void TearDown() override {
    window_.reset();
    ResetLibraryServices();
    SetEnv(nullptr);
  }

  QLineEdit* Account() const { return window_->Box(1); }
  // Types text as keys, each with the text it types.
  void Type(const QString& text) {
    for (QChar c : text) {
      int key = c.unicode() < 128 ? int{c.toUpper().unicode()} : int{Qt::Key_unknown};
      QTest::sendKeyEvent(QTest::Click, Account(), Qt::Key(key), QString(c), Qt::NoModifier);
    }
  }
  void Press(Qt::Key key) { QTest::keyClick(Account(), key); }
  static ListPopup* Shown() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* popup = dynamic_cast<ListPopup*>(w); popup && popup->isVisible()) return popup;
    }
    return nullptr;
  }
  // The texts of a column of the shown list, or its pictures' presence ("icon").
  static QStringList Column(int column) {
    QStringList texts;
    QAbstractItemModel* model = Shown()->View()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      QModelIndex index = model->index(row, column);
      texts << (column == 0
                    ? (model->data(index, Qt::DecorationRole).value<QIcon>().isNull() ? "none"
                                                                                      : "icon")
                    : model->data(index).toString());
    }
    return texts;
  }
  static QString Position() { return Shown()->findChild<QLabel*>()->text(); }

  std::shared_ptr<platform::PlatformEnvironment> env_;
  std::unique_ptr<VoucherWindow> window_;
};

TEST_F(QtFormTest, F8ListsWithIconsInAPopupThatLeavesTheFocusEscClosesAndReadOnlyListsNothing) {
  Press(Qt::Key_F2);  // HotTrace off
  Type("1002.");
  EXPECT_EQ(Shown(), nullptr) << "without HotTrace a point lists nothing";
  Press(Qt::Key_F8);
  ASSERT_NE(Shown(), nullptr);
  EXPECT_EQ(Column(2), QStringList({"1002.01", "1002.02", "1002.03", "1002.04", "1002.05"}));
  EXPECT_EQ(Column(0), QStringList(5, "icon"));
  EXPECT_EQ(QApplication::focusWidget(), Account());
  EXPECT_FALSE(Shown()->isActiveWindow());
  EXPECT_LT(Account()->mapToGlobal(QPoint(0, 0)).y(), Shown()->y()) << "under the box";
  Press(Qt::Key_Escape);
  EXPECT_EQ(Shown(), nullptr);
  EXPECT_EQ(Account()->text(), "1002.");

  // A read-only or disabled box lists nothing and keeps its text.
  long hwnd = window_->Boxes().Window(1);
  Account()->setReadOnly(true);
  EXPECT_EQ(Env().GetWindowLongA(hwnd, GWL_STYLE), ES_READONLY);
  Press(Qt::Key_F8);
  Type("9.");
  EXPECT_EQ(Shown(), nullptr);
  EXPECT_EQ(Account()->text(), "1002.");
  window_->setEnabled(false);
  EXPECT_EQ(Env().IsWindowEnabled(hwnd), 0) << "disabled with its window";
}

TEST_F(QtFormTest, F9FindsArrowsBrowseEnterOrAClickChoosesAndTheNameStandsBeside) {
  Type("银行");
  Press(Qt::Key_F9);
  ASSERT_NE(Shown(), nullptr);
  EXPECT_TRUE(Position().startsWith("查找结果")) << Position().toStdString();
  QString third = Column(2).value(2);
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  EXPECT_TRUE(Position().contains("第 3 行")) << Position().toStdString();
  Press(Qt::Key_Return);
  EXPECT_EQ(Account()->text(), third);
  EXPECT_EQ(Shown(), nullptr) << "a detail account has nothing below it to list";
  EXPECT_EQ(window_->Boxes().NameBeside(1).rfind("银行存款_", 0), 0u);

  Account()->clear();
  Type("1002.");
  QTableView* view = Shown()->View();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                    view->visualRect(view->model()->index(1, 2)).center());
  EXPECT_TRUE(QTest::qWaitFor([&] { return Account()->text() == "1002.02"; }));

  Account()->setText("'%*[");
  Press(Qt::Key_F9);
  QMessageBox* box = nullptr;
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return (box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) != nullptr;
  }));
  EXPECT_EQ(box->windowTitle(), "澄枫提示");
  EXPECT_EQ(box->icon(), QMessageBox::Information);
  EXPECT_EQ(box->text(), "没有查询到名称包含'''%*[''的明细科目数据");
  box->close();
}

TEST_F(QtFormTest, AMillionRowListAsksOnlyForTheRowsItPaints) {
  auto form = std::make_shared<LineEditForm>();
  QtNameList list(form);
  list.OwnerHwnd(window_->Boxes().Window(1));
  NameListDataPtr rows = list.ListData();
  rows->Cols(2);
  rows->RowsOnRequest(-1);
  rows->Rows(1'000'000);
  std::set<long> asked;
  Connection request = rows->DataRequest.Connect([&](long row) {
    asked.insert(row);
    rows->CellText(row, 1, "1122." + std::to_string(row));
    // A name of a million characters is converted no further than a row can show.
    rows->CellText(row, 2, row == 2 ? std::string(3'000'000 / 3, 'x') + "长" : "应收账款");
  });
  Paints paints;
  auto painted = [&] {
    paints.count = 0;
    return QTest::qWaitFor([&] { return paints.count > 0; });
  };
  list.DropDown();
  list.Popup()->View()->viewport()->installEventFilter(&paints);
  ASSERT_TRUE(painted());
  long page = list.Popup()->PageRows();
  EXPECT_EQ(asked, (std::set<long>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(page, 12);
  QAbstractItemModel* model = list.Popup()->View()->model();
  const int name = model->columnCount() - 1;
  QString long_name = model->data(model->index(1, name)).toString();
  EXPECT_TRUE(long_name.size() <= 1025 && long_name.endsWith("x…")) << long_name.size();
  EXPECT_EQ(model->data(model->index(0, name)).toString(), "应收账款");

  bool exec = true;
  long result = 0;
  list.EnterWindowProc(list.OwnerHwnd(), WM_KEYDOWN, VK_END, 0, exec, result);
  ASSERT_TRUE(painted());
  EXPECT_EQ(asked.size(), 2u * page);
  EXPECT_EQ(*asked.rbegin(), 1'000'000);
  EXPECT_EQ(*asked.upper_bound(page), 1'000'000 - page + 1);
}

}  // namespace
}  // namespace glnamelist::qt
