// Saving a voucher of 100 lines into a ledger (goal: under 50 ms on a file), against the
// same rows written with SQLite alone in the same run, and on a PostgreSQL server (run under
// tests/ledger/pg_cluster.sh, as bench/run_all.sh does; skipped without a server).
//
// StoreSaveFile: VoucherStore::Save of a new 100-line voucher into a copy of the sample
// ledger: the checks' look-ups, the next number, the header and lines, one transaction
// written through to the disk. SQLiteSave: the same header and 100 lines inserted by
// prepared statements in one transaction, with the same journal and syncs, without checks.
// StoreSaveServer: VoucherStore::Save into the sample ledger copied onto the server. At the
// end a table of medians and ratios against SQLiteSave.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "apps/glledger/ledger_copy.h"
#include "apps/voucher/voucher_store.h"
#include "bench/median_reporter.h"
#include "bench/server_database.h"

namespace {

using glnamelist::voucher::Column;
using glnamelist::voucher::Money;
using glnamelist::voucher::Voucher;
using glnamelist::voucher::VoucherLine;
using glnamelist::voucher::VoucherStore;

constexpr int kLines = 100;
std::string g_file;    // a copy of the sample ledger for the store
std::string g_lite;    // another copy for SQLite alone
std::string g_server;  // the sample ledger on the server, when there is one

// 99 debits of 1.01 to a customer of 1122, one credit of their sum to 1002.01.
Voucher Hundred() {
  Voucher v;
  v.date = "2026-05-20";
  for (int i = 1; i < kLines; ++i) {
    VoucherLine& l = v.lines.emplace_back();
    l[Column::kExplanation] = "销售 " + std::to_string(i);
    l[Column::kAccount] = "1122";
    l[Column::kItemClass] = "001";
    l[Column::kItem] = "01.01.001";
    l[Column::kCurrency] = "RMB";
    l[Column::kDebit] = "1.01";
  }
  VoucherLine& l = v.lines.emplace_back();
  l[Column::kExplanation] = "收款";
  l[Column::kAccount] = "1002.01";
  l[Column::kCredit] = Money::FromCents(101L * (kLines - 1)).Text();
  return v;
}

void StoreSave(benchmark::State& state, const std::string& location) {
  VoucherStore store(location);
  const Voucher hundred = Hundred();
  for (auto _ : state) {
    Voucher v = hundred;
    store.Save(v);
    benchmark::DoNotOptimize(v.number);
  }
}
void StoreSaveFile(benchmark::State& state) { StoreSave(state, g_file); }
void StoreSaveServer(benchmark::State& state) { StoreSave(state, g_server); }

void Exec(sqlite3* db, const char* sql) { sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// The rows the store writes, with SQLite alone: the next id and number, the header, the
// lines with the ids the store would have looked up.
void SqliteSave(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(g_lite.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  Exec(db, "PRAGMA foreign_keys = ON");
  sqlite3_stmt *next = nullptr, *header = nullptr, *line = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT coalesce(max(id), 0) + 1, (SELECT coalesce(max(number), 0) + 1 FROM "
                     "vouchers WHERE word = '记' AND period = '2026-05') FROM vouchers",
                     -1, &next, nullptr);
  sqlite3_prepare_v2(db,
                     "INSERT INTO vouchers (id, date, period, word, number, attachments, "
                     "row_version) VALUES (?1, '2026-05-20', '2026-05', '记', ?2, 0, 1)",
                     -1, &header, nullptr);
  sqlite3_prepare_v2(db,
                     "INSERT INTO voucher_lines (voucher_id, line_no, explanation, account_id, "
                     "item_class_id, item_id, currency_id, debit, credit) VALUES (?1, ?2, ?3, "
                     "(SELECT id FROM accounts WHERE number = '1122'), 1, (SELECT id FROM items "
                     "WHERE class_id = 1 AND number = '01.01.001'), 1, 101, 0)",
                     -1, &line, nullptr);
  for (auto _ : state) {
    Exec(db, "BEGIN IMMEDIATE");
    sqlite3_step(next);
    const sqlite3_int64 id = sqlite3_column_int64(next, 0), number = sqlite3_column_int64(next, 1);
    sqlite3_reset(next);
    sqlite3_bind_int64(header, 1, id);
    sqlite3_bind_int64(header, 2, number);
    sqlite3_step(header);
    sqlite3_reset(header);
    for (int i = 1; i <= kLines; ++i) {
      const std::string text = "销售 " + std::to_string(i);
      sqlite3_bind_int64(line, 1, id);
      sqlite3_bind_int(line, 2, i);
      sqlite3_bind_text(line, 3, text.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_step(line);
      sqlite3_reset(line);
    }
    Exec(db, "COMMIT");
  }
  for (sqlite3_stmt* s : {next, header, line}) sqlite3_finalize(s);
  sqlite3_close(db);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const auto temp = std::filesystem::temp_directory_path();
  const std::string stem = "voucher-bench-" + std::to_string(getpid());
  g_file = (temp / (stem + ".ledger")).string();
  g_lite = (temp / (stem + "-sqlite.ledger")).string();
  std::filesystem::copy_file(GLNAMELIST_SAMPLE_LEDGER, g_file);
  std::filesystem::copy_file(GLNAMELIST_SAMPLE_LEDGER, g_lite);
  auto add = [](const char* name, void (*fn)(benchmark::State&)) {
    benchmark::RegisterBenchmark(name, fn)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(20)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
  };
  add("StoreSaveFile", StoreSaveFile);
  add("SQLiteSave", SqliteSave);
  g_server = glnamelist::bench::FreshServerDatabase("voucher_bench");
  if (!g_server.empty()) {
    glnamelist::ledger::CopyLedger(GLNAMELIST_SAMPLE_LEDGER, g_server, false, false);
    add("StoreSaveServer", StoreSaveServer);
  }
  glnamelist::bench::MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nMedians of one save of a %d-line voucher; CPU time in brackets.\n", kLines);
  reporter.LineHeading("SQLiteSave ms");
  reporter.Line("StoreSaveFile", "SQLiteSave", 50);
  reporter.Line("StoreSaveServer", "SQLiteSave", 0);
  benchmark::Shutdown();
  std::filesystem::remove(g_file);
  std::filesystem::remove(g_lite);
  return 0;
}
