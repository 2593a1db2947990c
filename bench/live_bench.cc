// Master data that changes while forms run, on a generated ledger of 1,000,000 accounts and
// 1,000,000 items (generated once beside this program and kept), in a file and, under
// tests/ledger/pg_cluster.sh (which names the server), in a copy of it on the server:
//
//   commit to listed   another connection renames an account and commits; then the time
//                      until an F8 in a running account box lists the new name, the box
//                      looking for new data every VoucherBoxes::kChangesPollMs as the forms
//                      do: the data service's share (commit until its new version is ready)
//                      and the whole (the service's share, the wait for the box's tick, a
//                      new GLNameList for the box, the F8). Goal 1 s, the service's share
//                      50 ms.
//   a batch of 1,000   1,000 accounts renamed in one transaction: commit until the new
//                      version is ready; beside it the same service reading the account set
//                      whole, with its look-up structures, which a reload would cost.
//   keystrokes         the four keystrokes of keystroke_bench (from the key message to the
//                      first 30 rows handed to the list control), through GLNameList over the
//                      ledger's data service: while quiet, and while another program renames
//                      an account and an item every 100 ms and the boxes get a new GLNameList
//                      between two keys as a form gives them, in turns. Medians of CPU time;
//                      goal: no change beyond the noise (1.25x) and 1 ms. The first key of a
//                      box's new list, which builds the rows it shows (as the first key of a
//                      form does), is told apart.
//
// SQLite beside, in the same run, on the ledger file: the F8 on the parent answered as
// committed (the count and the first 30 rows), the 1,000 changed rows read by id (the floor
// of reading what changed), and the keystrokes' questions answered from the file the same
// way (prepared statements).
//
//   live_bench [--accounts N] [--items N] [--ledger PATH]   (benchmark flags are ignored)
#include <libpq-fe.h>
#include <poll.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "apps/glledger/generator.h"
#include "apps/glledger/ledger_copy.h"
#include "apps/voucher/voucher_boxes.h"
#include "bench/server_database.h"
#include "component/gl_name_list.h"
#include "contracts/list_kinds.h"
#include "contracts/virtual_keys.h"
#include "ledger/ledger_at.h"
#include "ledger/ledger_service.h"
#include "ledger/list_preload.h"
#include "ledger/record_loader.h"
#include "ledger/register_ledger.h"
#include "recordset/table_builder.h"
#include "services/library_services.h"
#include "tests/fakes/scoped_fake_environment.h"

namespace gl = glnamelist;
using Clock = std::chrono::steady_clock;

namespace {

constexpr long kPage = 30;
constexpr int kTrials = 20;
constexpr int kBatches = 5;
constexpr int kBatchRows = 1000;
constexpr int kPresses = 400;  // of each key, quiet and live
constexpr int kTurns = 20;
constexpr auto kChangeEvery = std::chrono::milliseconds(100);

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double ThreadCpuUs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Max(const std::vector<double>& v) {
  return v.empty() ? -1 : *std::max_element(v.begin(), v.end());
}

const char* Verdict(bool met) { return met ? "met" : "NOT met"; }

// SQL text of the program's own with a value pasted in: the bench's texts are digits and
// codes it read from the ledger.
std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// --- Another program's connection ---------------------------------------------------------

class Writer {
 public:
  virtual ~Writer() = default;
  // Runs the SQL text (several statements) and commits.
  virtual void Exec(const std::string& sql) = 0;
  // The first column of the first row of a query.
  virtual std::string Value(const std::string& sql) = 0;
};

class FileWriter final : public Writer {
 public:
  explicit FileWriter(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      throw std::runtime_error("cannot open " + path);
    }
    sqlite3_busy_timeout(db_, 10000);
  }
  ~FileWriter() override { sqlite3_close(db_); }
  void Exec(const std::string& sql) override {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      std::string message = error ? error : "?";
      sqlite3_free(error);
      throw std::runtime_error(message);
    }
  }
  std::string Value(const std::string& sql) override {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr);
    std::string value;
    if (statement && sqlite3_step(statement) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(statement, 0);
      value = text ? reinterpret_cast<const char*>(text) : "";
    }
    sqlite3_finalize(statement);
    return value;
  }

 private:
  sqlite3* db_ = nullptr;
};

