// Whole keystrokes through GLNameList, from the key message to the first 30 rows handed to
// the list control, against SQLite answering the same question in the same run.
//
// Cases, each with 10k, 100k, 1M and 10M entries behind the fakes:
//   AccountParent   F8 in an account box holding "1001.": the children of account 1001
//                   and the accounts whose name contains 1001.
//   AccountFragment F8 in an account box holding a name fragment.
//   AccountSearch   F9 in an account box holding a name fragment (detail accounts only).
//   ItemParent      F8 in an item box holding "01.", over one class of that many items.
//   RowRepeat       one row request for a row already built.
// The component side sends WM_KEYDOWN through the fake subclassing object and then asks for
// rows 1..30 through DataRequest, as a list control painting its first page. The SQLite
// side runs the same lookup by code and filter on an in-memory table with an index on the
// code, with prepared statements: the count and the first 30 rows. After the runs a table
// gives the medians of CPU time (steadier than wall time on a shared machine) and the ratio
// SQLite / component per case.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/keystroke_data.h"
#include "bench/median_reporter.h"
#include "component/gl_name_list.h"
#include "contracts/prog_ids.h"
#include "services/library_services.h"
#include "tests/fakes/scoped_fake_environment.h"

namespace glnamelist::bench {
namespace {

// --- SQLite answering the same questions --------------------------------------------------

class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db));
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Binds the texts to ?1, ?2, ... after a reset.
  void Bind(const std::vector<std::string>& texts) {
    sqlite3_reset(stmt_);
    for (size_t i = 0; i < texts.size(); ++i)
      sqlite3_bind_text(stmt_, static_cast<int>(i + 1), texts[i].c_str(),
                        static_cast<int>(texts[i].size()), SQLITE_STATIC);
  }
  bool Step() { return sqlite3_step(stmt_) == SQLITE_ROW; }
  long long Int(int col) { return sqlite3_column_int64(stmt_, col); }
  const unsigned char* Text(int col) { return sqlite3_column_text(stmt_, col); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// One in-memory table of coded entries (accounts or the items of a class) with an index on
// the code.
class SqliteTable {
 public:
  explicit SqliteTable(const std::vector<CodedRow>& rows) {
    sqlite3_open(":memory:", &db_);
    Exec(
        "CREATE TABLE t (FID INTEGER PRIMARY KEY, FNumber TEXT, FName TEXT, FDetail INT,"
        " FHelperCode TEXT)");
    Exec("BEGIN");
    {
      Statement insert(db_, "INSERT INTO t VALUES (?1, ?2, ?3, ?4, ?5)");
      for (const CodedRow& r : rows) {
        insert.Bind({std::to_string(r.id), r.number, r.name, r.detail ? "1" : "0", r.helper});
        insert.Step();
      }
    }
    Exec("COMMIT");
    Exec("CREATE INDEX t_number ON t (FNumber)");
  }
  ~SqliteTable() { sqlite3_close(db_); }
  SqliteTable(const SqliteTable&) = delete;
  SqliteTable& operator=(const SqliteTable&) = delete;

  sqlite3* db() const { return db_; }

 private:
  void Exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      std::string message = err ? err : "sqlite error";
      sqlite3_free(err);
      throw std::runtime_error(message);
    }
  }

  sqlite3* db_ = nullptr;
};

// One question on a table, prepared once: the lookup of the typed code, the count under the
// filter and the first 30 rows under it.
class SqliteQuestion {
 public:
  SqliteQuestion(const SqliteTable& table, const std::string& where, const std::string& order)
      : lookup_(table.db(), "SELECT FID, FDetail FROM t WHERE FNumber = ?1"),
        count_(table.db(), "SELECT count(*) FROM t WHERE " + where),
        page_(table.db(),
              "SELECT FID, FNumber, FName FROM t WHERE " + where + order + " LIMIT 30") {}

  // Answers for the code (no lookup when empty) and the filter's parameters; returns the
  // count plus what was read, so that nothing is optimised away.
  long long Answer(const std::string& code, const std::vector<std::string>& params) {
    long long sum = 0;
    if (!code.empty()) {
      lookup_.Bind({code});
      if (lookup_.Step()) sum += lookup_.Int(1);
    }
    count_.Bind(params);
    if (count_.Step()) sum += count_.Int(0);
    page_.Bind(params);
    while (page_.Step()) sum += page_.Int(0) + page_.Text(1)[0] + page_.Text(2)[0];
    return sum;
  }

