// Speed of the ledger data service, against reading the same rows with SQLite alone in the
// same run.
//
// OpenLoadClass: open a generated ledger of 1M items (all in one class) and load the class
// into a record set. ItemSet: the same through the item set as the item lists use it
// (filter " FDetail=1 ", sort "FNumber", Refresh, Clone). Sample: open the bundled sample
// ledger and load every record set, SubMes source and unit set. The SQLite baselines run the
// same queries and copy the rows into plain structs. At the end a table of medians, ratios
// and targets is printed.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ledger/generator.h"
#include "ledger/item_set.h"
#include "ledger/ledger_service.h"

namespace {

using glnamelist::ledger::LedgerItemSet;
using glnamelist::ledger::LedgerService;

constexpr long kItems = 1000000;
std::string g_big_ledger;  // generated in main

struct Row {
  int64_t id;
  std::string number;
  std::string name;
  int64_t detail;
};

// Reads every row of sql (id, number, name, flag) into rows with SQLite alone.
void ReadRows(sqlite3* db, const char* sql, std::vector<Row>& rows) {
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    auto text = [&](int c) {
      const unsigned char* t = sqlite3_column_text(stmt, c);
      return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
    };
    rows.push_back(Row{sqlite3_column_int64(stmt, 0), text(1), text(2),
                       sqlite3_column_count(stmt) > 3 ? sqlite3_column_int64(stmt, 3) : 0});
  }
  sqlite3_finalize(stmt);
}

sqlite3* OpenReadOnly(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  return db;
}

void OpenLoadClass(benchmark::State& state) {
  for (auto _ : state) {
    LedgerService service(g_big_ledger);
    auto rs = service.ItemRecords(1, "", "");
    if (rs->RecordCount() != kItems) state.SkipWithError("wrong item count");
    benchmark::DoNotOptimize(rs);
  }
}

void ItemSetLoad(benchmark::State& state) {
  for (auto _ : state) {
    auto service = std::make_shared<LedgerService>(g_big_ledger);
    LedgerItemSet set(service);
    set.ItemClassID(1);
    set.ListOptions(0);
    set.Filter(" FDetail=1 ");
    set.Sort("FNumber");
    set.Refresh();
    auto clone = set.Recordset()->Clone();
    benchmark::DoNotOptimize(clone->RecordCount());
  }
}

void SqliteReadClass(benchmark::State& state) {
  for (auto _ : state) {
    sqlite3* db = OpenReadOnly(g_big_ledger);
    std::vector<Row> rows;
    rows.reserve(kItems);
    ReadRows(db, "SELECT id, number, name, detail FROM items WHERE class_id = 1 ORDER BY number",
             rows);
    sqlite3_close(db);
    if (rows.size() != kItems) state.SkipWithError("wrong item count");
  }
}

void LoadSample(benchmark::State& state) {
  for (auto _ : state) {
    auto service = std::make_shared<LedgerService>(GLNAMELIST_SAMPLE_LEDGER);
    service->AccountSet()->Recordset();
    service->CurrencySet()->Recordset();
    service->UnitGroupSet()->Recordset();
    service->SettTypeSet()->Recordset();
    service->VchExpSet();
    auto classes = service->ItemClassSet()->Recordset();
    for (classes->MoveFirst(); !classes->IsEOF(); classes->MoveNext()) {
      long id = static_cast<long>(classes->Fields("FItemID").ToLong());
      service->SubMesSet(id);
      LedgerItemSet set(service);
      set.ItemClassID(id);
      set.Filter(" FDetail=1 ");
      set.Sort("FNumber");
      set.Refresh();
      benchmark::DoNotOptimize(set.Recordset()->Clone());
    }
    auto groups = service->UnitGroupSet()->Recordset();
    for (groups->MoveFirst(); !groups->IsEOF(); groups->MoveNext()) {
      long id = static_cast<long>(groups->Fields("FItemID").ToLong());
      benchmark::DoNotOptimize(service->UnitSet(id));
    }
  }
}

void SqliteSample(benchmark::State& state) {
  static const char* const kQueries[] = {
      "SELECT id, number, name, detail, helper_code, is_bank, is_cash FROM accounts "
      "ORDER BY number",
      "SELECT id, number, name FROM currencies ORDER BY number",
      "SELECT id, number, name FROM unit_groups ORDER BY number",
      "SELECT id, number, name FROM settle_types ORDER BY number",
      "SELECT id, number, explanation FROM vch_explanations ORDER BY number",
      "SELECT id, number, name FROM item_classes ORDER BY number",
      "SELECT id, number, name, detail FROM submes ORDER BY class_id, number",
      "SELECT id, number, name, detail FROM items WHERE detail = 1 ORDER BY class_id, number",
      "SELECT id, number, name FROM units ORDER BY group_id, number",
  };
  for (auto _ : state) {
    sqlite3* db = OpenReadOnly(GLNAMELIST_SAMPLE_LEDGER);
    std::vector<Row> rows;
    for (const char* sql : kQueries) ReadRows(db, sql, rows);
    sqlite3_close(db);
    benchmark::DoNotOptimize(rows.data());
  }
}

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.aggregate_name != "median") continue;
      std::string name = r.run_name.str();
      name = name.substr(0, name.find('/'));
      medians_[name] = {r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()};
    }
  }

  void Summary() const {
    std::printf("\nMedians; CPU time in brackets (wall time suffers on a busy machine).\n");
    std::printf("%-14s %20s %20s %14s %10s\n", "case", "ours ms", "sqlite ms", "ratio",
                "target ms");
    Line("OpenLoadClass", "SQLiteReadClass", 1500);
    Line("ItemSet", "SQLiteReadClass", 1500);
    Line("Sample", "SQLiteSample", 50);
  }

 private:
  void Line(const std::string& ours, const std::string& lite, double target) const {
    auto o = medians_.find(ours), l = medians_.find(lite);
    if (o == medians_.end() || l == medians_.end()) return;
    std::printf("%-14s %9.2f (%8.2f) %9.2f (%8.2f) %5.2fx (%5.2fx) %9.0f\n", ours.c_str(),
                o->second.real, o->second.cpu, l->second.real, l->second.cpu,
                o->second.real / l->second.real, o->second.cpu / l->second.cpu, target);
  }

  struct Times {
    double real;
    double cpu;
  };
  std::map<std::string, Times> medians_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  g_big_ledger = (std::filesystem::temp_directory_path() /
                  ("ledger-bench-" + std::to_string(getpid()) + ".ledger"))
                     .string();
  glnamelist::ledger::GenerateOptions options;
  options.accounts = 10000;
  options.items = kItems;
  options.single_class = true;
  options.progress = false;
  auto start = std::chrono::steady_clock::now();
  glnamelist::ledger::GenerateLedger(options, g_big_ledger);
  std::printf("Generated %ld items in %.2f s\n", kItems,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());

  auto add = [](const char* name, void (*fn)(benchmark::State&), int repetitions) {
    benchmark::RegisterBenchmark(name, fn)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(repetitions)
        ->ReportAggregatesOnly(true);
  };
  add("OpenLoadClass", OpenLoadClass, 5);
  add("ItemSet", ItemSetLoad, 5);
  add("SQLiteReadClass", SqliteReadClass, 5);
  add("Sample", LoadSample, 20);
  add("SQLiteSample", SqliteSample, 20);

  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Summary();
  benchmark::Shutdown();
  std::filesystem::remove(g_big_ledger);
  return 0;
}