class ServerWriter final : public Writer {
 public:
  explicit ServerWriter(const std::string& location) : conn_(PQconnectdb(location.c_str())) {
    if (PQstatus(conn_) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn_));
  }
  ~ServerWriter() override { PQfinish(conn_); }
  void Exec(const std::string& sql) override {
    PGresult* result = PQexec(conn_, sql.c_str());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    PQclear(result);
    if (!ok) throw std::runtime_error(PQerrorMessage(conn_));
  }
  std::string Value(const std::string& sql) override {
    PGresult* result = PQexec(conn_, sql.c_str());
    std::string value = PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0
                            ? PQgetvalue(result, 0, 0)
                            : "";
    PQclear(result);
    return value;
  }

 private:
  PGconn* conn_;
};

std::unique_ptr<Writer> WriterOf(const std::string& location) {
  if (gl::ledger::IsServerLocation(location)) return std::make_unique<ServerWriter>(location);
  return std::make_unique<FileWriter>(location);
}

// --- The component over the ledger's data service -----------------------------------------

// A GLNameList attached to a box, with the fakes it talks to; made again when its data has a
// new version, as a form does.
struct Box {
  long kind = 0;
  std::string typed;
  bool fresh = false;  // a new GLNameList that has not listed yet
  std::shared_ptr<gl::GLNameList> list;
  std::shared_ptr<gl::fakes::FakeNameList> control;
  std::shared_ptr<gl::fakes::FakeSubClass> sub;
};

class Rig {
 public:
  explicit Rig(const std::string& location) {
    gl::ledger::RegisterLedger(fake_.env().Registry(), location);
    gl::GLDataPtr data = gl::GetGLData();
    service_ = gl::LiveDataOf(data);
    service_->Preload({gl::nlVchExp, gl::nlAccount, gl::nlCurrency, gl::nlItemClass,
                       gl::nlUnitGroup, gl::nlSettleType});
    data->AccountSet();
    service_->WaitForBackgroundWork();
    changes_ = gl::ledger::WatchLists(data);
  }
  ~Rig() {
    boxes_.clear();
    service_.reset();
    gl::ResetLibraryServices();
  }

  gl::LiveData& service() { return *service_; }

  Box& Attach(long kind, const std::string& typed) {
    auto box = std::make_unique<Box>();
    box->kind = kind;
    box->typed = typed;
    Renew(*box);
    boxes_.push_back(std::move(box));
    return *boxes_.back();
  }

  // A new GLNameList for the box, as a form makes one for new data.
  void Renew(Box& box) {
    if (box.list) box.list->Detach();
    box.list = std::make_shared<gl::GLNameList>();
    box.list->ItemClassID(1);
    gl::TextBoxPtr text_box = std::make_shared<gl::fakes::FakeTextBox>(window_, fake_.log());
    box.list->Attach(text_box, box.kind);
    box.control = fake_.LastNameList();
    box.control->data->quiet = true;
    box.sub = fake_.LastSubClass();
    box.control->edit_text = box.typed;
    fake_.env().Windows().SetText(window_, box.typed);
  }

  // What a form does at its tick: the boxes whose data has a new version get a new list.
  // Returns how many did.
  int Tick() {
    const std::vector<long> kinds = changes_();
    int renewed = 0;
    for (auto& box : boxes_) {
      if (std::find(kinds.begin(), kinds.end(), box->kind) == kinds.end()) continue;
      Renew(*box);
      box->fresh = true;
      ++renewed;
    }
    return renewed;
  }

  // One key and the first page of rows asked for, as a painting list control does.
  long Press(Box& box, long key) {
    fake_.env().Windows().SetText(window_, box.typed);
    box.control->edit_text = box.typed;
    float& t = fake_.env().timer;
    t = t > 80000.0f ? 1.0f : t + 0.05f;  // past the repeat guard
    box.sub->Send(gl::WM_KEYDOWN, key, 0);
    long rows = std::min(kPage, box.control->data->rows);
    for (long r = 1; r <= rows; ++r) box.control->data->RequestRow(r);
    if (fake_.log()->calls().size() > 4096) fake_.log()->Clear();
    return rows;
  }

  // Whether a row handed over holds text.
  static bool Lists(const Box& box, const std::string& text) {
    for (const auto& [at, cell] : box.control->data->cells) {
      if (cell.find(text) != std::string::npos) return true;
    }
    return false;
  }

 private:
  gl::fakes::ScopedFakeEnvironment fake_;
  const long window_ = fake_.env().Windows().CreateWindow();
  std::shared_ptr<gl::LiveData> service_;
  gl::ledger::ListChanges changes_;
  std::vector<std::unique_ptr<Box>> boxes_;
};

