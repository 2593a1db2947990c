// The desktop list on a generated ledger of 1,000,000 accounts, offscreen: F8 in an account
// line edit holding "1002." until the popup under it has painted itself for the first time
// (its banks, rows on request), against the component's own share of that: the same
// keystroke through GLNameList on a list control that draws nothing and asks for as many
// rows as the popup painted.
//
//   QtPopupF8      key press -> popup painted (the rows asked for while painting)
//   ComponentF8    key message -> the same number of rows handed to the bare list
//
// Both are warm: untimed keystrokes first, so that the component has built and cached the
// rows and Qt has loaded its fonts. The clock the component's repeat guard reads moves a
// second per reading, so that no keystroke falls under the guard. A table after the runs
// gives the medians and the share.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "apps/glledger/generator.h"
#include "component/gl_name_list.h"
#include "contracts/prog_ids.h"
#include "ledger/register_ledger.h"
#include "platform/environment.h"
#include "platform/register_platform.h"
#include "qt/line_edit_box.h"
#include "qt/qt_controls.h"
#include "qt/qt_name_list.h"
#include "services/library_services.h"

namespace gl = glnamelist;
using Clock = std::chrono::steady_clock;

namespace {

constexpr long kAccounts = 1'000'000;
constexpr int kWarmUp = 5;

// A list control that draws nothing: dropping down, it asks for the rows a popup paints.
class BareList : public gl::listkit::NameListBase {
 public:
  explicit BareList(long rows)
      : NameListBase(std::weak_ptr<gl::listkit::ListForm>()), rows_(rows) {}

 protected:
  long PageRows() const override { return rows_; }
  void OnShow(bool) override {
    for (long r = 1; r <= std::min(rows_, Rows().Rows()); ++r) MutableRows().Fetch(r);
  }
  void OnHide() override {}
  void OnSelect() override {}

 private:
  long rows_;
};

// Counts the paintings of the popup's rows.
struct Paints : QObject {
  int count = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    count += event->type() == QEvent::Paint ? 1 : 0;
    return false;
  }
};

struct Desk {
  std::shared_ptr<gl::platform::PlatformEnvironment> env;
  std::unique_ptr<QWidget> window;
  QLineEdit* line = nullptr;
  std::shared_ptr<gl::GLNameList> qt_list;
  gl::TextBoxPtr bare_box;
  std::shared_ptr<gl::GLNameList> bare_list;
  Paints paints;
  long painted_rows = 0;
  long listed_rows = 0;
  std::vector<double> qt_ms, component_ms;
};
Desk* g_desk = nullptr;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Presses key in the line edit.
void Press(Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(g_desk->line, &press);
}

// F8 on "1002." until the popup has painted; the time taken.
Clock::duration PopupF8() {
  Press(Qt::Key_Escape);
  g_desk->line->setText("1002.");
  g_desk->paints.count = 0;
  Clock::time_point start = Clock::now();
  Press(Qt::Key_F8);
  while (g_desk->paints.count == 0) QApplication::processEvents();
  return Clock::now() - start;
}

Clock::duration ComponentF8() {
  gl::platform::SetWindowText(g_desk->bare_box->hWnd(), "1002.");
  Clock::time_point start = Clock::now();
  gl::platform::SendMessage(g_desk->bare_box->hWnd(), gl::WM_KEYDOWN, gl::VK_F8, 0);
  return Clock::now() - start;
}

void QtPopupF8(benchmark::State& state) {
  for (auto _ : state) {
    Clock::duration took = PopupF8();
    g_desk->qt_ms.push_back(Ms(took));
    state.SetIterationTime(std::chrono::duration<double>(took).count());
  }
}

void ComponentShare(benchmark::State& state) {
  for (auto _ : state) {
    Clock::duration took = ComponentF8();
    g_desk->component_ms.push_back(Ms(took));
    state.SetIterationTime(std::chrono::duration<double>(took).count());
  }
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

// The account box in a window, its Qt list warmed up, and the bare list over a box of the
// platform's own.
void SetUp(Desk& desk, const std::string& ledger) {
  desk.env = gl::platform::InstallPlatformEnvironment();
  desk.env->SystemClock().SetSource([t = 0.0f]() mutable { return t += 1; });
  gl::ledger::RegisterLedger(desk.env->Registry(), ledger);
  gl::qt::RegisterQtControls(*desk.env, std::make_shared<gl::qt::LineEditForm>(), true);
  desk.window = std::make_unique<QWidget>();
  desk.line = new QLineEdit(desk.window.get());
  desk.line->setFixedWidth(320);
  desk.window->resize(360, 400);
  desk.window->show();
  desk.line->setFocus();
  desk.qt_list = std::make_shared<gl::GLNameList>();
  gl::TextBoxPtr box = std::make_shared<gl::qt::LineEditBox>(desk.line);
  desk.qt_list->Attach(box, gl::nlAccount);
  // The popup exists from the first drop-down on.
  desk.line->setText("1002.");
  Press(Qt::Key_F8);
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* popup = dynamic_cast<gl::qt::ListPopup*>(w)) {
      popup->View()->viewport()->installEventFilter(&desk.paints);
      desk.painted_rows = popup->PageRows();
      desk.listed_rows = popup->View()->model()->rowCount();
    }
  }
  for (int i = 0; i < kWarmUp; ++i) PopupF8();
  long rows = desk.painted_rows;
  desk.env->Registry().Register(gl::progid::kNameList, [rows]() -> gl::ObjectPtr {
    return std::make_shared<BareList>(rows);
  });
  desk.bare_box = gl::platform::CreateTextBox();
  desk.bare_list = std::make_shared<gl::GLNameList>();
  desk.bare_list->Attach(desk.bare_box, gl::nlAccount);
  for (int i = 0; i < kWarmUp; ++i) ComponentF8();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  std::string ledger = (std::filesystem::temp_directory_path() /
                        ("qt-popup-bench-" + std::to_string(getpid()) + ".ledger"))
                           .string();
  gl::ledger::GenerateOptions options;
  options.accounts = kAccounts;
  options.items = 1000;
  options.progress = false;
  Clock::time_point start = Clock::now();
  gl::ledger::GenerateLedger(options, ledger);
  std::printf("Generated %ld accounts in %.2f s\n", kAccounts, Ms(Clock::now() - start) / 1000);

  Desk desk;
  g_desk = &desk;
  start = Clock::now();
  SetUp(desk, ledger);
  std::printf("Opened the ledger and warmed up in %.2f s\n", Ms(Clock::now() - start) / 1000);
  using Case = void (*)(benchmark::State&);
  const std::pair<const char*, Case> cases[] = {{"QtPopupF8", QtPopupF8},
                                                {"ComponentF8", ComponentShare}};
  for (auto [name, fn] : cases) {
    benchmark::RegisterBenchmark(name, fn)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(50)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  double qt = Median(desk.qt_ms);
  double component = Median(desk.component_ms);
  std::printf(
      "\nF8 on \"1002.\" at %ld accounts, %ld rows listed, popup painted (%ld rows): median "
      "%.2f ms (goal 16 ms)\n"
      "  the component's share (listing + %ld rows, no drawing): median %.2f ms (%.0f%%)\n",
      kAccounts, desk.listed_rows, desk.painted_rows, qt, desk.painted_rows, component,
      qt > 0 ? 100 * component / qt : 0);

  desk.bare_list.reset();
  desk.qt_list.reset();
  desk.window.reset();
  gl::ResetLibraryServices();
  gl::SetEnv(nullptr);
  std::filesystem::remove(ledger);
  return 0;
}
