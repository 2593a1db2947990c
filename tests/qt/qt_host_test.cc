// The desktop voucher form on the sample ledger, on real widgets offscreen: keys reach the
// lists through the line edits' windows, the popup lists and chooses, a list asks only for
// the rows it paints and is as tall as its rows, on the screen; the window keeps its size,
// its status bar says what the boxes say, another ledger opens from its menu; screen readers
// hear the boxes' names and the list's rows; the screenshot holds every window shown; a
// request that waits for the ledger (a held call, a stopped server) is shown, keeps the keys
// typed meanwhile, and is given up by Esc or by closing the window.
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <signal.h>

#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QInputDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPaintEngine>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "apps/glledger/ledger_copy.h"
#include "apps/voucher/draft_store.h"
#include "apps/voucher/qt/key_script.h"
#include "apps/voucher/qt/qt_chinese.h"
#include "apps/voucher/qt/screenshot.h"
#include "apps/voucher/qt/voucher_window.h"
#include "apps/voucher/voucher_grid.h"
#include "contracts/prog_ids.h"
#include "contracts/virtual_keys.h"
#include "ledger/item_set.h"
#include "ledger/ledger_service.h"
#include "ledger/list_preload.h"
#include "ledger/register_ledger.h"
#include "ledger/sqlite/sqlite_db.h"
#include "qt/qt_controls.h"
#include "qt/qt_name_list.h"
#include "services/library_services.h"
#include "tests/ledger/faulty_ledger.h"

// QtTest's waiting checks, made to fail the GoogleTest they are in: outside QtTest's own
// runner a failed QTRY_ check only returns, silently. Each waits as long as QtTest's does.
#undef QTRY_VERIFY
#undef QTRY_COMPARE
#define QTRY_VERIFY(expr) \
  ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(expr); })) << #expr
#define QTRY_COMPARE(actual, expected)                                 \
  ASSERT_TRUE(QTest::qWaitFor([&] { return (actual) == (expected); })) \
      << #actual " is not " #expected

namespace glnamelist::qt {
namespace {

// What a screen reader hears: each accessibility event, with the text of what it is about.
struct Heard {
  QAccessible::Event type;
  QObject* object;
  QString text;
};
std::vector<Heard>& HeardEvents() {
  static std::vector<Heard> heard;
  return heard;
}
void Listen(QAccessibleEvent* event) {
  QString text;
  if (QAccessibleInterface* about = event->accessibleInterface()) {
    QAccessibleInterface* child = event->child() >= 0 ? about->child(event->child()) : nullptr;
    text = child ? child->text(QAccessible::Name)
                 : about->text(event->type() == QAccessible::DescriptionChanged
                                   ? QAccessible::Description
                                   : QAccessible::Name);
  }
  HeardEvents().push_back({event->type(), event->object(), text});
}

// The application every test's widgets live in, with accessibility on as a screen reader
// turns it on.
class Application : public ::testing::Environment {
 public:
  void SetUp() override {
    app_ = std::make_unique<QApplication>(argc_, argv_);
    ASSERT_TRUE(InstallQtChinese(*app_)) << QtChineseFile().toStdString();
    QAccessible::installUpdateHandler(Listen);
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
  }
  void TearDown() override {
    QAccessible::installUpdateHandler(nullptr);
    app_.reset();
  }

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

// The texts a widget paints, each run of text as its paint engine gets it.
class PaintedTexts : public QPaintDevice, QPaintEngine {
 public:
  explicit PaintedTexts(QWidget* widget) : size_(widget->size()) { widget->render(this); }
  QStringList texts;

 private:
  QPaintEngine* paintEngine() const override { return const_cast<PaintedTexts*>(this); }
  int metric(PaintDeviceMetric metric) const override {
    if (metric == PdmWidth) return size_.width();
    if (metric == PdmHeight) return size_.height();
    if (metric == PdmDevicePixelRatioScaled) return static_cast<int>(devicePixelRatioFScale());
    return metric == PdmDevicePixelRatio ? 1 : metric == PdmDepth ? 32 : 96;
  }
  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  void updateState(const QPaintEngineState&) override {}
  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
  void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
  void drawTextItem(const QPointF&, const QTextItem& item) override { texts << item.text(); }
  Type type() const override { return User; }

  QSize size_;
};

class QtFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = platform::InstallPlatformEnvironment();
    // Each reading a second later, unless a test stops the clock: no listing falls under
    // the repeat guard.
    env_->SystemClock().SetSource([this] { return now_ += step_; });
    Register();
    if (IsSkipped()) return;
    OpenWindow(ledger::PreloadLists(GetGLData(), voucher::VoucherBoxes::ListKinds()));
    QTRY_VERIFY(!window_->ListsWaiting());
    if (page_ == FormPanel::Page::kBoxes) Account()->setFocus();
  }
  void TearDown() override {
    window_.reset();
    ResetLibraryServices();
    SetEnv(nullptr);
  }

  // The data service of the ledger.
  virtual void Register() { ledger::RegisterLedger(env_->Registry(), ledger_); }
  // The window on the sample ledger, as the program shows it, its lists attached once ready
  // says so.
  void OpenWindow(const voucher::VoucherBoxes::ListReady& ready) {
    window_ = std::make_unique<VoucherWindow>(ledger_, ready, settings_, page_);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }

  QLineEdit* Account() const { return window_->Box(1); }
  // Types text as keys, each with the text it types, into the box with the focus.
  static void Type(const QString& text) {
    for (QChar c : text) {
      int key = c.unicode() < 128 ? int{c.toUpper().unicode()} : int{Qt::Key_unknown};
      QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key(key), QString(c),
                          Qt::NoModifier);
    }
  }
  static void Press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
  static ListPopup* Shown() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* popup = dynamic_cast<ListPopup*>(w); popup && popup->isVisible()) return popup;
    }
    return nullptr;
  }
  static QMessageBox* Dialog() {
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
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
  static QIcon FirstIcon() {
    QAbstractItemModel* model = Shown()->View()->model();
    return model->data(model->index(0, 0), Qt::DecorationRole).value<QIcon>();
  }
  static QString Position() { return Shown()->findChild<QLabel*>()->text(); }
  // Closes the message box shown; the window comes back to the front, as a window manager
  // brings it.
  void CloseDialog() {
    Dialog()->close();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }
  QString Status() const { return window_->StatusText().FullText(); }
  // Item `item` of menu `menu` of the menu bar.
  QAction* MenuAction(int menu, int item) const {
    return window_->menuBar()->actions().at(menu)->menu()->actions().at(item);
  }

  float now_ = 0;
  float step_ = 1;
  QTemporaryDir scratch_;
  QSettings settings_{scratch_.filePath("settings.ini"), QSettings::IniFormat};
  std::string ledger_ = GLNAMELIST_SAMPLE_LEDGER;
  FormPanel::Page page_ = FormPanel::Page::kBoxes;
  std::shared_ptr<platform::PlatformEnvironment> env_;
  std::unique_ptr<VoucherWindow> window_;
};

TEST_F(QtFormTest, F8ListsWithIconsInAPopupThatLeavesTheFocusEscClosesAndReadOnlyListsNothing) {
  Press(Qt::Key_F2);  // listing on entering a box, and on a point, off
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
  EXPECT_EQ(window_->Boxes().NameBeside(1), "银行存款_建设银行") << "named at once";

  Account()->setText("'%*[");
  Press(Qt::Key_F9);
  QMessageBox* box = nullptr;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (box = Dialog()) != nullptr; }));
  EXPECT_EQ(box->windowTitle(), "澄枫提示");
  EXPECT_EQ(box->icon(), QMessageBox::Information);
  EXPECT_EQ(box->button(QMessageBox::Ok)->text(), "确定");
  EXPECT_EQ(box->text(), "没有查询到名称包含'''%*[''的明细科目数据");
  box->close();
}

// Keys typed faster than the lists list end as they do typed one by one: with the clock
// standing still no listing gets past the lists' guard, and the keys wait until it moves,
// an input method's text among them.
TEST_F(QtFormTest, KeysInABurstDoWhatTheyDoOneByOne) {
  window_->Box(0)->setFocus();
  now_ += 100;
  step_ = 0;
  Press(Qt::Key_Tab);
  Type("1002");
  QInputMethodEvent point;
  point.setCommitString("。");
  QApplication::sendEvent(QApplication::focusWidget(), &point);
  for (int i = 0; i < 3; ++i) Press(Qt::Key_Down);
  Press(Qt::Key_Return);
  Press(Qt::Key_Return);  // on to the currencies
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  Press(Qt::Key_Return);
  EXPECT_TRUE(window_->KeysWaiting());
  QTRY_VERIFY((now_ += 1, !window_->KeysWaiting()));
  EXPECT_EQ(Account()->text(), "1002.03");
  EXPECT_EQ(window_->Box(2)->text(), "GBP");
  EXPECT_EQ(window_->Boxes().NameBeside(2), "英镑");
}

// Both forms start alike: the box with the focus lists once its list comes.
TEST_F(QtFormTest, TheFirstBoxListsWhenItsListComes) {
  window_.reset();
  bool explanations_in = false;
  OpenWindow([&](long kind) { return kind != nlVchExp || explanations_in; });
  EXPECT_EQ(Shown(), nullptr);
  explanations_in = true;
  QTRY_VERIFY(Shown() != nullptr);
  EXPECT_EQ(Shown()->View()->model()->rowCount(), 15);
}

// However many rows a list has, it is as tall as they are up to a page, and asks only for
// the rows it paints.
TEST_F(QtFormTest, AListIsAsTallAsItsRowsUpToAPageAndAsksOnlyForTheRowsItPaints) {
  auto form = std::make_shared<LineEditForm>();
  QtNameList list(form);
  list.OwnerHwnd(window_->Boxes().Window(1));
  NameListDataPtr rows = list.ListData();
  rows->Cols(2);
  rows->RowsOnRequest(-1);
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
  std::map<long, int> height;
  for (long count : {1L, 5L, 1000L, 1'000'000L}) {
    rows->Rows(count);
    asked.clear();
    list.DropDown();
    list.Popup()->View()->viewport()->installEventFilter(&paints);
    ASSERT_TRUE(painted());
    height[count] = list.Popup()->height();
    QTableView* view = list.Popup()->View();
    int used = 0;
    for (int c = 0; c < view->model()->columnCount(); ++c) {
      used += view->isColumnHidden(c) ? 0 : view->columnWidth(c);
    }
    EXPECT_LE(used, view->viewport()->width()) << "the columns fit: " << count;
    long page = std::min(count, ListPopup::kMaxShownRows);
    EXPECT_EQ(list.Popup()->PageRows(), page);
    EXPECT_EQ(std::ssize(asked), page) << count;
  }
  int row = list.Popup()->View()->verticalHeader()->defaultSectionSize();
  EXPECT_EQ(height[5] - height[1], 4 * row);
  EXPECT_EQ(height[1000] - height[1], (ListPopup::kMaxShownRows - 1) * row);
  EXPECT_EQ(height[1'000'000], height[1000]);
  QAbstractItemModel* model = list.Popup()->View()->model();
  const int name = model->columnCount() - 1;
  QString long_name = model->data(model->index(1, name)).toString();
  EXPECT_TRUE(long_name.size() <= 1025 && long_name.endsWith("x…")) << long_name.size();
  EXPECT_EQ(model->data(model->index(0, name)).toString(), "应收账款");

  long page = list.Popup()->PageRows();
  bool exec = true;
  long result = 0;
  list.EnterWindowProc(list.OwnerHwnd(), WM_KEYDOWN, VK_END, 0, exec, result);
  ASSERT_TRUE(painted());
  EXPECT_EQ(asked.size(), 2u * page);
  EXPECT_EQ(*asked.rbegin(), 1'000'000);
  EXPECT_EQ(*asked.upper_bound(page), 1'000'000 - page + 1);
}