// --- What the ledger holds ------------------------------------------------------------------

struct Targets {
  std::string parent;       // an account with a handful of detail accounts below it
  std::string child;        // one of them, renamed
  std::string big_parent;   // the account with the most children
  std::string fragment;     // a fragment of many names
  std::string item_parent;  // a top-level item of class 1 with items below it
};

Targets FindTargets(Writer& db) {
  Targets t;
  t.parent = db.Value(
      "SELECT p.number FROM accounts p WHERE p.detail = 0 AND p.level = 2 AND "
      "(SELECT count(*) FROM accounts c WHERE c.parent_id = p.id) BETWEEN 5 AND 20 "
      "ORDER BY p.number LIMIT 1");
  t.child = db.Value(
      "SELECT number FROM accounts WHERE parent_id = (SELECT id FROM accounts WHERE number = " +
      Quoted(t.parent) + ") ORDER BY number LIMIT 1");
  t.big_parent = db.Value(
      "SELECT p.number FROM accounts c JOIN accounts p ON p.id = c.parent_id GROUP BY p.number "
      "ORDER BY count(*) DESC LIMIT 1");
  t.fragment = "银行";
  t.item_parent = db.Value(
      "SELECT number FROM items WHERE class_id = 1 AND level = 1 AND detail = 0 ORDER BY number "
      "LIMIT 1");
  return t;
}

// --- The measures -----------------------------------------------------------------------------

struct Figures {
  std::vector<double> service_ms, listed_ms, f8_ms;
  std::vector<double> batch_ms;
  double reload_ms = 0;
  std::map<std::string, double> quiet_us, live_us, first_us;
  double renew_ms = 0;
  int renewals = 0;
};

// Polls until ready() holds, a minute at most; the time it took.
template <class Ready>
double WaitMs(Clock::time_point since, Ready ready) {
  while (!ready() && Clock::now() - since < std::chrono::minutes(1)) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return Ms(Clock::now() - since);
}

void CommitToListed(Rig& rig, Writer& writer, const Targets& t, Figures& f) {
  Box& box = rig.Attach(gl::nlAccount, t.parent + ".");
  rig.Press(box, gl::VK_F8);
  std::mt19937 random(7);
  for (int trial = 0; trial < kTrials; ++trial) {
    const std::string name = "改名" + std::to_string(trial) + "号";
    // The box's tick runs on its own schedule: the commit falls anywhere in it.
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 100));
    const Clock::time_point ticks = Clock::now() - std::chrono::milliseconds(random() % 100);
    writer.Exec("UPDATE accounts SET name = " + Quoted(name) +
                " WHERE number = " + Quoted(t.child));
    const Clock::time_point commit = Clock::now();
    f.service_ms.push_back(WaitMs(commit, [&] { return rig.service().ChangesWaiting(); }));
    Clock::time_point tick = ticks;
    while (tick < Clock::now())
      tick += std::chrono::milliseconds(gl::voucher::VoucherBoxes::kChangesPollMs);
    std::this_thread::sleep_until(tick);
    rig.Tick();
    const Clock::time_point key = Clock::now();
    rig.Press(box, gl::VK_F8);
    f.f8_ms.push_back(Ms(Clock::now() - key));
    f.listed_ms.push_back(Rig::Lists(box, name) ? Ms(Clock::now() - commit) : -1);
  }
}

void Batches(Rig& rig, Writer& writer, Figures& f) {
  for (int batch = 0; batch < kBatches; ++batch) {
    const std::string name = "批量" + std::to_string(batch);
    writer.Exec("UPDATE accounts SET name = " + Quoted(name) +
                " || id WHERE id IN (SELECT id FROM accounts WHERE detail = 1 ORDER BY id LIMIT " +
                std::to_string(kBatchRows) + " OFFSET " + std::to_string(batch * 7919) + ")");
    const Clock::time_point commit = Clock::now();
    f.batch_ms.push_back(WaitMs(commit, [&] { return rig.service().ChangesWaiting(); }));
    rig.Tick();
  }
}

// The account set read whole by a service of its own, with its look-up structures.
double ReloadMs(const std::string& location) {
  gl::ledger::LedgerService service(gl::ledger::OpenLedger(location));
  const Clock::time_point start = Clock::now();
  gl::RecordsetPtr accounts = service.AccountSet()->Recordset();
  gl::recordset::LookupPreparation(
      *accounts, {.codes = {"FNumber"}, .names = {"FName", "FHelperCode"}, .sorted = {}})();
  return Ms(Clock::now() - start);
}

