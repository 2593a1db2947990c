// The terminal voucher form's start and first uses on a generated ledger (1,000,000 accounts
// and 1,000,000 items unless told otherwise), in-process on an in-memory screen of 30 x 100:
// what a person waits for between a key and the screen that answers it.
//
//   first usable screen   ledger opened, the form painted, its master data being read in
//                         the background (or taken from the ledger's snapshot); a server
//                         ledger with a snapshot is still being connected to
//   every list attached   when the last box's list is attached: no box says its list is
//                         loading any more
//   all master data in    when the items of every class are read too, and a snapshot is
//                         written when there was none (shown, not a goal); the first uses
//                         are timed from here, as a person meets them
//   ..., at once          the first two uses below, made as soon as every list is attached:
//                         on a cold start, answered by the ledger file while the account
//                         set is being read
//   "." on 1002           the children of a parent account, listed by the point
//   F9 "YH"               an account search that ends in the helper codes
//   focus on the items    the items of the first class, listed as the box gains focus
//
// SQLite's figure beside them: the same master data (the sets the lists attach, then the
// items of every class) read with SQLite alone, every row stepped and its values taken, in a
// process of its own: the floor of a cold start that reads the ledger. Each start's figure
// is printed as a ratio to it (below 1: faster than SQLite reading the rows).
//
// Each start runs in a process of its own: first cold ones (the snapshot removed, so that
// the form reads the ledger and writes a new snapshot), then warm ones that find it, then one
// after a colleague changed accounts, whose snapshot is behind the ledger and caught up as it
// is used. Each use is timed the first time and again (the same keys once more). Then the
// resident memory after the first uses, and the peak, against the size of the ledger file.
// Every goal is printed with whether it is met; a start's goals are a warm start's (a cold
// one happens once per ledger and machine, and is set beside SQLite reading the rows), but
// for every list attached, which a cold start has a goal of its own for: 1 s, 3 s at 10M.
//
// With --server (under tests/ledger/pg_cluster.sh, which names the server), the ledger is
// also copied onto the server and the same starts are made there; a server's start is set
// beside the file's: with a snapshot as fast as a file with one once the server's own login
// is set aside (within the noise of this machine, 1.25x; the login, what a bare libpq
// connection of a fresh program takes on this server, is measured in the same run), without
// one within 1.5x of the file (a SQLite ledger). The warm starts compared are made in turn
// (the file's, a bare login, the server's) and compared round by round. Beside SQLite reading
// the rows, the server's own floor is shown: the server alone handing the same rows over.
//
// Cold figures, SQLite's and the login's are medians too: a cold start moved by 1.4x between
// runs of this machine, SQLite reading the rows by 1.7x. SQLite reads the rows just before
// each cold start, and a cold start's ratio to SQLite is the median of those pairs: what
// slows this machine for a while slows both.
//
// The ledger is generated once into the folder of this program and kept for later runs.
//
//   form_startup_bench [--accounts N] [--items N] [--ledger PATH] [--server]
//   (benchmark flags are ignored)
#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "apps/glledger/generator.h"
#include "apps/glledger/ledger_copy.h"
#include "apps/voucher/open_ledger.h"
#include "apps/voucher/tui/voucher_form.h"
#include "apps/voucher/voucher_boxes.h"
#include "bench/server_database.h"
#include "contracts/environment.h"
#include "contracts/virtual_keys.h"
#include "ledger/db/ledger_session.h"
#include "ledger/ledger_at.h"
#include "ledger/ledger_service.h"
#include "ledger/list_preload.h"
#include "ledger/register_ledger.h"
#include "ledger/snapshot.h"
#include "platform/environment.h"
#include "services/library_services.h"
#include "tui/screen.h"
#include "tui/terminal_controls.h"

namespace gl = glnamelist;
using Clock = std::chrono::steady_clock;