// Lists of the last box near the bottom of the screen: under the box while its rows fit
// there, above it when they do not; whole, and on the screen.
TEST_F(QtFormTest, AListGoesUnderItsBoxOrAboveItAndStaysOnTheScreen) {
  QRect screen = window_->screen()->availableGeometry();
  QLineEdit* last = window_->Box(window_->Panel().Count() - 1);
  auto room_below = [&](int room) {
    int bottom = last->mapToGlobal(QPoint(0, last->height())).y();
    window_->move(window_->x(), window_->y() + screen.bottom() + 1 - room - bottom);
    return QTest::qWaitFor([&] {
      return last->mapToGlobal(QPoint(0, last->height())).y() == screen.bottom() + 1 - room;
    });
  };
  auto form = std::make_shared<LineEditForm>();
  QtNameList list(form);
  list.OwnerHwnd(window_->Boxes().Window(window_->Panel().Count() - 1));
  NameListDataPtr rows = list.ListData();
  rows->Cols(2);
  rows->RowsOnRequest(-1);
  Connection request = rows->DataRequest.Connect([&](long row) { rows->CellText(row, 1, "01"); });
  rows->Rows(1);
  list.DropDown();
  int one_row = list.Popup()->height();
  list.HideList();
  ASSERT_TRUE(room_below(one_row + 2));
  list.DropDown();
  EXPECT_TRUE(screen.contains(list.Popup()->frameGeometry())) << "one row fits under the box";
  EXPECT_GE(list.Popup()->y(), last->mapToGlobal(QPoint(0, last->height())).y());
  list.HideList();

  ASSERT_TRUE(room_below(one_row + 2));  // seven rows do not
  last->setFocus();
  Press(Qt::Key_F8);
  ASSERT_NE(Shown(), nullptr);
  EXPECT_TRUE(screen.contains(Shown()->frameGeometry())) << "on the screen";
  EXPECT_LE(Shown()->frameGeometry().bottom(), last->mapToGlobal(QPoint(0, 0)).y())
      << "above the box: there is no room below it";
  EXPECT_EQ(Shown()->View()->model()->rowCount(), 7);
  EXPECT_EQ(Shown()->PageRows(), 7) << "every row shown";
}

// A main window with its menus and the ledger's name in the title, whose size no text
// changes, and a status bar that says what the boxes say, cut with "…" when long; F10
// opens the menus, Ctrl-Q quits.
TEST_F(QtFormTest, TheWindowHasMenusKeepsItsSizeAndItsStatusBarSpeaksOfTheBoxLeft) {
  EXPECT_EQ(window_->windowTitle(), "sample — 记账凭证录入");
  QStringList menus;
  for (QAction* menu : window_->menuBar()->actions()) menus << menu->text();
  EXPECT_EQ(menus, QStringList({"账套(&L)", "视图(&V)", "帮助(&H)"})) << "no voucher, no 凭证";
  QAction* list_on_entry = MenuAction(1, 0);
  EXPECT_TRUE(list_on_entry->isChecked());
  list_on_entry->trigger();
  EXPECT_FALSE(window_->Boxes().HotTrace());
  QStringList bar;
  for (QLabel* label : window_->statusBar()->findChildren<QLabel*>()) bar << label->text();
  EXPECT_TRUE(bar.contains("自动列出: 关")) << bar.join('|').toStdString();
  EXPECT_EQ(window_->StatusText().parentWidget(), window_->statusBar());

  QSize size = window_->size();
  Type(QString(200, '9'));
  Press(Qt::Key_Tab);
  QString complaint = "科目 9999999999…9999999999 不存在";
  EXPECT_EQ(Status(), complaint);
  QApplication::processEvents();
  EXPECT_EQ(window_->size(), size) << "a long text changes no size";

  // A name search that finds nothing: its message box takes the focus from a box the
  // person has not left, which says nothing.
  window_->Box(2)->setText("XYZ");
  Press(Qt::Key_F9);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return Dialog() && QApplication::activeWindow() == Dialog(); }));
  EXPECT_EQ(Status(), complaint);
  CloseDialog();
  QTRY_COMPARE(QApplication::focusWidget(), window_->Box(2));
  EXPECT_EQ(Status(), complaint);
  Press(Qt::Key_Tab);
  EXPECT_EQ(Status(), "币别 XYZ 不存在");
  EXPECT_EQ(window_->StatusText().toolTip(), "") << "short: nothing cut";
  window_->Boxes().ShowStatus(std::string(300, 'x'), false);
  EXPECT_TRUE(window_->StatusText().text().endsWith("…"));
  EXPECT_EQ(window_->StatusText().toolTip(), QString(300, 'x'));
  EXPECT_EQ(window_->size(), size);

  Press(Qt::Key_F10);  // opens the menus, as on the desktop
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->title(), "账套(&L)");
  menu->close();
  EXPECT_TRUE(window_->isVisible());
  QTest::keyClick(window_.get(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(window_->isVisible()) << "Ctrl-Q quits";
}

TEST_F(QtFormTest, AnotherLedgerOpensFromTheMenuAndOneThatCannotBeOpenedSaysWhy) {
  std::string missing = scratch_.filePath("missing.ledger").toStdString();
  EXPECT_FALSE(window_->OpenLedger(missing));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Dialog() != nullptr; }));
  EXPECT_EQ(Dialog()->text().toStdString(), "无法打开账套 " + missing + "：文件不存在");
  CloseDialog();
  EXPECT_EQ(window_->windowTitle(), "sample — 记账凭证录入") << "the form stays";
  MenuAction(1, 0)->trigger();  // listing on entering a box off

  std::string company = scratch_.filePath("company.ledger").toStdString();
  std::filesystem::copy_file(GLNAMELIST_SAMPLE_LEDGER, company);
  EXPECT_TRUE(window_->OpenLedger(company));
  EXPECT_EQ(window_->windowTitle(), "company — 记账凭证录入");
  EXPECT_FALSE(window_->Boxes().HotTrace()) << "the switch as it was";
  QStringList recent({QString::fromStdString(company), GLNAMELIST_SAMPLE_LEDGER});
  EXPECT_EQ(RecentLedgers(settings_).List(), recent);
  QStringList menu;
  for (QAction* ledger : MenuAction(0, 2)->menu()->actions()) menu << ledger->text();
  EXPECT_EQ(menu, recent) << "the menu of the ledgers opened last, each once";
  QTRY_VERIFY(!window_->ListsWaiting());
  Account()->setFocus();
  Type("1002.");
  Press(Qt::Key_F8);
  ASSERT_NE(Shown(), nullptr);
  EXPECT_EQ(Column(2).size(), 5);
}

