// The fault walk, after LevelDB's fault-injection tests: the voucher form's scripted run
// (open the ledger, read its lists in the background, list, search, the name beside a box,
// an item class's items, quit) over a ledger that fails its Nth database call, for every N
// that the run makes, on a file and on the server. At each N: no hang and no crash, a
// message that names the cause wherever the fault shows, never a row of wrong data nor an
// unknown code, and the step tried again once the fault has passed works.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "apps/glledger/ledger_copy.h"
#include "apps/voucher/error_text.h"
#include "apps/voucher/tui/voucher_form.h"
#include "apps/voucher/voucher_boxes.h"
#include "contracts/prog_ids.h"
#include "contracts/text.h"
#include "contracts/virtual_keys.h"
#include "ledger/item_set.h"
#include "ledger/ledger_service.h"
#include "ledger/list_preload.h"
#include "services/library_services.h"
#include "tests/ledger/faulty_ledger.h"
#include "tui/terminal_controls.h"

namespace glnamelist::ledger {
namespace {

using tui::KeyPress;

enum class Backend { kFile, kServer };

// The rows the script expects, as the sample ledger holds them.
const std::map<std::string, std::string> kBanks = {{"1002.01", "银行存款_工商银行"},
                                                   {"1002.02", "银行存款_建设银行"},
                                                   {"1002.03", "银行存款_农业银行"},
                                                   {"1002.04", "银行存款_中国银行"},
                                                   {"1002.05", "银行存款_招商银行"}};

// A libpq string for the test server's database, with an application name of its own so that
// its connections can be cut.
constexpr const char* kApplication = "fault-walk";

std::string Encoded(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    out += std::isalnum(c) ? std::string(1, c) : std::string{'%', kHex[c >> 4], kHex[c & 15]};
  }
  return out;
}

// Runs sql as the test server's superuser.
void RunOnServer(const std::string& sql) {
  std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(getenv("GLNAMELIST_PG_SERVER")),
                                                    PQfinish);
  std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(conn.get(), sql.c_str()), PQclear);
  ExecStatusType status = PQresultStatus(result.get());
  ASSERT_TRUE(status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
      << PQerrorMessage(conn.get());
}

// One run of the form: its ledger, service and screen.
class FormRun {
 public:
  FormRun(const std::string& location, std::shared_ptr<FaultPlan> plan)
      : location_(location), plan_(std::move(plan)) {
    env_ = platform::InstallPlatformEnvironment();
    env_->SystemClock().SetSource([t = 0.0f]() mutable { return t += 1; });
  }
  ~FormRun() {
    form_.reset();
    service_.reset();
    ResetLibraryServices();
    SetEnv(nullptr);
  }

  // Opens the ledger: the error's text for the person, empty once open.
  std::string Open() {
    try {
      LedgerLimits limits;
      limits.lock_wait = std::chrono::milliseconds(20);
      service_ = std::make_shared<LedgerService>(OpenFaultyLedger(location_, plan_, limits));
    } catch (const std::exception& e) {
      return voucher::LedgerErrorText(location_, e);
    }
    std::shared_ptr<LedgerService> service = service_;
    env_->Registry().Register(progid::kGLData, [service]() -> ObjectPtr { return service; });
    env_->Registry().Register(progid::kItemSet, [service]() -> ObjectPtr {
      return std::make_shared<LedgerItemSet>(service);
    });
    form_ = std::make_unique<tui::VoucherForm>(*env_, screen_, location_);
    tui::RegisterTerminalControls(*env_, form_->Form(), form_->Host(), nullptr);
    ready_ = PreloadLists(service_, voucher::VoucherBoxes::ListKinds());
    return "";
  }

  // Attaches every list whose data is in, once the background has read all it set out to.
  void Attach() {
    for (int i = 0; i < 20 && form_->ListsWaiting(); ++i) {
      service_->WaitForBackgroundWork();
      form_->AttachLists(ready_);
    }
    service_->WaitForBackgroundWork();  // the items of the classes, posted meanwhile
  }
  bool AllAttached() const {
    for (size_t i = 0; i < Boxes().Count(); ++i) {
      if (!Boxes().HasList(i)) return false;
    }
    return true;
  }