namespace {

// Enough for a median that the noise of a 2-core machine moves little.
constexpr int kColdStarts = 3;
constexpr int kRounds = 7;
constexpr int kWarmStarts = 7;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

// The median of what field (a callable or a pointer to a member) gives of each of figures.
template <class Figures, class Field>
double MedianOf(const std::vector<Figures>& figures, Field field) {
  std::vector<double> v;
  for (const Figures& f : figures) v.push_back(std::invoke(field, f));
  return Median(v);
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

  // Opens the ledger (a server's with a snapshot while the form appears), starts reading its
  // master data, attaches what is ready and paints the form, as the terminal form starts.
  void Start() {
    env_ = gl::platform::InstallPlatformEnvironment();
    // Each reading a second later: no key falls under the repeat guard.
    env_->SystemClock().SetSource([t = 0.0f]() mutable { return t += 1; });
    gl::ledger::RegisterLedger(env_->Registry(), ledger_);
    ready_ = gl::ledger::PreloadLists(gl::voucher::StartLedger(),
                                      gl::voucher::VoucherBoxes::ListKinds());
    form_ = std::make_unique<gl::tui::VoucherForm>(*env_, screen_, "bench");
    gl::tui::RegisterTerminalControls(*env_, form_->Form(), form_->Host(), nullptr);
    changes_ = gl::ledger::WatchLists(gl::GetGLData());
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
  // New lists for the boxes whose sets came in meanwhile, as the form's loop makes them.
  void WaitForData() {
    gl::LiveDataOf(gl::GetGLData())->WaitForBackgroundWork();
    form_->DataChanged(changes_());
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
  gl::ledger::ListChanges changes_;
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

long ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * sysconf(_SC_PAGESIZE);
}

// What one start measured, handed from its process to the bench.
struct StartFigures {
  double start_ms = 0, attached_ms = 0, data_ms = 0;
  double first[8] = {}, again[8] = {};
  // The first two uses made at once after every list is attached, and when they ended: on a
  // cold start, while the account set is still being read (answered by the ledger file).
  double at_once[2] = {}, at_once_end_ms = 0;
  long resident = 0, peak = 0;
  bool from_snapshot = false;
};

StartFigures RunStart(const std::string& ledger) {
  StartFigures f;
  Desk desk(ledger);
  Clock::time_point start = Clock::now();
  desk.Start();
  f.start_ms = Ms(Clock::now() - start);
  desk.AttachAll();
  f.attached_ms = Ms(Clock::now() - start);
  f.from_snapshot = gl::LiveDataOf(gl::GetGLData())->FromSnapshot();
  desk.Type("\t");  // from the explanation box to the account box
  for (size_t i = 0; i < std::size(f.at_once); ++i) f.at_once[i] = FirstUses()[i].run(desk);
  f.at_once_end_ms = Ms(Clock::now() - start);
  desk.WaitForData();
  f.data_ms = Ms(Clock::now() - start);
  size_t i = 0;
  for (const Measure& m : FirstUses()) f.first[i++] = m.run(desk);
  i = 0;
  for (const Measure& m : FirstUses()) f.again[i++] = m.run(desk);
  f.resident = ResidentBytes();
  f.peak = PeakMemoryBytes();
  return f;
}

// SQLite reading the master data of the ledger file: the milliseconds until the sets the
// lists attach are read, and until the items of every class are read too; negative when the
// file cannot be read.
struct SqliteFigures {
  double sets_ms = -1, all_ms = -1;
};

// The sets the lists attach, in code order, as every reader here reads them.
constexpr const char* kSetQueries[] = {
    "SELECT id, number, explanation FROM vch_explanations ORDER BY number",
    "SELECT id, number, name, detail, helper_code, is_bank, is_cash FROM accounts ORDER BY number",
    "SELECT id, number, name FROM currencies ORDER BY number",
    "SELECT id, number, name FROM item_classes ORDER BY number",
    "SELECT id, number, name FROM unit_groups ORDER BY number",
    "SELECT id, number, name FROM settle_types ORDER BY number"};

SqliteFigures SqliteRead(const std::string& ledger) {
  SqliteFigures f;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(ledger.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return f;
  }
  size_t taken = 0;  // what was read, so that no read is left out as unused
  auto step_all = [&](const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) return false;
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
      for (int c = 0, n = sqlite3_column_count(statement); c < n; ++c) {
        taken += static_cast<size_t>(sqlite3_column_bytes(statement, c));
        taken += static_cast<size_t>(sqlite3_column_int64(statement, c) & 1);
      }
    }
    sqlite3_finalize(statement);
    return step == SQLITE_DONE;
  };
  Clock::time_point start = Clock::now();
  bool ok = std::all_of(std::begin(kSetQueries), std::end(kSetQueries), step_all);
  if (ok) f.sets_ms = Ms(Clock::now() - start);
  if (ok && step_all("SELECT id, number, name, detail FROM items ORDER BY class_id, number") &&
      taken > 0) {
    f.all_ms = Ms(Clock::now() - start);
  }
  sqlite3_close(db);
  return f;
}

// run() in a process of its own, so that a start's memory is the form's alone and each
// starts with the same state of the page cache; false when it failed.
template <class Figures>
bool InChild(const std::function<Figures()>& run, Figures* out) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  std::fflush(nullptr);  // what is printed so far, printed once: not again by the child
  pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    Figures f = run();
    bool ok = write(fds[1], &f, sizeof f) == static_cast<ssize_t>(sizeof f);
    _exit(ok ? 0 : 1);
  }
  close(fds[1]);
  bool ok = child > 0 && read(fds[0], out, sizeof *out) == static_cast<ssize_t>(sizeof *out);
  close(fds[0]);
  int status = 0;
  return ok && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool StartInChild(const std::string& ledger, StartFigures* out) {
  return InChild<StartFigures>([&] { return RunStart(ledger); }, out);
}