struct Key {
  const char* name;
  long kind;
  long key;
  std::string typed;
};

std::vector<Key> Keys(const Targets& t) {
  return {{"AccountParent", gl::nlAccount, gl::VK_F8, t.big_parent + "."},
          {"AccountFragment", gl::nlAccount, gl::VK_F8, t.fragment},
          {"AccountSearch", gl::nlAccount, gl::VK_F9, t.fragment},
          {"ItemParent", gl::nlItem, gl::VK_F8, t.item_parent + "."}};
}

// Another program that renames an account and an item every kChangeEvery until it is
// dropped: this program again, started with --changer (ChangerMain).
class Changer {
 public:
  Changer(const Targets& t, int turn) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("cannot make a pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    const std::string first = std::to_string(turn * 100);
    std::vector<std::string> args = {program_, "--changer", location_, t.child, first};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int spawned =
        posix_spawn(&pid_, program_.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (spawned != 0) throw std::runtime_error("cannot start the changer");
    stop_ = fds[1];
  }
  ~Changer() {
    close(stop_);  // its end of input: it ends
    waitpid(pid_, nullptr, 0);
  }
  Changer(const Changer&) = delete;
  Changer& operator=(const Changer&) = delete;

  static inline std::string program_, location_;

 private:
  pid_t pid_ = 0;
  int stop_ = -1;
};

// The changer's process: renames (to the same name) the account `child` and an item of class
// 1 every kChangeEvery, until its input ends.
int ChangerMain(const std::string& location, const std::string& child, int first) {
  auto writer = WriterOf(location);
  for (int n = first;; ++n) {
    writer->Exec("UPDATE accounts SET name = name WHERE number = " + Quoted(child) +
                 "; UPDATE items SET name = name WHERE id = (SELECT min(id) + " +
                 std::to_string(n % 1000) + " FROM items WHERE class_id = 1)");
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (poll(&input, 1, static_cast<int>(kChangeEvery.count())) != 0) return 0;
  }
}

// The CPU medians of each key, pressed over and over, in turns: quiet, then while changes
// arrive and the boxes are given new lists between two keys, and so on (so that a machine
// busier at one time than another weighs on both alike).
void Keystrokes(Rig& rig, const Targets& t, Figures& f) {
  std::vector<Box*> boxes;
  for (const Key& k : Keys(t)) boxes.push_back(&rig.Attach(k.kind, k.typed));
  std::map<std::string, std::vector<double>> times[2], first;
  for (int turn = 0; turn < kTurns; ++turn) {
    const bool live = turn % 2 == 1;
    // Another program renames an account and an item every kChangeEvery.
    std::optional<Changer> changer;
    if (live) changer.emplace(t, turn);
    for (int i = 0; i < kPresses / kTurns * 2; ++i) {
      for (size_t k = 0; k < boxes.size(); ++k) {
        const Clock::time_point start = Clock::now();
        if (const int renewed = rig.Tick()) {
          f.renew_ms += Ms(Clock::now() - start);
          f.renewals += renewed;
        }
        const double cpu = ThreadCpuUs();
        rig.Press(*boxes[k], Keys(t)[k].key);
        const double us = ThreadCpuUs() - cpu;
        // The first key of a new list builds the rows it shows: told apart.
        (std::exchange(boxes[k]->fresh, false) ? first : times[live])[Keys(t)[k].name].push_back(
            us);
      }
      // A pause between the rounds, as between a person's keys.
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    changer.reset();
    rig.service().CatchUp();  // the last change in before the quiet turn
  }
  for (auto& [name, v] : times[0]) f.quiet_us[name] = Median(v);
  for (auto& [name, v] : times[1]) f.live_us[name] = Median(v);
  for (auto& [name, v] : first) f.first_us[name] = Median(v);
}

// --- SQLite on the ledger file ---------------------------------------------------------------

struct SqliteFigures {
  std::vector<double> f8_ms;
  double changed_rows_ms = 0;
  std::map<std::string, double> keys_us;
};

class SqliteFile {
 public:
  explicit SqliteFile(const std::string& path) {
    sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
  }
  ~SqliteFile() { sqlite3_close(db_); }
  // Steps every row of sql with the texts bound to ?1, ?2, ...; what was read, so that nothing
  // is left out.
  long Run(const std::string& sql, const std::vector<std::string>& texts) {
    sqlite3_stmt*& statement = prepared_[sql];
    if (!statement) sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr);
    sqlite3_reset(statement);
    for (size_t i = 0; i < texts.size(); ++i) {
      sqlite3_bind_text(statement, static_cast<int>(i + 1), texts[i].c_str(),
                        static_cast<int>(texts[i].size()), SQLITE_STATIC);
    }
    long read = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
      read += sqlite3_column_bytes(statement, 0) + sqlite3_column_bytes(statement, 1);
    }
    return read;
  }
  void Close() {
    for (auto& [sql, statement] : prepared_) sqlite3_finalize(statement);
    prepared_.clear();
  }

