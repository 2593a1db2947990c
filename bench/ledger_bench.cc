// Speed of the ledger data service, against reading the same rows with SQLite alone in the
// same run, and on a PostgreSQL server against the same ledger in a file.
//
// OpenLoadClass: open a generated ledger of 1M items (all in one class) and load the class
// into a record set. ServerOpenLoadClass: the same ledger generated onto a server (run
// under tests/ledger/pg_cluster.sh, as bench/run_all.sh does; skipped without a server).
// FileClients/N, ServerClients/N: N processes at once each open the ledger and load the
// class; the time is until the last has its record set, per_client the mean of their own
// load times. ItemSet: the same through the item set as the item lists use it
// (filter " FDetail=1 ", sort "FNumber", Refresh, Clone). Sample: open the bundled sample
// ledger and load every record set, SubMes source and unit set. The SQLite baselines run the
// same queries and copy the rows into plain structs. At the end a table of medians, ratios
// and targets is printed.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "apps/glledger/generator.h"
#include "bench/median_reporter.h"
#include "bench/server_database.h"
#include "ledger/item_set.h"
#include "ledger/ledger_service.h"

namespace {

using glnamelist::ledger::LedgerItemSet;
using glnamelist::ledger::LedgerService;

constexpr long kItems = 1000000;
std::string g_big_ledger;     // generated in main
std::string g_server_ledger;  // the same on the server, when there is one

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

void ServerOpenLoadClass(benchmark::State& state) {
  for (auto _ : state) {
    LedgerService service(g_server_ledger);
    auto rs = service.ItemRecords(1, "", "");
    if (rs->RecordCount() != kItems) state.SkipWithError("wrong item count");
    benchmark::DoNotOptimize(rs);
  }
}

// Starts state.range(0) processes at once that each open location and load the class.
void Clients(benchmark::State& state, const std::string& location) {
  const int clients = static_cast<int>(state.range(0));
  double per_client = 0, peak_mb = 0;
  for (auto _ : state) {
    int start[2], results[2];
    if (pipe(start) != 0 || pipe(results) != 0) state.SkipWithError("no pipe");
    for (int i = 0; i < clients; ++i) {
      if (fork() == 0) {
        close(start[1]);
        char go;
        if (read(start[0], &go, 1) != 0) _exit(1);
        auto began = std::chrono::steady_clock::now();
        LedgerService service(location);
        long rows = service.ItemRecords(1, "", "")->RecordCount();
        double took =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began)
                .count();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        double line[2] = {rows == kItems ? took : -1, usage.ru_maxrss / 1024.0};
        _exit(write(results[1], line, sizeof line) == sizeof line ? 0 : 1);
      }
    }
    close(start[0]);
    close(start[1]);
    close(results[1]);
    double sum = 0, line[2];
    while (read(results[0], line, sizeof line) == sizeof line) {
      if (line[0] < 0) state.SkipWithError("wrong item count");
      sum += line[0];
      peak_mb = std::max(peak_mb, line[1]);
    }
    close(results[0]);
    while (wait(nullptr) > 0) {
    }
    per_client = sum / clients;
  }
  state.counters["per_client_ms"] = per_client;
  state.counters["client_peak_MB"] = peak_mb;
}

void FileClients(benchmark::State& state) { Clients(state, g_big_ledger); }
void ServerClients(benchmark::State& state) { Clients(state, g_server_ledger); }

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

// The medians, and the runs with clients at once, for the summary.
class ClientsReporter : public glnamelist::bench::MedianReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    MedianReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      std::string full = r.run_name.str();
      if (full.find("Clients/") == std::string::npos || !r.aggregate_name.empty()) continue;
      auto per_client = r.counters.find("per_client_ms");
      clients_[full.substr(0, full.find('/'))][std::stoi(full.substr(full.find('/') + 1))] = {
          r.GetAdjustedRealTime(), per_client == r.counters.end() ? 0 : per_client->second.value};
    }
  }

  void Summary() const {
    std::printf("\nMedians; CPU time in brackets (wall time suffers on a busy machine).\n");
    LineHeading("sqlite ms");
    Line("OpenLoadClass", "SQLiteReadClass", 1500);
    Line("ItemSet", "SQLiteReadClass", 1500);
    Line("Sample", "SQLiteSample", 50);
    std::printf("\nPostgreSQL against SQLite, the same 1M-item class (target: within 1.5x).\n");
    Line("ServerOpenLoadClass", "OpenLoadClass", 0);
    std::printf(
        "\nClients at once, each loading the class: until the last is done, and the\n"
        "mean of their own load times.\n%-8s %16s %16s %20s %20s\n",
        "clients", "file ms", "server ms", "file per client ms", "server per client ms");
    for (const auto& [clients, file] : clients_.at("FileClients")) {
      auto server = clients_.at("ServerClients").find(clients);
      if (server == clients_.at("ServerClients").end()) continue;
      std::printf("%-8d %16.0f %16.0f %20.0f %20.0f\n", clients, file.first, server->second.first,
                  file.second, server->second.second);
    }
  }

 private:
  std::map<std::string, std::map<int, std::pair<double, double>>> clients_ = {
      {"FileClients", {}}, {"ServerClients", {}}};
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
  g_server_ledger = glnamelist::bench::FreshServerDatabase("ledger_bench");
  if (!g_server_ledger.empty()) {
    start = std::chrono::steady_clock::now();
    glnamelist::ledger::GenerateLedger(options, g_server_ledger);
    std::printf("Generated them onto the server in %.2f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    add("ServerOpenLoadClass", ServerOpenLoadClass, 5);
    for (auto clients_case : {FileClients, ServerClients}) {
      benchmark::RegisterBenchmark(clients_case == FileClients ? "FileClients" : "ServerClients",
                                   clients_case)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1)
          ->UseRealTime()
          ->Arg(1)
          ->Arg(5)
          ->Arg(20);
    }
  }

  ClientsReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Summary();
  benchmark::Shutdown();
  std::filesystem::remove(g_big_ledger);
  return 0;
}