void RemoveSnapshots(const std::string& ledger) {
  for (const std::string& place : gl::ledger::SnapshotPlaces(ledger)) {
    std::filesystem::remove(place);
  }
}

// form_startup_bench.ledger beside the program for the default sizes; other sizes are named.
std::string DefaultLedger(const char* program, long accounts, long items) {
  auto dir = std::filesystem::absolute(program).parent_path();
  std::string name = "form_startup_bench";
  if (accounts != 1000000 || items != 1000000) {
    name.append("-").append(std::to_string(accounts)).append("-").append(std::to_string(items));
  }
  return (dir / (name + ".ledger")).string();
}

bool Generate(const std::string& ledger, long accounts, long items) {
  // In a process of its own, so that the memory measured later is the form's alone.
  Clock::time_point start = Clock::now();
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    gl::ledger::GenerateOptions options;
    options.accounts = accounts;
    options.items = items;
    options.progress = false;
    gl::ledger::GenerateLedger(options, ledger);
    _exit(0);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return false;
  }
  std::printf("Generated %ld accounts and %ld items in %.1f s: %s\n", accounts, items,
              Ms(Clock::now() - start) / 1000, ledger.c_str());
  return true;
}

// What a colleague's work leaves between two starts: kColleagueChanges accounts saved again
// (as they were, so that later runs find the same ledger), each a change in the ledger's log
// that the snapshot of the last start does not hold.
constexpr int kColleagueChanges = 100;

bool ColleagueChanges(const std::string& location) {
  try {
    auto session = gl::ledger::OpenLedgerSession(location);
    session->Begin(true);
    session->Run(
        "UPDATE accounts SET name = name WHERE id IN (SELECT id FROM accounts "
        "ORDER BY id DESC LIMIT " +
            std::to_string(kColleagueChanges) + ")",
        {}, nullptr);
    session->Commit();
    return true;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "form_startup_bench: %s\n", e.what());
    return false;
  }
}

// A cold start, then the warm ones, then one whose snapshot a colleague's changes left
// behind; false when a start failed.
struct Series {
  std::vector<StartFigures> cold = std::vector<StartFigures>(kColdStarts);
  std::vector<SqliteFigures> sqlite = std::vector<SqliteFigures>(kColdStarts);  // beside each
  std::vector<StartFigures> warm = std::vector<StartFigures>(kWarmStarts);
  StartFigures behind;