TEST_F(QtFormTest, AScreenReaderHearsTheBoxesTheRowCountAndTheRowsAsTheHighlightMoves) {
  const auto& kinds = voucher::VoucherBoxes::Kinds();
  for (size_t i = 0; i < kinds.size(); ++i) {
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(window_->Box(i));
    EXPECT_EQ(box->text(QAccessible::Name), kinds[i].label);
  }
  auto heard = [](QAccessible::Event type, QObject* object, const QString& text) {
    for (const Heard& h : HeardEvents()) {
      if (h.type == type && h.object == object && h.text.contains(text)) return true;
    }
    return false;
  };
  for (int opening = 0; opening < 2; ++opening) {  // the same count, said again
    HeardEvents().clear();
    Account()->setText("1002.");
    Press(Qt::Key_F8);
    ASSERT_NE(Shown(), nullptr);
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(Shown()->View());
    EXPECT_EQ(table->role(), QAccessible::Table);
    EXPECT_EQ(table->text(QAccessible::Name), "科目列表");
    EXPECT_EQ(table->text(QAccessible::Description), "共 5 行");
    EXPECT_TRUE(heard(QAccessible::DescriptionChanged, Shown()->View(), "共 5 行")) << opening;
    Press(Qt::Key_Escape);
  }
  Press(Qt::Key_F8);
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  EXPECT_TRUE(heard(QAccessible::Focus, Shown()->View(), "1002.02 银行存款_建设银行"));
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(Shown()->View());
  EXPECT_EQ(table->tableInterface()->selectedRows(), QList<int>{1});
}

// Each list kind shows a picture of its own, drawn pixel for pixel on a screen of twice the
// density too.
TEST_F(QtFormTest, EachKindOfListHasItsOwnPictureSharpAtTwiceTheDensity) {
  QSet<qint64> pictures;
  for (size_t box : {0, 3, 5, 8}) {  // explanations, item classes, unit groups, settlements
    window_->Box(box)->setFocus();
    ASSERT_NE(Shown(), nullptr) << box;
    QImage picture = FirstIcon().pixmap(QSize(16, 16), 1.0).toImage();
    pictures.insert(qHashBits(picture.constBits(), static_cast<size_t>(picture.sizeInBytes())));
    QImage doubled = FirstIcon().pixmap(QSize(16, 16), 2.0).toImage();
    EXPECT_EQ(doubled.size(), QSize(32, 32));
    EXPECT_EQ(doubled.convertToFormat(QImage::Format_ARGB32),
              picture.scaled(32, 32).convertToFormat(QImage::Format_ARGB32));
  }
  EXPECT_EQ(pictures.size(), 4);
}

// The program's screenshot holds what the person sees: the list dropped down with its
// rows, and a message box over the form, each where it stands.
TEST_F(QtFormTest, TheScreenshotHoldsTheListAndTheMessageBoxWhereTheyStand) {
  auto holds = [this](const QImage& shot, QWidget* shown) {
    QImage own = shown->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QPoint at = shown->mapToGlobal(QPoint(0, 0)) - window_->mapToGlobal(QPoint(0, 0));
    return shot.copy(QRect(at, own.size())).convertToFormat(QImage::Format_RGB32) == own;
  };
  window_->Box(0)->setFocus();
  QImage shot = PictureAfterKeys(*window_, "<Tab>1002.");
  ASSERT_NE(Shown(), nullptr);
  EXPECT_EQ(Column(2), QStringList({"1002.01", "1002.02", "1002.03", "1002.04", "1002.05"}));
  EXPECT_TRUE(holds(shot, Shown())) << "the list with its rows";

  shot = PictureAfterKeys(*window_, "<Backspace>XYZ<F9>");
  ASSERT_NE(Dialog(), nullptr);
  EXPECT_TRUE(holds(shot, Dialog())) << "the message box";
  PlayKeys(ParseKeys("<Enter>"), [&] { return window_->KeysWaiting(); });
  QTRY_COMPARE(Dialog(), nullptr);
  // Keys held with Ctrl, Alt or Shift, and the number pad's, as scripted keys.
  std::vector<ScriptKey> held = ParseKeys("<Ctrl-S><Alt-F4><Shift-Home><KP7>");
  ASSERT_EQ(held.size(), 4u);
  EXPECT_TRUE(held[0].key == Qt::Key_S && held[0].modifiers == Qt::ControlModifier &&
              held[0].text.isEmpty());
  EXPECT_TRUE(held[1].key == Qt::Key_F4 && held[1].modifiers == Qt::AltModifier);
  EXPECT_TRUE(held[2].key == Qt::Key_Home && held[2].modifiers == Qt::ShiftModifier);
  EXPECT_TRUE(held[3].modifiers == Qt::KeypadModifier && held[3].text == "7");
  EXPECT_ANY_THROW(ParseKeys("<Ctrl-Bogus>"));
}

// The page of boxes on a copy of the sample ledger that a colleague changes meanwhile.
class QtLiveTest : public QtFormTest {
 protected:
  QtLiveTest() {
    ledger_ = scratch_.filePath("live.ledger").toStdString();
    std::filesystem::copy_file(GLNAMELIST_SAMPLE_LEDGER, ledger_);
  }
};