 private:
  Statement lookup_, count_, page_;
};

// --- The ledgers and the component -------------------------------------------------------

constexpr long kItemClass = 7;
constexpr long kPage = 30;
// The name fragment typed in the fragment cases: one name in sixteen holds it.
constexpr const char* kFragment = "存款";

// The entries of one size, the data service over them and the SQLite tables; built on first
// use and kept for the run.
struct Ledger {
  explicit Ledger(long n)
      : accounts(MakeAccounts(n)),
        items(MakeItems(n)),
        gl(std::make_shared<BenchGLData>(accounts, kItemClass, items)),
        sql_accounts(accounts),
        sql_items(items) {}

  std::vector<CodedRow> accounts, items;
  std::shared_ptr<BenchGLData> gl;
  SqliteTable sql_accounts, sql_items;
};

// A GLNameList attached to a box of one kind, with the fakes it talks to.
struct Box {
  std::shared_ptr<GLNameList> list;
  std::shared_ptr<fakes::FakeNameList> control;
  std::shared_ptr<fakes::FakeSubClass> sub;
};

class Rig {
 public:
  Rig() {
    fake_.env().Registry().Register(progid::kGLData, [this]() -> ObjectPtr { return ledger_->gl; });
    fake_.env().Registry().Register(progid::kItemSet, [this]() -> ObjectPtr {
      return std::make_shared<BenchItemSet>(ledger_->gl);
    });
  }

  // Makes the ledger of size n the one the data service serves.
  Ledger& Use(long n) {
    auto& slot = ledgers_[n];
    if (!slot) slot = std::make_unique<Ledger>(n);
    if (ledger_ != slot.get()) {
      ledger_ = slot.get();
      ResetLibraryServices();
    }
    return *ledger_;
  }

  // The box of kind over the ledger of size n, attached at its first use.
  Box& BoxFor(long n, long kind) {
    Use(n);
    Box& box = boxes_[{n, kind}];
    if (!box.list) {
      box.list = std::make_shared<GLNameList>();
      box.list->ItemClassID(kItemClass);
      TextBoxPtr text_box = std::make_shared<fakes::FakeTextBox>(window_, fake_.log());
      box.list->Attach(text_box, kind);
      box.control = fake_.LastNameList();
      box.control->data->quiet = true;  // rows are kept, their cells not logged
      box.sub = fake_.LastSubClass();
    }
    return box;
  }

  // What the box holds, as the list control and the window report it.
  void Type(Box& box, const std::string& text) {
    box.control->edit_text = text;
    fake_.env().Windows().SetText(window_, text);
  }

  // One key: WM_KEYDOWN through the subclassing object, then the first page of rows asked
  // for as a painting list control does. Returns the rows handed over.
  long Press(Box& box, long key) {
    AdvanceClock();
    box.sub->Send(WM_KEYDOWN, key, 0);
    long rows = std::min(kPage, box.control->data->rows);
    for (long r = 1; r <= rows; ++r) box.control->data->RequestRow(r);
    if (fake_.log()->calls().size() > 4096) fake_.log()->Clear();
    return rows;
  }

 private:
  // Past the repeat guard of the code listing; wraps as the clock does at midnight.
  void AdvanceClock() {
    float& t = fake_.env().timer;
    t = t > 80000.0f ? 1.0f : t + 0.05f;
  }

  fakes::ScopedFakeEnvironment fake_;
  const long window_ = fake_.env().Windows().CreateWindow();  // every box's window
  std::map<long, std::unique_ptr<Ledger>> ledgers_;
  Ledger* ledger_ = nullptr;
  std::map<std::pair<long, long>, Box> boxes_;
};

Rig& TheRig() {
  static Rig rig;
  return rig;
}

// --- The cases ----------------------------------------------------------------------------

struct Case {
  long kind;
  long key;
  std::string typed;
  // SQLite: code looked up, filter, order and the filter's parameters.
  std::string lookup;
  std::string where;
  std::string order;
  std::vector<std::string> params;
  bool items;
};