  // The starts of the ledger at location; SQLite reads the ledger file before each cold one.
  bool Run(const std::string& location, const std::string& file) {
    for (int i = 0; i < kColdStarts; ++i) {
      if (!InChild<SqliteFigures>([&] { return SqliteRead(file); }, &sqlite[i]) ||
          sqlite[i].all_ms < 0) {
        std::fprintf(stderr, "form_startup_bench: SQLite could not read %s\n", file.c_str());
        return false;
      }
      RemoveSnapshots(location);
      if (!StartInChild(location, &cold[i])) return false;
    }
    for (StartFigures& w : warm) {
      if (!StartInChild(location, &w)) return false;
    }
    return ColleagueChanges(location) && StartInChild(location, &behind);
  }
  // The median of a figure over the cold starts, over the warm ones.
  template <class Field>
  double Cold(Field field) const {
    return MedianOf(cold, field);
  }
  template <class Field>
  double Warm(Field field) const {
    return MedianOf(warm, field);
  }
  // The median of SQLite's figure, and of a cold start's ratio to SQLite's beside it.
  double Sqlite(double SqliteFigures::*figure) const { return MedianOf(sqlite, figure); }
  double ColdBesideSqlite(double StartFigures::*start, double SqliteFigures::*figure) const {
    std::vector<double> v;
    for (int i = 0; i < kColdStarts; ++i) v.push_back(cold[i].*start / sqlite[i].*figure);
    return Median(v);
  }
};

const char* Verdict(bool met) { return met ? "met" : "NOT met"; }

// One line: a measure cold and warm, each with its goal and whether it is met. The goals of
// a start are a warm start's: a cold one comes once, when no form on this machine has read
// the ledger yet, and is set beside SQLite reading the rows instead (below).
void PrintLine(const char* what, double cold, double warm, double goal, const char* again = "",
               bool cold_goal = true) {
  std::printf("%-34s %9.1f %-7s %9.1f %-7s %8.0f %10s\n", what, cold,
              cold_goal ? Verdict(cold <= goal) : "", warm, Verdict(warm <= goal), goal, again);
}