 private:
  sqlite3* db_ = nullptr;
  std::map<std::string, sqlite3_stmt*> prepared_;
};

// SQLite answering what a list asks: how many rows, and the first 30 of them in code order.
long Answer(SqliteFile& file, const std::string& from_where,
            const std::vector<std::string>& texts) {
  return file.Run("SELECT count(*), 0 FROM " + from_where, texts) +
         file.Run("SELECT number, name FROM " + from_where + " ORDER BY number LIMIT 30", texts);
}

SqliteFigures SqliteBeside(const std::string& path, const Targets& t) {
  SqliteFigures f;
  SqliteFile file(path);
  const std::string under = "accounts WHERE number LIKE ?1 OR name LIKE ?2";
  for (int trial = 0; trial < kTrials; ++trial) {
    const Clock::time_point start = Clock::now();
    Answer(file, under, {t.parent + ".%", "%" + t.parent + "%"});
    f.f8_ms.push_back(Ms(Clock::now() - start));
  }
  std::string ids;
  for (int i = 0; i < kBatchRows; ++i) {
    if (i > 0) ids += ',';
    ids += std::to_string(1 + i * 997);
  }
  const Clock::time_point start = Clock::now();
  file.Run("SELECT number, name FROM accounts WHERE id IN (" + ids + ")", {});
  f.changed_rows_ms = Ms(Clock::now() - start);
  struct Question {
    const char* name;
    std::string from_where;
    std::vector<std::string> texts;
  };
  const std::string like = "%" + t.fragment + "%";
  const std::vector<Question> questions = {
      {"AccountParent", under, {t.big_parent + ".%", "%" + t.big_parent + "%"}},
      {"AccountFragment", under, {t.fragment + "%", like}},
      {"AccountSearch", "accounts WHERE detail <> 0 AND name LIKE ?1", {like}},
      {"ItemParent",
       "items WHERE class_id = 1 AND (number LIKE ?1 OR name LIKE ?2)",
       {t.item_parent + ".%", "%" + t.item_parent + "%"}}};
  for (const Question& q : questions) {
    std::vector<double> us;
    for (int i = 0; i < 5; ++i) {
      const double start_us = ThreadCpuUs();
      Answer(file, q.from_where, q.texts);
      us.push_back(ThreadCpuUs() - start_us);
    }
    f.keys_us[q.name] = Median(us);
  }
  file.Close();
  return f;
}

// --- The ledgers and the report ---------------------------------------------------------------

std::string DefaultLedger(const char* program, long accounts, long items) {
  auto dir = std::filesystem::absolute(program).parent_path();
  std::string name = "live_bench";
  if (accounts != 1000000 || items != 1000000) {
    name += "-" + std::to_string(accounts) + "-" + std::to_string(items);
  }
  return (dir / (name + ".ledger")).string();
}

Figures Measure(const std::string& location, const Targets& t) {
  Figures f;
  auto writer = WriterOf(location);
  {
    Rig rig(location);
    CommitToListed(rig, *writer, t, f);
    Batches(rig, *writer, f);
  }
  {
    Rig rig(location);
    Changer::location_ = location;
    Keystrokes(rig, t, f);
  }
  f.reload_ms = ReloadMs(location);
  return f;
}