  voucher::VoucherBoxes& Boxes() const {
    return *std::dynamic_pointer_cast<voucher::VoucherBoxes>(form_->Form().lock());
  }
  void Type(const std::string& text) {
    for (size_t at = 0; at < text.size();) {
      text::Decoded d = text::DecodeAt(text, at);
      form_->Handle({KeyPress::kChar, static_cast<long>(d.code)});
      at += d.length;
    }
  }
  void Key(long vk) { form_->Handle({KeyPress::kKey, vk}); }
  void Escape() { form_->Handle({KeyPress::kChar, VK_ESCAPE}); }
  void Clear() { Type(std::string(12, '\b')); }
  // Moves the focus to box i with Tab and Shift-Tab.
  void Focus(size_t box) {
    while (focus_ < box) Type("\t"), ++focus_;
    while (focus_ > box) form_->Handle({KeyPress::kBackTab, 0}), --focus_;
  }
  const std::string& Screen() {
    form_->Paint();
    text_ = screen_.Text();
    return text_;
  }
  bool Shows(const std::string& text) { return Screen().find(text) != std::string::npos; }

 private:
  std::string location_;
  std::shared_ptr<FaultPlan> plan_;
  std::shared_ptr<platform::PlatformEnvironment> env_;
  std::shared_ptr<LedgerService> service_;
  tui::CellScreen screen_{24, 80};
  std::unique_ptr<tui::VoucherForm> form_;
  ListReady ready_;
  size_t focus_ = 0;
  std::string text_;
};

// A step of the script: what it does, and whether the form then shows what the ledger holds.
struct Step {
  const char* name;
  std::function<void(FormRun&)> act;
  std::function<bool(FormRun&)> done;
};

const std::vector<Step>& Script() {
  static const std::vector<Step> steps = {
      {"the lists attached as their data comes in", [](FormRun& f) { f.Attach(); },
       [](FormRun& f) { return f.AllAttached(); }},
      {"a point lists the children of 1002",
       [](FormRun& f) {
         f.Focus(1);
         f.Escape();
         f.Clear();
         f.Type("1002.");
       },
       [](FormRun& f) {
         bool all = f.Shows("共 5 行");
         for (const auto& [code, name] : kBanks) all = all && f.Shows(code + "  " + name);
         return all;
       }},
      {"F9 finds the banks by name",
       [](FormRun& f) {
         f.Escape();
         f.Clear();
         f.Type("银行");
         f.Key(VK_F9);
       },
       [](FormRun& f) { return f.Shows("查找结果") && f.Shows("共 7 行"); }},
      {"the name beside a code typed and left",
       [](FormRun& f) {
         f.Focus(1);
         f.Escape();
         f.Clear();
         f.Type("1002.01");
         f.Focus(2);
       },
       [](FormRun& f) { return f.Shows("[1002.01 ") && f.Shows("] 银行存款_工商银行"); }},
      {"an item class's items by a point",
       [](FormRun& f) {
         f.Focus(3);
         f.Escape();
         f.Clear();
         f.Type("002");
         f.Focus(4);
         f.Escape();
         f.Clear();
         f.Type("01.");
       },
       [](FormRun& f) { return f.Shows("宝山钢铁股份有限公司") && f.Shows("中国铝业公司"); }},
  };
  return steps;
}

// Every code of kBanks the screen shows stands beside its own name, never another's; no
// code the ledger holds is called unknown.
void ExpectNoWrongData(const std::string& screen, const std::string& where) {
  static const std::regex shown(R"((1002\.0[1-5])\s+(?:\]\s+)?(\S+))");
  for (std::sregex_iterator it(screen.begin(), screen.end(), shown), end; it != end; ++it) {
    const std::string& name = (*it)[2];
    if (name.starts_with("银行存款")) {
      EXPECT_EQ(name, kBanks.at((*it)[1])) << where;
    }
  }
  EXPECT_EQ(screen.find("不存在"), std::string::npos) << where << "\n" << screen;
}

class FaultWalkTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == Backend::kFile) {
      location_ = dir_ + "/walk.ledger";
      std::filesystem::copy_file(GLNAMELIST_SAMPLE_LEDGER, location_,
                                 std::filesystem::copy_options::overwrite_existing);
      return;
    }
    if (!getenv("GLNAMELIST_PG_DIR")) GTEST_SKIP() << "no test server: run under pg_cluster.sh";
    RunOnServer("DROP DATABASE IF EXISTS fault_walk");
    RunOnServer("CREATE DATABASE fault_walk");
    const std::string server =
        "postgresql://postgres@" + Encoded(getenv("GLNAMELIST_PG_DIR")) + "/fault_walk";
    CopyLedger(GLNAMELIST_SAMPLE_LEDGER, server, false, false);
    location_ = server + "?application_name=" + kApplication;
  }

  // The plan of the run that fails call n: on a file a lock or a load cut off half-way, on
  // the server a connection dropped under the call or a load cut off.
  std::shared_ptr<FaultPlan> PlanFailing(long n) const {
    auto plan = std::make_shared<FaultPlan>();
    plan->fail_at = n;
    const bool cut = n % 2 == 0;
    if (GetParam() == Backend::kFile) {
      plan->mode = cut ? FaultPlan::Mode::kCut : FaultPlan::Mode::kFail;
      plan->fault = Fault::kLocked;
    } else {
      plan->mode = cut ? FaultPlan::Mode::kCut : FaultPlan::Mode::kDrop;
      plan->fault = Fault::kLost;
      plan->drop = [] {
        RunOnServer(
            "SELECT pg_terminate_backend(pid, 60000) FROM pg_stat_activity WHERE "
            "application_name = '" +
            std::string(kApplication) + "'");
      };
    }
    return plan;
  }

  // The cause the form must name for the fault of this backend.
  std::string Cause() const {
    return GetParam() == Backend::kFile ? "账套文件被其他程序锁住了（" : "与账套服务器的连接断了（";
  }

  const std::string dir_ = ::testing::TempDir();
  std::string location_;
};

TEST_P(FaultWalkTest, EveryDatabaseCallOfTheFormsRunFailsInTurnAndTheFormTellsAndRecovers) {
  // The run without a fault: every step as the ledger holds it, and the calls it makes.
  long calls = 0;
  {
    auto plan = std::make_shared<FaultPlan>();
    FormRun run(location_, plan);
    ASSERT_EQ(run.Open(), "");
    for (const Step& step : Script()) {
      step.act(run);
      ASSERT_TRUE(step.done(run)) << step.name << "\n" << run.Screen();
    }
    calls = plan->calls;
  }
  ASSERT_GT(calls, 20);
  std::printf("the run makes %ld database calls; each fails in turn\n", calls);

  for (long n = 1; n <= calls; ++n) {
    std::shared_ptr<FaultPlan> plan = PlanFailing(n);
    FormRun run(location_, plan);
    const std::string at = "fault at call " + std::to_string(n);
    if (std::string refused = run.Open(); !refused.empty()) {
      EXPECT_NE(refused.find(Cause()), std::string::npos) << at << ": " << refused;
      ASSERT_EQ(run.Open(), "") << at << ": opened again";
    }
    for (const Step& step : Script()) {
      const std::string where = at + ", " + step.name;
      step.act(run);
      if (!step.done(run)) {
        EXPECT_EQ(plan->injected, 1) << where << ": fails without a fault\n" << run.Screen();
        EXPECT_NE(run.Boxes().Status().find(Cause()), std::string::npos)
            << where << ": the cause: " << run.Boxes().Status() << "\n"
            << run.Screen();
        ExpectNoWrongData(run.Screen(), where);
        run.Key(VK_RIGHT);  // the next key, once the fault has passed
        step.act(run);
        EXPECT_TRUE(step.done(run)) << where << ": tried again\n" << run.Screen();
      }
      ExpectNoWrongData(run.Screen(), where);
    }
    EXPECT_EQ(plan->injected, 1) << at << ": the calls the run made: " << plan->calls;
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, FaultWalkTest,
                         ::testing::Values(Backend::kFile, Backend::kServer), [](const auto& info) {
                           return info.param == Backend::kFile ? "File" : "Server";
                         });

}  // namespace
}  // namespace glnamelist::ledger
