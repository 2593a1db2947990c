// The terminal voucher form's start and first uses on a generated ledger of 1,000,000
// accounts and 1,000,000 items, in-process on an in-memory screen of 30 x 100: what a
// person waits for between a key and the screen that answers it.
//
//   first usable screen   ledger opened, the form painted, its master data being read in
//                         the background
//   every list attached   when the last box's list is attached (shown, not a goal)
//   all master data in    when the items of every class are read too (shown, not a goal);
//                         the first uses are timed from here, as a person meets them
//   "." on 1002           the children of a parent account, listed by the point
//   F9 "YH"               an account search that ends in the helper codes
//   focus on the items    the items of the first class, listed as the box gains focus
//
// Each is timed the first time and again (the same keys once more), in three fresh starts
// of the form over the same file; the medians are printed with the goals. Then the peak
// memory of the first start (one form, as a person runs it) against the size of the ledger
// file. The ledger is generated once
// into the folder of this program and kept for later runs.
//
//   form_startup_bench [--ledger PATH]   (benchmark flags are ignored)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "apps/glledger/generator.h"
#include "apps/voucher/open_ledger.h"
#include "apps/voucher/tui/voucher_form.h"
#include "apps/voucher/voucher_boxes.h"
#include "contracts/environment.h"
#include "contracts/virtual_keys.h"
#include "ledger/ledger_service.h"
#include "ledger/list_preload.h"
#include "ledger/register_ledger.h"
#include "platform/environment.h"
#include "services/library_services.h"
#include "tui/screen.h"
#include "tui/terminal_controls.h"

namespace gl = glnamelist;
using Clock = std::chrono::steady_clock;

namespace {

constexpr long kAccounts = 1000000;
constexpr long kItems = 1000000;
constexpr int kStarts = 3;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

// One start of the form: the platform, the ledger's service and the form over a screen.
class Desk {
 public:
  explicit Desk(const std::string& ledger) : ledger_(ledger) {}
  ~Desk() {
    form_.reset();
    gl::ResetLibraryServices();
    gl::SetEnv(nullptr);
  }

  // Opens the ledger, starts reading its master data, attaches what is ready and paints the
  // form, as the terminal form starts.
  void Start() {
    env_ = gl::platform::InstallPlatformEnvironment();
    // Each reading a second later: no key falls under the repeat guard.
    env_->SystemClock().SetSource([t = 0.0f]() mutable { return t += 1; });
    gl::ledger::RegisterLedger(env_->Registry(), ledger_);
    ready_ =
        gl::ledger::PreloadLists(gl::voucher::OpenLedger(), gl::voucher::VoucherBoxes::ListKinds());
    form_ = std::make_unique<gl::tui::VoucherForm>(*env_, screen_, "bench");
    gl::tui::RegisterTerminalControls(*env_, form_->Form(), form_->Host(), nullptr);
    waiting_ = !form_->AttachLists(ready_);
    form_->Paint();
  }
  // Looks for lists to attach as the form's loop does, until every one is.
  void AttachAll() {
    while (waiting_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      waiting_ = !form_->AttachLists(ready_);
    }
    form_->Paint();
  }
  // Waits until the data service has read and prepared in the background all it set out to
  // (the items of every class too).
  void WaitForData() {
    std::dynamic_pointer_cast<gl::ledger::LedgerService>(gl::GetGLData())->WaitForBackgroundWork();
  }

  void Type(const std::string& text) {
    for (char c : text) Key(gl::tui::KeyPress::kChar, static_cast<unsigned char>(c));
  }
  void Key(gl::tui::KeyPress::Kind kind, long code) { form_->Handle({kind, code}); }
  // The time of one key and the painting of its answer.
  double Timed(gl::tui::KeyPress::Kind kind, long code) {
    Clock::time_point start = Clock::now();
    Key(kind, code);
    form_->Paint();
    return Ms(Clock::now() - start);
  }