void PrintSeries(const std::string& location, const Series& s, double file_mb, double attach_goal,
                 double cold_attach_goal) {
  std::printf(
      "\n%s: the median of %d cold starts (no snapshot), then of %d warm starts (snapshot %s)\n",
      location.c_str(), kColdStarts, kWarmStarts, s.warm[0].from_snapshot ? "used" : "NOT used");
  std::printf("%-34s %9s %-7s %9s %-7s %8s %10s\n", "measure", "cold ms", "", "warm ms", "",
              "goal ms", "again ms");
  PrintLine("first usable screen of the form", s.Cold([](auto& c) { return c.start_ms; }),
            s.Warm([](auto& w) { return w.start_ms; }), 500, "", false);
  PrintLine("every list attached", s.Cold([](auto& c) { return c.attached_ms; }),
            s.Warm([](auto& w) { return w.attached_ms; }), attach_goal, "", false);
  const double cold_attached = s.Cold([](auto& c) { return c.attached_ms; });
  std::printf("%-34s %9.1f %-7s %17s %8.0f\n", "every list attached, cold's goal", cold_attached,
              Verdict(cold_attached <= cold_attach_goal), "", cold_attach_goal);
  std::printf("%-34s %9.1f %-7s %9.1f\n", "all master data in (+ snapshot)",
              s.Cold([](auto& c) { return c.data_ms; }), "",
              s.Warm([](auto& w) { return w.data_ms; }));
  for (size_t i = 0; i < std::size(StartFigures{}.at_once); ++i) {
    const Measure& m = FirstUses()[i];
    std::printf("%-34s %9.1f %-7s %9.1f %-7s %8.0f   (cold: ended %.0f ms after the start)\n",
                (std::string(m.name).substr(0, 22) + ", at once").c_str(),
                s.Cold([&](auto& c) { return c.at_once[i]; }),
                Verdict(s.Cold([&](auto& c) { return c.at_once[i]; }) <= m.goal_ms),
                s.Warm([&](auto& w) { return w.at_once[i]; }),
                Verdict(s.Warm([&](auto& w) { return w.at_once[i]; }) <= m.goal_ms), m.goal_ms,
                s.Cold([](auto& c) { return c.at_once_end_ms; }));
  }
  size_t i = 0;
  for (const Measure& m : FirstUses()) {
    char again[32];
    std::snprintf(again, sizeof again, "%.2f", s.Warm([&](auto& w) { return w.again[i]; }));
    PrintLine(m.name, s.Cold([&](auto& c) { return c.first[i]; }),
              s.Warm([&](auto& w) { return w.first[i]; }), m.goal_ms, again);
    ++i;
  }
  auto memory = [&](const char* when, double resident_bytes, double peak_bytes) {
    const double resident = resident_bytes / 1e6;
    std::printf(
        "memory of the form, %s: %.0f MB resident after the first uses, %.2fx the %.0f MB "
        "ledger file (goal <= 1.0x) %s; peak %.0f MB\n",
        when, resident, resident / file_mb, file_mb, Verdict(resident <= file_mb),
        peak_bytes / 1e6);
  };
  std::printf(
      "after %d changes of a colleague (snapshot %s, the changes applied on top): first usable "
      "screen %.1f ms, every list attached %.1f ms %s\n",
      kColleagueChanges, s.behind.from_snapshot ? "used" : "NOT used", s.behind.start_ms,
      s.behind.attached_ms, Verdict(s.behind.attached_ms <= attach_goal));
  memory("cold", s.Cold([](auto& c) { return static_cast<double>(c.resident); }),
         s.Cold([](auto& c) { return static_cast<double>(c.peak); }));
  memory("warm", s.Warm([](auto& w) { return static_cast<double>(w.resident); }),
         s.Warm([](auto& w) { return static_cast<double>(w.peak); }));
}

// A series' starts beside SQLite reading the same master data in the same run; for a server,
// beside the server alone handing the rows over too.
void PrintBesideSqlite(const char* what, const Series& s, double server_sets_ms = 0) {
  const double sets_ms = s.Sqlite(&SqliteFigures::sets_ms);
  const double all_ms = s.Sqlite(&SqliteFigures::all_ms);
  std::printf(
      "\n%s beside SQLite reading the same master data (median of %d: %.1f ms the sets the "
      "lists attach, %.1f ms with the items of every class):\n",
      what, kColdStarts, sets_ms, all_ms);
  std::printf("%-34s %9s %7s %9s %7s\n", "measure", "cold ms", "ratio", "warm ms", "ratio");
  auto line = [&](const char* name, double StartFigures::*start, double SqliteFigures::*figure,
                  double base) {
    const double warm = s.Warm([&](auto& w) { return w.*start; });
    std::printf("%-34s %9.1f %6.2fx %9.1f %6.2fx\n", name,
                s.Cold([&](auto& c) { return c.*start; }), s.ColdBesideSqlite(start, figure), warm,
                warm / base);
  };
  line("every list attached", &StartFigures::attached_ms, &SqliteFigures::sets_ms, sets_ms);
  line("all master data in (+ snapshot)", &StartFigures::data_ms, &SqliteFigures::all_ms, all_ms);
  if (server_sets_ms > 0) {
    std::printf(
        "the server alone handing over the same sets (median of %d): %.1f ms, %.2fx SQLite "
        "reading them; the cold start %.2fx that\n",
        kColdStarts, server_sets_ms, server_sets_ms / sets_ms,
        s.Cold([](auto& c) { return c.attached_ms; }) / server_sets_ms);
  }
}