// An account renamed by another program reaches the running form: the name beside the box
// holding its code follows, and its list shows the new name, the box's text kept.
TEST_F(QtLiveTest, ARenamedAccountReachesTheRunningFormWithoutARestart) {
  Type("1002.01");
  Press(Qt::Key_Escape);
  QTRY_COMPARE(window_->Boxes().NameBeside(1), "银行存款_工商银行");
  ledger::Database(ledger_, ledger::Database::Mode::kWrite)
      .ExecScript("UPDATE accounts SET name = '中国工商银行' WHERE number = '1002.01'");
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return window_->Boxes().NameBeside(1) == "银行存款_中国工商银行"; }, 30000));
  EXPECT_EQ(Account()->text(), "1002.01");
  EXPECT_EQ(QApplication::focusWidget(), Account()) << "the focus kept";
  Account()->end(false);
  Press(Qt::Key_Backspace);
  Press(Qt::Key_Backspace);
  Press(Qt::Key_F8);
  ASSERT_NE(Shown(), nullptr);
  EXPECT_TRUE(Column(3).contains("银行存款_中国工商银行")) << Column(3).join("|").toStdString();
}

// The voucher on a copy of the sample ledger, its drafts in the scratch folder.
class QtVoucherTest : public QtFormTest {
 protected:
  QtVoucherTest() {
    ledger_ = scratch_.filePath("vouchers.ledger").toStdString();
    std::filesystem::copy_file(GLNAMELIST_SAMPLE_LEDGER, ledger_);
    page_ = FormPanel::Page::kVoucher;
    qputenv("XDG_STATE_HOME", scratch_.filePath("state").toUtf8());
  }
  ~QtVoucherTest() override { qunsetenv("XDG_STATE_HOME"); }

  QString Cell(int line, voucher::Column column) const {
    QAbstractItemModel* model = window_->Panel().Table()->model();
    return model->index(line, static_cast<int>(column)).data().toString();
  }
  QLineEdit* Editor(voucher::Column column) const {
    return column == voucher::Column::kDebit || column == voucher::Column::kCredit
               ? window_->Panel().AmountBox()
               : window_->Box(static_cast<size_t>(column));
  }
  // The line edit of the cell has the focus, shown over the cell.
  void At(int line, voucher::Column column) const {
    QTRY_COMPARE(QApplication::focusWidget(), Editor(column));
    QTableView* table = window_->Panel().Table();
    EXPECT_EQ(Editor(column)->geometry(),
              table->visualRect(table->model()->index(line, static_cast<int>(column))));
  }
  static void Tabs(int n) {
    for (int i = 0; i < n; ++i) Press(Qt::Key_Tab);
  }
};