const Case& CaseNamed(const std::string& name) {
  static const std::map<std::string, Case> cases = {
      {"AccountParent",
       {nlAccount,
        VK_F8,
        "1001.",
        "1001",
        "FNumber LIKE ?1 OR FName LIKE ?2",
        "",
        {"1001.%", "%1001%"},
        false}},
      {"AccountFragment",
       {nlAccount,
        VK_F8,
        kFragment,
        kFragment,
        "FNumber LIKE ?1 OR FName LIKE ?2",
        "",
        {std::string(kFragment) + "%", std::string("%") + kFragment + "%"},
        false}},
      {"AccountSearch",
       {nlAccount,
        VK_F9,
        kFragment,
        "",
        "FDetail <> 0 AND FName LIKE ?1",
        "",
        {std::string("%") + kFragment + "%"},
        false}},
      {"ItemParent",
       {nlItem,
        VK_F8,
        "01.",
        "01",
        "FNumber LIKE ?1 OR FName LIKE ?2",
        " ORDER BY FNumber",
        {"01.%", "%01%"},
        true}},
  };
  return cases.at(name);
}

void Keystroke(benchmark::State& state, const std::string& name) {
  const Case& c = CaseNamed(name);
  Rig& rig = TheRig();
  Box& box = rig.BoxFor(state.range(0), c.kind);
  rig.Type(box, c.typed);
  long rows = rig.Press(box, c.key);
  if (rows == 0) {
    state.SkipWithError("the keystroke listed nothing");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(rig.Press(box, c.key));
  state.counters["rows"] = static_cast<double>(box.control->data->rows);
}

void Sqlite(benchmark::State& state, const std::string& name) {
  const Case& c = CaseNamed(name);
  Ledger& ledger = TheRig().Use(state.range(0));
  SqliteQuestion q(c.items ? ledger.sql_items : ledger.sql_accounts, c.where, c.order);
  for (auto _ : state) benchmark::DoNotOptimize(q.Answer(c.lookup, c.params));
}

// A row already built, asked for again.
void RowRepeat(benchmark::State& state) {
  Rig& rig = TheRig();
  Box& box = rig.BoxFor(state.range(0), nlAccount);
  rig.Type(box, "1001.");
  if (rig.Press(box, VK_F8) == 0) {
    state.SkipWithError("the keystroke listed nothing");
    return;
  }
  for (auto _ : state) box.control->data->RequestRow(1);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Arg(10'000'000);
  b->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
}

void Register() {
  for (const char* name : {"AccountParent", "AccountFragment", "AccountSearch", "ItemParent"}) {
    std::string n = name;
    benchmark::RegisterBenchmark(("Keystroke_" + n).c_str(), [n](benchmark::State& s) {
      Keystroke(s, n);
    })->Apply(Sizes);
    benchmark::RegisterBenchmark(("Sqlite_" + n).c_str(), [n](benchmark::State& s) {
      Sqlite(s, n);
    })->Apply(Sizes);
  }
  benchmark::RegisterBenchmark("Keystroke_RowRepeat", RowRepeat)
      ->Arg(1'000'000)
      ->Unit(benchmark::kNanosecond)
      ->Repetitions(5)
      ->ReportAggregatesOnly(true);
}

// SQLite's CPU-time medians over the component's, with the goal of each keystroke, 1 ms at
// every size, and how the cost grew from the size before (x10 entries).
void PrintRatios(const MedianReporter& reporter) {
  std::map<std::pair<std::string, std::string>, std::map<std::string, double>> medians;
  for (const auto& [key, times] : reporter.medians()) {
    const size_t cut = key.first.find('_');
    medians[{key.first.substr(cut + 1), key.second}][key.first.substr(0, cut)] = times.cpu;
  }
  std::printf("\n%-16s %9s %14s %14s %10s %8s %8s\n", "case", "size", "component us", "sqlite us",
              "ratio", "growth", "goal us");
  std::map<std::string, double> before;
  for (const auto& [key, sides] : medians) {
    auto k = sides.find("Keystroke");
    auto q = sides.find("Sqlite");
    if (k == sides.end() || q == sides.end()) continue;
    const double goal = 1000;
    std::string growth =
        before.count(key.first) ? std::to_string(k->second / before[key.first]) : std::string("");
    std::printf("%-16s %9s %14.2f %14.2f %9.1fx %8s %8.0f %s\n", key.first.c_str(),
                key.second.c_str(), k->second, q->second, q->second / k->second,
                growth.substr(0, 5).c_str(), goal, k->second <= goal ? "met" : "NOT met");
    before[key.first] = k->second;
  }
}

}  // namespace
}  // namespace glnamelist::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  glnamelist::bench::Register();
  glnamelist::bench::MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  glnamelist::bench::PrintRatios(reporter);
  benchmark::Shutdown();
  return 0;
}