// What the server alone takes to hand over the sets the lists attach, in code order (binary
// COPY, the rows received and dropped, on a connection already made): the floor of a server
// ledger's cold start, as SQLite reading the rows is a file's. The median of kColdStarts;
// negative when a read failed.
double ServerSetsMs(const std::string& location) {
  std::vector<double> reads;
  for (int i = 0; i < kColdStarts; ++i) {
    double ms = -1;
    bool ok = InChild<double>(
        [&] {
          PGconn* conn = PQconnectdb(location.c_str());
          bool read = PQstatus(conn) == CONNECTION_OK;
          Clock::time_point start = Clock::now();
          for (const char* query : kSetQueries) {
            const std::string copy = std::string("COPY (") + query + ") TO STDOUT (FORMAT binary)";
            PGresult* began = PQexec(conn, copy.c_str());
            read = read && PQresultStatus(began) == PGRES_COPY_OUT;
            PQclear(began);
            char* data = nullptr;
            while (read && PQgetCopyData(conn, &data, 0) > 0) PQfreemem(data);
            while (PGresult* ended = PQgetResult(conn)) {
              read = read && PQresultStatus(ended) == PGRES_COMMAND_OK;
              PQclear(ended);
            }
          }
          const double took = Ms(Clock::now() - start);
          PQfinish(conn);
          return read ? took : -1.0;
        },
        &ms);
    if (!ok || ms < 0) return -1;
    reads.push_back(ms);
  }
  return Median(reads);
}

// What a bare login to the server takes: a fresh program's libpq connection (the password
// exchange and the server's new session, nothing asked), in a process of its own as a form's
// first connection is; negative when it failed.
double LoginMs(const std::string& location) {
  double ms = -1;
  bool ok = InChild<double>(
      [&] {
        Clock::time_point start = Clock::now();
        PGconn* conn = PQconnectdb(location.c_str());
        const double took = Ms(Clock::now() - start);
        const bool in = PQstatus(conn) == CONNECTION_OK;
        PQfinish(conn);
        return in ? took : -1.0;
      },
      &ms);
  return ok ? ms : -1;
}

// Warm starts of the file and of the server in turn, each server start just after a bare
// login to it, so that a slow spell of this machine slows the three alike; their figures
// compared round by round. Each ledger's snapshot is made anew first (by a cold start not
// counted): the start after a colleague's changes left it behind the ledger.
struct Rounds {
  std::vector<StartFigures> file = std::vector<StartFigures>(kRounds);
  std::vector<StartFigures> server = std::vector<StartFigures>(kRounds);
  std::vector<double> login = std::vector<double>(kRounds);

  bool Run(const std::string& file_ledger, const std::string& location) {
    StartFigures fresh;
    for (const std::string& ledger : {file_ledger, location}) {
      RemoveSnapshots(ledger);
      if (!StartInChild(ledger, &fresh)) return false;
    }
    for (int i = 0; i < kRounds; ++i) {
      login[i] = LoginMs(location);
      if (!StartInChild(file_ledger, &file[i]) || login[i] < 0 ||
          !StartInChild(location, &server[i])) {
        return false;
      }
    }
    return true;
  }
  // The median over the rounds of a figure of the server's start (less the login when asked)
  // against the file's.
  double Ratio(double StartFigures::*figure, bool login_aside) const {
    std::vector<double> v;
    for (int i = 0; i < kRounds; ++i) {
      v.push_back((server[i].*figure - (login_aside ? login[i] : 0)) / file[i].*figure);
    }
    return Median(v);
  }
};