TEST_F(QtVoucherTest, ATwoLineVoucherIsRefusedUnbalancedThenSavedAndOpenedByItsNumber) {
  using voucher::Column;
  QStringList menus;
  for (QAction* menu : window_->menuBar()->actions()) menus << menu->text();
  EXPECT_EQ(menus, QStringList({"账套(&L)", "凭证(&P)", "视图(&V)", "帮助(&H)"}));
  QLineEdit* date = window_->Panel().HeaderBox(voucher::HeaderField::kDate);
  QTest::mouseClick(date, Qt::LeftButton);
  QTRY_COMPARE(QApplication::focusWidget(), date);
  Press(Qt::Key_End);
  for (int i = 0; i < 10; ++i) Press(Qt::Key_Backspace);
  Type("2026年11月3日");
  Tabs(3);
  EXPECT_EQ(date->text(), "2026-11-03");
  At(0, Column::kExplanation);
  Type("付货款");
  Press(Qt::Key_Tab);
  At(0, Column::kAccount);
  Type("2202");
  Press(Qt::Key_Tab);
  QTRY_COMPARE(Cell(0, Column::kItemClass), "002");  // from the account
  Press(Qt::Key_Tab);
  At(0, Column::kItem);
  Type("01.");
  QTRY_VERIFY(Shown() != nullptr);  // the items of the line's class under 01
  Press(Qt::Key_Down);
  Press(Qt::Key_Return);
  QTRY_COMPARE(Cell(0, Column::kItem), "01.001");
  Tabs(1);  // past 币别, which the account does not open
  At(0, Column::kDebit);
  Type("1000");
  Press(Qt::Key_Space);  // the amount to the other side, and back
  At(0, Column::kCredit);
  EXPECT_EQ(Cell(0, Column::kCredit), "1,000.00");
  Press(Qt::Key_Space);
  At(0, Column::kDebit);
  Tabs(2);
  At(1, Column::kExplanation);
  Type("付货款");
  Press(Qt::Key_Tab);
  Type("工商");
  Press(Qt::Key_F9);
  QTRY_VERIFY(Shown() != nullptr);
  Press(Qt::Key_Return);
  QTRY_COMPARE(Cell(1, Column::kAccount), "1002.01");
  Tabs(2);
  At(1, Column::kCredit);
  Press(Qt::Key_F5);  // line 2 without an amount: refused, and marked before its number
  QTRY_VERIFY(Status().startsWith("没有保存"));
  QStandardItemModel* lines = window_->Panel().Grid()->Model();
  EXPECT_EQ(
      QStringList({lines->verticalHeaderItem(0)->text(), lines->verticalHeaderItem(1)->text()}),
      QStringList({"1", "!2"}));
  Type("900");
  Press(Qt::Key_F5);
  QTRY_COMPARE(Status(), "没有保存：借贷不平衡：借方 1,000.00，贷方 900.00，差额 100.00");
  for (int i = 0; i < 3; ++i) Press(Qt::Key_Backspace);
  Type("=");
  QTRY_COMPARE(Cell(1, Column::kCredit), "1,000.00");
  EXPECT_TRUE(window_->Panel().Grid()->CapitalsLabel().text().startsWith("人民币大写：壹仟元整"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
  QTRY_COMPARE(Status(), "已保存：记字第 1 号（2026-11），开始录入下一张凭证");
  EXPECT_EQ(Cell(0, Column::kAccount), "") << "a new voucher begins";
  At(0, Column::kExplanation);

  Press(Qt::Key_F6);
  QInputDialog* ask = nullptr;
  QTRY_VERIFY((ask = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())));
  ask->setTextValue("1");
  ask->accept();
  QTRY_VERIFY(Status().startsWith("已打开凭证"));
  EXPECT_EQ(
      QStringList({Cell(0, Column::kAccount), Cell(0, Column::kItemClass), Cell(0, Column::kItem),
                   Cell(0, Column::kDebit), Cell(1, Column::kAccount), Cell(1, Column::kCredit)}),
      QStringList({"2202", "002", "01.001", "1,000.00", "1002.01", "1,000.00"}));

  // Around it: the tool bar's arrows and Ctrl-PgUp go through the month's vouchers; F11
  // lists them in a window of its own, filtered as typed, opening the one chosen; the date
  // picker puts the day chosen into the date box.
  window_->findChild<QAction*>("browse2")->trigger();
  QTRY_COMPARE(Status(), "已是本月最后一张凭证");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
  QTRY_COMPARE(Status(), "已是本月第一张凭证");
  Press(Qt::Key_F11);
  QWidget* list = nullptr;
  QTRY_VERIFY((list = window_->findChild<QWidget*>("voucherList")) && list->isVisible());
  EXPECT_TRUE(list->isWindow());
  auto* rows = list->findChild<QTableWidget*>();
  ASSERT_EQ(rows->rowCount(), 1);
  EXPECT_EQ(rows->item(0, 3)->text(), "1,000.00");
  list->findChild<QLineEdit*>("filter")->setText("¥5");
  EXPECT_EQ(rows->rowCount(), 0);
  list->findChild<QLineEdit*>("filter")->setText("记 1002.01");
  ASSERT_EQ(rows->rowCount(), 1);
  emit rows->activated(rows->model()->index(0, 0));
  QTRY_VERIFY(Status().startsWith("已打开凭证 2026-11 记字第 1 号"));
  list->close();
  window_->findChild<QToolButton*>("datePicker")->click();
  auto* calendar = window_->findChild<QCalendarWidget*>("calendar");
  QTRY_VERIFY(calendar->isVisible());
  emit calendar->activated(QDate(2026, 11, 7));
  EXPECT_EQ(date->text(), "2026-11-07");
  EXPECT_FALSE(calendar->isVisible());
  QTRY_COMPARE(QApplication::focusWidget(),
               window_->Panel().HeaderBox(voucher::HeaderField::kWord));
}

// The window opens wide enough for every column, each title whole, with the voucher's
// actions in a tool bar; the largest amount is drawn whole on one line with its total under
// its column, and a text longer than its cell is cut with a mark.
TEST_F(QtVoucherTest, TheWindowShowsEveryColumnAndTheLargestAmountWholeWithItsTotalUnderIt) {
  using voucher::Column;
  QStringList tools;
  for (QAction* action : window_->findChild<QToolBar*>()->actions()) {
    if (!action->isSeparator()) tools << action->iconText();
  }
  EXPECT_EQ(tools, QStringList({"保存", "打开凭证", "新凭证", "放弃修改", "插入行", "删除行",
                                "第一张", "上一张", "下一张", "最后一张"}));
  QTableView* table = window_->Panel().Table();
  EXPECT_LE(window_->width(), window_->screen()->availableGeometry().width());
  EXPECT_FALSE(table->horizontalScrollBar()->isVisible());
  for (int c = 0; c < voucher::kColumns; ++c) {  // a line's figures only for an account of them
    EXPECT_EQ(table->isColumnHidden(c), c > static_cast<int>(Column::kCredit));
    if (table->isColumnHidden(c)) continue;
    EXPECT_GE(table->columnWidth(c), table->horizontalHeader()->sectionSizeHint(c));
  }
  EXPECT_LE(table->columnViewportPosition(6) + table->columnWidth(6), table->viewport()->width());

  QInputMethodEvent long_text;  // an input method's text, longer than its cell
  long_text.setCommitString(QString("Payment for goods ").repeated(5));
  QApplication::sendEvent(QApplication::focusWidget(), &long_text);
  Tabs(2);  // a line without an account opens no more than its amounts
  Type("9999999999999.99");
  Tabs(2);
  At(1, Column::kExplanation);
  Type("x");
  Tabs(3);
  Type("=");
  Press(Qt::Key_Tab);
  QString largest = "9,999,999,999,999.99";
  EXPECT_TRUE(QTest::qWaitFor([&] { return Cell(1, Column::kCredit) == largest; }));
  QStringList painted = PaintedTexts(table->viewport()).texts;
  EXPECT_EQ(painted.count(largest), 2) << painted.join('|').toStdString();
  EXPECT_TRUE(std::any_of(painted.begin(), painted.end(), [](const QString& text) {
    return text.startsWith("Payment") && text.endsWith("…");
  })) << "a cut text ends in a mark";
  auto under = [table](const QLabel& total, Column column) {
    int c = static_cast<int>(column);
    int left = table->viewport()->mapToGlobal(QPoint(table->columnViewportPosition(c), 0)).x();
    QRect shown(total.mapToGlobal(QPoint(0, 0)), total.size());
    return shown.left() >= left && shown.right() < left + table->columnWidth(c) &&
           total.text() == "9,999,999,999,999.99";
  };
  const VoucherTable& grid = *window_->Panel().Grid();
  EXPECT_TRUE(under(grid.TotalLabel(VoucherTable::kDebitTotal), Column::kDebit));
  EXPECT_TRUE(under(grid.TotalLabel(VoucherTable::kCreditTotal), Column::kCredit));
}

// The grid's keys as the terminal has them: Enter through a list nobody touched books
// nothing; the arrows, Home, End and Ctrl-Home/End move between cells and lines; the number
// pad types digits and its Enter moves on; a bad amount is refused at once; Esc gives back
// what a cell held; a header box's text is replaced by what is typed.
TEST_F(QtVoucherTest, TheGridKeysMoveBetweenLinesTheNumberPadTypesAndEscRestores) {
  using voucher::Column;
  QTRY_COMPARE(QApplication::focusWidget(), Editor(Column::kExplanation));
  QTRY_VERIFY(Shown() != nullptr);  // the explanations, on entering
  Press(Qt::Key_Return);
  At(0, Column::kAccount);
  EXPECT_EQ(Cell(0, Column::kExplanation), "") << "Enter through an untouched list";
  window_->Panel().Boxes().HotTrace(false);
  Press(Qt::Key_Escape);
  Press(Qt::Key_End);
  At(0, Column::kCredit);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_1, Qt::KeypadModifier);
  Type("a");
  EXPECT_EQ(Status(), "贷方只能填金额：“1a”不是数字");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::KeypadModifier);
  EXPECT_EQ(Status(), "") << "the message goes with its cause";
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
  At(1, Column::kExplanation);
  EXPECT_EQ(Cell(0, Column::kCredit), "12.00");
  Press(Qt::Key_Up);
  At(0, Column::kExplanation);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ControlModifier);
  At(1, Column::kExplanation);
  Press(Qt::Key_Home);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home, Qt::ControlModifier);
  At(0, Column::kExplanation);
  Type("付款");
  Press(Qt::Key_Escape);
  EXPECT_EQ(Editor(Column::kExplanation)->text(), "") << "Esc: what the cell held";
  QLineEdit* attachments = window_->Panel().HeaderBox(voucher::HeaderField::kAttachments);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  QTRY_COMPARE(QApplication::focusWidget(), attachments);
  EXPECT_EQ(attachments->selectedText(), "0");
  Type("3");
  EXPECT_EQ(attachments->text(), "3") << "typed over, not appended";

  // Closing the window over changes asks: Cancel stays, Discard closes.
  for (auto button : {QMessageBox::Cancel, QMessageBox::Discard}) {
    window_->close();
    QTRY_VERIFY(Dialog() != nullptr);
    EXPECT_EQ(Dialog()->text(), voucher::kLeaveQuestion);
    QTest::mouseClick(static_cast<QWidget*>(Dialog()->button(button)), Qt::LeftButton);
    QTRY_COMPARE(Dialog(), nullptr);
    EXPECT_EQ(window_->isVisible(), button == QMessageBox::Cancel);
  }
}