void Print(const char* where, const Figures& f, const SqliteFigures& sqlite) {
  std::printf("\n%s\n", where);
  const double service = Median(f.service_ms), listed = Median(f.listed_ms);
  const bool all_listed =
      std::none_of(f.listed_ms.begin(), f.listed_ms.end(), [](double ms) { return ms < 0; });
  std::printf("%-44s %10s %10s %10s %s\n", "measure", "median ms", "max ms", "goal ms", "");
  std::printf("%-44s %10.1f %10.1f %10.0f %s\n", "commit until the service's new version", service,
              Max(f.service_ms), 50.0, Verdict(Max(f.service_ms) <= 50));
  std::printf("%-44s %10.1f %10.1f %10.0f %s%s\n", "commit until an F8 lists the new name", listed,
              Max(f.listed_ms), 1000.0, Verdict(all_listed && Max(f.listed_ms) <= 1000),
              all_listed ? "" : " (a trial did not list it)");
  std::printf("%-44s %10.2f %10.2f\n", "  of which the F8 itself (new GLNameList)", Median(f.f8_ms),
              Max(f.f8_ms));
  std::printf("%-44s %10.2f %10.2f\n", "  SQLite answering the F8 from the file",
              Median(sqlite.f8_ms), Max(sqlite.f8_ms));
  std::printf("%-44s %10.1f %10.1f\n", "a batch of 1,000: commit until the new version",
              Median(f.batch_ms), Max(f.batch_ms));
  std::printf("%-44s %10.1f %10s   (%.0fx the batch)\n", "  reading the account set whole instead",
              f.reload_ms, "", f.reload_ms / std::max(Median(f.batch_ms), 1e-3));
  std::printf("%-44s %10.2f\n", "  SQLite reading the 1,000 rows by id", sqlite.changed_rows_ms);
  std::printf("%-44s %10.2f %10s   (%d new lists)\n", "a box's new GLNameList, between two keys",
              f.renewals ? f.renew_ms / f.renewals : 0.0, "", f.renewals);
  std::printf("\n%-16s %10s %10s %7s %10s %12s %10s %s\n", "keystroke", "quiet us", "live us",
              "live", "first us", "SQLite us", "SQLite", "goal");
  for (const auto& [name, quiet] : f.quiet_us) {
    const double live = f.live_us.at(name), base = sqlite.keys_us.at(name);
    const double first = f.first_us.count(name) ? f.first_us.at(name) : -1;
    std::printf("%-16s %10.1f %10.1f %6.2fx %10.1f %12.1f %9.1fx %s\n", name.c_str(), quiet, live,
                live / quiet, first, base, base / live,
                Verdict(live <= 1000 && live <= quiet * 1.25));
  }
  std::printf(
      "(first: the first key of a box's new list, which builds the rows it shows, as the first "
      "key of a form does; not in the live figure)\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--changer") == 0) {
    return ChangerMain(argv[2], argv[3], std::atoi(argv[4]));
  }
  Changer::program_ = std::filesystem::read_symlink("/proc/self/exe").string();
  long accounts = 1000000, items = 1000000;
  std::string ledger;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--ledger") == 0)
      ledger = argv[++i];
    else if (std::strcmp(argv[i], "--accounts") == 0)
      accounts = std::atol(argv[++i]);
    else if (std::strcmp(argv[i], "--items") == 0)
      items = std::atol(argv[++i]);
  }
  if (ledger.empty()) ledger = DefaultLedger(argv[0], accounts, items);
  if (!std::filesystem::exists(ledger)) {
    gl::ledger::GenerateOptions options;
    options.accounts = accounts;
    options.items = items;
    options.progress = false;
    const Clock::time_point start = Clock::now();
    gl::ledger::GenerateLedger(options, ledger);
    std::printf("Generated %ld accounts and %ld items in %.1f s: %s\n", accounts, items,
                Ms(Clock::now() - start) / 1000, ledger.c_str());
  }
  try {
    auto reader = WriterOf(ledger);
    const Targets targets = FindTargets(*reader);
    reader.reset();
    std::printf("Accounts renamed under %s (%s first); keys on %s, \"%s\" and item %s\n",
                targets.parent.c_str(), targets.child.c_str(), targets.big_parent.c_str(),
                targets.fragment.c_str(), targets.item_parent.c_str());
    const SqliteFigures sqlite = SqliteBeside(ledger, targets);
    Print(("The ledger file " + ledger).c_str(), Measure(ledger, targets), sqlite);
    const std::string server = glnamelist::bench::CopiedToServer(ledger, "live_bench");
    if (server.empty()) {
      std::printf("\nNo server: run under tests/ledger/pg_cluster.sh for the server's figures.\n");
      return 0;
    }
    Print("The same ledger on the server", Measure(server, targets), sqlite);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "live_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