// A server's starts beside the file's: with a snapshot as fast as a file with one once the
// server's login is set aside, without one within 1.5x of the file.
void PrintServerBesideFile(const Series& server, const Series& file, const Rounds& rounds) {
  std::printf("\n%-42s %11s %9s %7s %6s\n", "server against file", "server ms", "file ms", "ratio",
              "goal");
  auto line = [](const char* what, double server_ms, double file_ms, double ratio, double goal) {
    std::printf("%-42s %11.1f %9.1f %6.2fx", what, server_ms, file_ms, ratio);
    if (goal > 0) std::printf(" %5.2fx %s", goal, Verdict(ratio <= goal));
    std::printf("\n");
  };
  // The cold starts: the medians of each series.
  auto cold = [&](const char* what, double StartFigures::*figure) {
    const double server_ms = server.Cold(figure), file_ms = file.Cold(figure);
    line(what, server_ms, file_ms, server_ms / std::max(file_ms, 1e-3), 1.5);
  };
  cold("cold: every list attached", &StartFigures::attached_ms);
  cold("cold: all master data in", &StartFigures::data_ms);
  // The warm ones: made in turn, compared round by round.
  const double login_ms = Median(rounds.login);
  auto warm = [&](const char* what, double StartFigures::*figure, bool login_aside, double goal) {
    line(what, MedianOf(rounds.server, figure) - (login_aside ? login_ms : 0),
         MedianOf(rounds.file, figure), rounds.Ratio(figure, login_aside), goal);
  };
  std::printf(
      "warm starts in turn, %d rounds of the file's, a bare login, the server's "
      "(medians; ratios round by round):\n",
      kRounds);
  warm("warm: first usable screen", &StartFigures::start_ms, false, 1.25);
  warm("warm: every list attached", &StartFigures::attached_ms, false, 0);
  warm("warm: every list attached, the login aside", &StartFigures::attached_ms, true, 1.25);
  std::printf("a bare login to this server (a fresh program's connection): %.1f ms\n", login_ms);
}

}  // namespace

int main(int argc, char** argv) {
  long accounts = 1000000, items = 1000000;
  std::string ledger;
  bool server = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--server") == 0) {
      server = true;
    } else if (i + 1 < argc && std::strcmp(argv[i], "--ledger") == 0) {
      ledger = argv[++i];
    } else if (i + 1 < argc && std::strcmp(argv[i], "--accounts") == 0) {
      accounts = std::atol(argv[++i]);
    } else if (i + 1 < argc && std::strcmp(argv[i], "--items") == 0) {
      items = std::atol(argv[++i]);
    }
  }
  if (ledger.empty()) ledger = DefaultLedger(argv[0], accounts, items);
  if (!std::filesystem::exists(ledger) && !Generate(ledger, accounts, items)) {
    std::fprintf(stderr, "form_startup_bench: could not generate %s\n", ledger.c_str());
    return 1;
  }
  const double file_mb = static_cast<double>(std::filesystem::file_size(ledger)) / 1e6;
  const double attach_goal = accounts >= 10000000 ? 3000 : 500;
  // With no snapshot: the ledger read while the person waits.
  const double cold_attach_goal = accounts >= 10000000 ? 3000 : 1000;
  Series file;
  if (!file.Run(ledger, ledger)) return 1;
  PrintSeries(ledger, file, file_mb, attach_goal, cold_attach_goal);
  PrintBesideSqlite("The file's starts", file);
  if (!server) return 0;
  Clock::time_point copying = Clock::now();
  const std::string location = glnamelist::bench::CopiedToServer(ledger, "form_startup_bench");
  if (location.empty()) {
    std::fprintf(stderr, "form_startup_bench: no server (run under tests/ledger/pg_cluster.sh)\n");
    return 1;
  }
  std::printf("Copied onto the server and vacuumed in %.1f s\n", Ms(Clock::now() - copying) / 1000);
  Series on_server;
  if (!on_server.Run(location, ledger)) return 1;
  PrintSeries("the same ledger on the server", on_server, file_mb, attach_goal, cold_attach_goal);
  const double server_sets_ms = ServerSetsMs(location);
  if (server_sets_ms < 0) {
    std::fprintf(stderr, "form_startup_bench: the server could not hand over the sets\n");
    return 1;
  }
  PrintBesideSqlite("The server's starts", on_server, server_sets_ms);
  Rounds rounds;
  if (!rounds.Run(ledger, location)) {
    std::fprintf(stderr, "form_startup_bench: the warm starts in turn failed\n");
    return 1;
  }
  PrintServerBesideFile(on_server, file, rounds);
  return 0;
}