// What was typed is on the disk once its cell is left: a form that ends without saving
// leaves it, and the next form offers it in a question.
TEST_F(QtVoucherTest, ADraftLeftByAFormThatEndedUnsavedIsOfferedAtTheNextStart) {
  Type("付货款");
  Press(Qt::Key_Tab);
  auto drafts = [] {
    int n = 0;
    for (const auto& file :
         std::filesystem::directory_iterator(voucher::DraftStore::DefaultFolder())) {
      n += file.path().extension() == ".draft";
    }
    return n;
  };
  ASSERT_EQ(drafts(), 1);
  window_.reset();
  OpenWindow({});
  QTRY_VERIFY(Dialog() != nullptr);
  EXPECT_EQ(Dialog()->text(), voucher::kDraftQuestion);
  EXPECT_EQ(Dialog()->button(QMessageBox::Yes)->text(), "是(&Y)") << "Qt's own words in Chinese";
  EXPECT_EQ(Dialog()->button(QMessageBox::No)->text(), "否(&N)");
  QTest::mouseClick(static_cast<QWidget*>(Dialog()->button(QMessageBox::Yes)), Qt::LeftButton);
  QTRY_COMPARE(Cell(0, voucher::Column::kExplanation), "付货款");
  EXPECT_EQ(Status(), "已恢复上次没有保存的凭证");
}

// The boxes on a ledger whose next call the test may hold, as a server that does not answer
// holds it, until the test lets it go on; a held call goes on by itself after a minute, so
// that a form that waits for it without a waiter fails the test rather than hanging it.
class QtWaitTest : public QtFormTest {
 protected:
  ~QtWaitTest() override {
    {
      std::lock_guard lock(mutex_);
      ended_ = true;
    }
    ended_cv_.notify_all();
    watchdog_.join();
  }
  void Register() override {
    auto reopen = [plan = plan_, path = ledger_] { return ledger::OpenFaultyLedger(path, plan); };
    auto service = std::make_shared<ledger::LedgerService>(reopen(), reopen);
    env_->Registry().Register(progid::kGLData, [service]() -> ObjectPtr { return service; });
    env_->Registry().Register(progid::kItemSet, [service]() -> ObjectPtr {
      return std::make_shared<ledger::LedgerItemSet>(service);
    });
  }
  void HoldNext() {
    LiveDataOf(GetGLData())->WaitForBackgroundWork();
    plan_->mode = ledger::FaultPlan::Mode::kHold;
    plan_->fail_at = plan_->calls + 1;
  }
  // Does act once happens, looked for as events are handled (in a wait as well).
  void When(std::function<bool()> happens, std::function<void()> act) {
    acted_ = false;
    timer_.callOnTimeout([this, happens, act] {
      if (acted_ || !happens()) return;
      acted_ = true;
      act();
    });
    timer_.start(5);
  }
  // Types keys; a wait in their handling is shown in the status bar.
  void Waiting(const std::function<void()>& keys) {
    keys();
    timer_.stop();
    timer_.disconnect();
    EXPECT_TRUE(acted_) << "no wait shown";
    QApplication::processEvents();  // what the wait left for the program's events
  }