 private:
  std::string ledger_;
  gl::tui::CellScreen screen_{30, 100};
  std::shared_ptr<gl::platform::PlatformEnvironment> env_;
  std::unique_ptr<gl::tui::VoucherForm> form_;
  gl::ledger::ListReady ready_;
  bool waiting_ = false;
};

// The keys of one measure, starting from the form as the previous measure left it; returns
// the time of the key that is measured.
struct Measure {
  const char* name;
  double goal_ms;
  std::function<double(Desk&)> run;
};

const std::vector<Measure>& FirstUses() {
  using K = gl::tui::KeyPress;
  static const std::vector<Measure> measures = {
      {"\".\" on parent account 1002", 100,
       [](Desk& d) {
         d.Type("1002");
         double ms = d.Timed(K::kChar, '.');
         d.Type(std::string(5, '\b'));
         return ms;
       }},
      {"F9 \"YH\" in the account box", 100,
       [](Desk& d) {
         d.Type("YH");
         double ms = d.Timed(K::kKey, gl::VK_F9);
         d.Key(K::kChar, gl::VK_ESCAPE);
         d.Type(std::string(2, '\b'));
         return ms;
       }},
      {"focus on the items of class 1", 100,
       [](Desk& d) {
         d.Type("\t\t");  // the currency box, then the item-class box
         d.Key(K::kKey, gl::VK_F8);
         d.Type("\r");  // the first class, chosen; the focus stays
         double ms = d.Timed(K::kChar, '\t');
         d.Key(K::kBackTab, 0);
         d.Key(K::kBackTab, 0);
         d.Key(K::kBackTab, 0);  // back to the account box
         return ms;
       }},
  };
  return measures;
}

long PeakMemoryBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss * 1024L;
}

std::string DefaultLedger(const char* program) {
  auto dir = std::filesystem::absolute(program).parent_path();
  return (dir / "form_startup_bench.ledger").string();
}

}  // namespace

int main(int argc, char** argv) {
  std::string ledger = DefaultLedger(argv[0]);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ledger") == 0 && i + 1 < argc) ledger = argv[++i];
  }
  if (!std::filesystem::exists(ledger)) {
    // In a process of its own, so that the peak memory measured below is the form's alone.
    Clock::time_point start = Clock::now();
    pid_t child = fork();
    if (child == 0) {
      gl::ledger::GenerateOptions options;
      options.accounts = kAccounts;
      options.items = kItems;
      options.progress = false;
      gl::ledger::GenerateLedger(options, ledger);
      _exit(0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "form_startup_bench: could not generate %s\n", ledger.c_str());
      return 1;
    }
    std::printf("Generated %ld accounts and %ld items in %.1f s: %s\n", kAccounts, kItems,
                Ms(Clock::now() - start) / 1000, ledger.c_str());
  }

  std::vector<double> start_ms, attached_ms, data_ms;
  long peak_bytes = 0;
  std::map<std::string, std::vector<double>> first, again;
  for (int s = 0; s < kStarts; ++s) {
    Desk desk(ledger);
    Clock::time_point start = Clock::now();
    desk.Start();
    start_ms.push_back(Ms(Clock::now() - start));
    desk.AttachAll();
    attached_ms.push_back(Ms(Clock::now() - start));
    desk.WaitForData();
    data_ms.push_back(Ms(Clock::now() - start));
    desk.Type("\t");  // from the explanation box to the account box
    for (const Measure& m : FirstUses()) first[m.name].push_back(m.run(desk));
    for (const Measure& m : FirstUses()) again[m.name].push_back(m.run(desk));
    if (s == 0) peak_bytes = PeakMemoryBytes();  // of one form, as a person runs it
  }

  auto row = [](const char* name, double ms, double again_ms, double goal) {
    std::printf("%-34s %10.1f %10s %8.0f   %s\n", name, ms,
                again_ms < 0 ? "" : std::to_string(again_ms).substr(0, 6).c_str(), goal,
                ms <= goal ? "met" : "NOT met");
  };
  std::printf("\nmedians of %d starts on %s\n", kStarts, ledger.c_str());
  std::printf("%-34s %10s %10s %8s\n", "measure", "first ms", "again ms", "goal ms");
  row("first usable screen of the form", Median(start_ms), -1, 500);
  std::printf("%-34s %10.1f\n", "every list attached", Median(attached_ms));
  std::printf("%-34s %10.1f\n", "all master data read and prepared", Median(data_ms));
  for (const Measure& m : FirstUses()) {
    row(m.name, Median(first[m.name]), Median(again[m.name]), m.goal_ms);
  }
  double file_mb = static_cast<double>(std::filesystem::file_size(ledger)) / 1e6;
  double peak_mb = static_cast<double>(peak_bytes) / 1e6;
  std::printf("%-34s %7.0f MB for a %.0f MB ledger file: %.2fx (goal <= 1.5x) %s\n",
              "peak memory of the form", peak_mb, file_mb, peak_mb / file_mb,
              peak_mb <= 1.5 * file_mb ? "met" : "NOT met");
  return 0;
}