  static constexpr const char* kLookingUp = "正在等待账套文件：查找科目…  Esc 放弃";
  std::shared_ptr<ledger::FaultPlan> plan_ = std::make_shared<ledger::FaultPlan>();
  QTimer timer_;
  bool acted_ = false;
  std::mutex mutex_;
  std::condition_variable ended_cv_;
  bool ended_ = false;
  std::thread watchdog_{[this] {
    std::unique_lock lock(mutex_);
    while (!ended_cv_.wait_for(lock, std::chrono::minutes(1), [this] { return ended_; })) {
      plan_->Release();
    }
  }};
};

// A look-up that waits: the status bar says so, the keys typed meanwhile reach no box and
// no shortcut until the answer comes, then do what they do in order.
TEST_F(QtWaitTest, AWaitIsShownAndTheKeysTypedMeanwhileGoOnInOrderOnceItEnds) {
  Type("100");
  HoldNext();
  When([&] { return Status() == kLookingUp; },
       [&] {
         Press(Qt::Key_Backspace);
         Press(Qt::Key_F2);  // a shortcut: listing on entering a box off, once handed on
         Type("2");
         EXPECT_EQ(Account()->text(), "1001");
         EXPECT_TRUE(window_->Boxes().HotTrace());
         plan_->Release();
       });
  Waiting([] { Type("1"); });
  QTRY_COMPARE(Account()->text(), "1002");
  EXPECT_FALSE(window_->Boxes().HotTrace());
  QTRY_COMPARE(window_->Boxes().NameBeside(1), "银行存款");
}

// The voucher on a copy of the sample ledger on the throwaway server (pg_cluster.sh), whose
// processes a test may stop (SIGSTOP), as a server that no longer answers; they go on
// (SIGCONT) at the end of every test, passed or failed.
class QtStoppedServerTest : public QtWaitTest {
 protected:
  QtStoppedServerTest() {
    page_ = FormPanel::Page::kVoucher;
    qputenv("XDG_STATE_HOME", scratch_.filePath("state").toUtf8());
  }
  ~QtStoppedServerTest() override { qunsetenv("XDG_STATE_HOME"); }
  void Register() override {
    const char* dir = getenv("GLNAMELIST_PG_DIR");
    if (!dir) GTEST_SKIP() << "no test server: run under pg_cluster.sh";
    std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(getenv("GLNAMELIST_PG_SERVER")),
                                                      PQfinish);
    PQclear(PQexec(conn.get(), "DROP DATABASE IF EXISTS stopped"));
    PQclear(PQexec(conn.get(), "CREATE DATABASE stopped"));
    ledger_ = "host=" + std::string(dir) + " user=postgres dbname=stopped";
    ledger::CopyLedger(GLNAMELIST_SAMPLE_LEDGER, ledger_, false, false);
    ledger::RegisterLedger(env_->Registry(), ledger_);
  }
  void TearDown() override {
    Resume();
    QtWaitTest::TearDown();
  }
  // The postmaster and its children, found in /proc.
  void Freeze() {
    std::ifstream pid_file(std::string(getenv("GLNAMELIST_PG_DIR")) + "/data/postmaster.pid");
    pid_t postmaster = 0;
    ASSERT_TRUE(pid_file >> postmaster);
    stopped_ = {postmaster};
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
      std::ifstream stat(entry.path() / "stat");
      std::string line;
      if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) continue;
      std::istringstream after(line.substr(line.rfind(')') + 1));
      std::string state;
      pid_t parent = 0;
      if (after >> state >> parent && parent == postmaster) {
        stopped_.push_back(std::stoi(entry.path().filename().string()));
      }
    }
    for (pid_t pid : stopped_) ASSERT_EQ(kill(pid, SIGSTOP), 0);
  }
  void Resume() {
    for (pid_t pid : stopped_) kill(pid, SIGCONT);
    stopped_.clear();
  }

  std::vector<pid_t> stopped_;
};

// A look-up on a stopped server waits visibly; Esc gives it up at once and the next key,
// the server going on, reads through a new connection; closing the window in a wait asks
// about the voucher's changes, then closes it, while the server is still stopped.
TEST_F(QtStoppedServerTest, AWaitIsGivenUpByEscAndTheWindowClosesAfterItsQuestionMeanwhile) {
  const QString waiting = "正在等待账套服务器：查找科目…  Esc 放弃";
  Type("付货款");
  Press(Qt::Key_Tab);
  QTRY_COMPARE(QApplication::focusWidget(), Account());
  Press(Qt::Key_F2);  // no listing: each code typed is looked up on the server
  Type("100");
  LiveDataOf(GetGLData())->WaitForBackgroundWork();
  Freeze();
  When([&] { return Status() == waiting; }, [&] { Press(Qt::Key_Escape); });
  Waiting([] { Type("1"); });
  QTRY_COMPARE(Status(), "已放弃等待账套的回应，按任意键重试");
  Resume();
  Press(Qt::Key_Backspace);
  Type("2");
  QTRY_COMPARE(window_->Boxes().NameBeside(1), "银行存款");

  Freeze();
  QElapsedTimer clock;
  When([&] { return Status() == waiting; },
       [&] {
         clock.start();
         window_->close();
       });
  Waiting([] {
    Press(Qt::Key_Backspace);
    Type("1");
  });
  QTRY_VERIFY(Dialog() != nullptr);
  EXPECT_EQ(Dialog()->text(), voucher::kLeaveQuestion) << "the voucher's changes asked for";
  std::fprintf(stderr, "the question came %lld ms after the window was closed\n",
               static_cast<long long>(clock.elapsed()));
  clock.start();
  QTest::mouseClick(static_cast<QWidget*>(Dialog()->button(QMessageBox::Discard)), Qt::LeftButton);
  QTRY_VERIFY(!window_->isVisible());
  std::fprintf(stderr, "and the window closed %lld ms after the answer\n",
               static_cast<long long>(clock.elapsed()));
  EXPECT_FALSE(stopped_.empty()) << "the server still stopped";
}

}  // namespace
}  // namespace glnamelist::qt
