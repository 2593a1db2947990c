// Speed of the record-set engine on generated master data (10k, 100k and 1M accounts),
// against SQLite in memory on the same rows in the same run.
//
// Each query is the per-keystroke work of a list: set the filter, read RecordCount and the
// first 30 rows in code order. Q1: code prefix or name contains; Q2: children of a code;
// Q3: detail accounts whose name contains two Chinese characters; Q4: detail accounts.
// "Floor" is one plain pass over the bytes of the code and name columns. At the end a
// table of medians and ratios is printed.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/median_reporter.h"
#include "recordset/table_builder.h"

namespace {

using glnamelist::RecordsetPtr;
using glnamelist::Variant;
using glnamelist::recordset::ColumnType;
using glnamelist::recordset::TableBuilder;

struct Account {
  std::string number;
  std::string name;
  long detail;
};

// Master data: codes 01 / 01.001 / 01.001.0001, half Chinese and half ASCII names,
// leaf accounts are detail accounts.
std::vector<Account> Generate(size_t n) {
  size_t top = n >= 1000000 ? 99 : n >= 100000 ? 20 : 10;
  size_t mid = n >= 1000000 ? 100 : n >= 100000 ? 50 : 10;
  size_t leaf = n / (top * mid) - 1;
  std::mt19937 rng(42);
  std::vector<std::string> han;
  for (char32_t c = 0x4E00; han.size() < 2500; c += 7) {
    std::string s;
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
    han.push_back(s);
  }
  const std::vector<std::string> words = {"cash",    "bank",       "Deposit", "Loan",   "Tax",
                                          "Payable", "receivable", "Stock",   "Asset",  "fixed",
                                          "Petty",   "North",      "south",   "Branch", "office"};
  // Chinese names are made of two-character words, as real account names are.
  std::vector<std::string> han_words;
  for (size_t k = 0; k < 300; ++k)
    han_words.push_back(han[rng() % han.size()] + han[rng() % han.size()]);
  auto name = [&](size_t i) {
    std::string s;
    if (i % 2 == 0) {
      for (size_t k = 0, len = 1 + rng() % 3; k < len; ++k)
        s += han_words[rng() % han_words.size()];
    } else {
      for (size_t k = 0, len = 1 + rng() % 3; k < len; ++k) {
        if (k) s += ' ';
        s += words[rng() % words.size()];
      }
    }
    return s;
  };
  auto pad = [](size_t v, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*zu", width, v);
    return std::string(buf);
  };
  std::vector<Account> out;
  out.reserve(n);
  for (size_t a = 1; a <= top; ++a) {
    std::string ca = pad(a, 2);
    out.push_back({ca, name(out.size()), 0});
    for (size_t b = 1; b <= mid; ++b) {
      std::string cb = ca + "." + pad(b, 3);
      out.push_back({cb, name(out.size()), 0});
      for (size_t c = 1; c <= leaf; ++c) {
        out.push_back({cb + "." + pad(c, 4), name(out.size()), 1});
      }
    }
  }
  return out;
}

struct Fixture {
  std::vector<Account> accounts;
  RecordsetPtr records;  // sorted by FNumber, as a code listing leaves it
  sqlite3* db = nullptr;
  std::string bytes_codes;
  std::string bytes_names;
  std::string q1_text;    // a code typed in a box
  std::string q1_word;    // a word typed in a box
  std::string q2_parent;  // a second-level code
  std::string q3_han;     // two Chinese characters of a name
};

Fixture& Data(size_t n) {
  static std::map<size_t, std::unique_ptr<Fixture>> cache;
  auto& slot = cache[n];
  if (slot) return *slot;
  slot = std::make_unique<Fixture>();
  Fixture& f = *slot;
  f.accounts = Generate(n);
  TableBuilder b({{"FAccountID", ColumnType::kInteger},
                  {"FNumber", ColumnType::kText},
                  {"FName", ColumnType::kText},
                  {"FDetail", ColumnType::kInteger}});
  b.Reserve(f.accounts.size());
  for (size_t i = 0; i < f.accounts.size(); ++i) {
    const Account& a = f.accounts[i];
    b.AddRow(
        {Variant(static_cast<long>(i + 1)), Variant(a.number), Variant(a.name), Variant(a.detail)});
    f.bytes_codes += a.number;
    f.bytes_names += a.name;
  }
  f.records = b.Build();
  f.records->Sort("FNumber");

  sqlite3_open(":memory:", &f.db);
  sqlite3_exec(f.db,
               "CREATE TABLE t(id INTEGER PRIMARY KEY, fnumber TEXT COLLATE NOCASE, fname TEXT, "
               "fdetail INTEGER); BEGIN;",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* ins = nullptr;
  sqlite3_prepare_v2(f.db, "INSERT INTO t VALUES(?,?,?,?)", -1, &ins, nullptr);
  for (size_t i = 0; i < f.accounts.size(); ++i) {
    const Account& a = f.accounts[i];
    sqlite3_bind_int64(ins, 1, static_cast<sqlite3_int64>(i + 1));
    sqlite3_bind_text(ins, 2, a.number.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(ins, 3, a.name.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_int64(ins, 4, a.detail);
    sqlite3_step(ins);
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  sqlite3_exec(f.db, "COMMIT; CREATE INDEX t_number ON t(fnumber);", nullptr, nullptr, nullptr);

  // A detail account near the middle: its first two levels name a parent with children.
  size_t at = f.accounts.size() / 2;
  while (f.accounts[at].detail == 0) ++at;
  std::string parent = f.accounts[at].number.substr(0, 6);  // "nn.nnn"
  f.q1_text = parent;
  f.q1_word = "dep";
  f.q2_parent = parent + ".";
  for (size_t i = f.accounts.size() / 3;; ++i) {
    if (static_cast<unsigned char>(f.accounts[i].name[0]) >= 0x80) {
      f.q3_han = f.accounts[i].name.substr(0, 6);
      break;
    }
  }
  // Build the shared look-up structures once, outside the timed loops.
  f.records->Filter("FNumber like '0%' or FName like '%" + f.q3_han + "%' or FName like '%abc%'");
  f.records->Filter("");
  return f;
}

struct QuerySql {
  std::string count;
  std::string rows;
  std::vector<std::string> params;
};

enum Query { kQ1, kQ1Word, kQ2, kQ3, kQ4 };

std::string OurFilter(const Fixture& f, int q) {
  switch (q) {
    case kQ1:
      return "FNumber like '" + f.q1_text + "%' or FName like '%" + f.q1_text + "%'";
    case kQ1Word:
      return "FNumber like '" + f.q1_word + "%' or FName like '%" + f.q1_word + "%'";
    case kQ2:
      return "FNumber Like '" + f.q2_parent + "%'";
    case kQ3:
      return "FDetail <> 0 And FName Like '*" + f.q3_han + "*'";
    default:
      return "FDetail <> 0";
  }
}

QuerySql SqlFor(const Fixture& f, int q) {
  std::string where;
  std::vector<std::string> params;
  switch (q) {
    case kQ1:
    case kQ1Word: {
      const std::string& x = q == kQ1 ? f.q1_text : f.q1_word;
      where = "fnumber LIKE ?1 OR fname LIKE ?2";
      params = {x + "%", "%" + x + "%"};
      break;
    }
    case kQ2:
      where = "fnumber LIKE ?1";
      params = {f.q2_parent + "%"};
      break;
    case kQ3:
      where = "fdetail <> 0 AND fname LIKE ?1";
      params = {"%" + f.q3_han + "%"};
      break;
    default:
      where = "fdetail <> 0";
  }
  return {"SELECT count(*) FROM t WHERE " + where,
          "SELECT fnumber, fname FROM t WHERE " + where + " ORDER BY fnumber LIMIT 30", params};
}

void Ours(benchmark::State& state, int q) {
  Fixture& f = Data(static_cast<size_t>(state.range(0)));
  std::string filter = OurFilter(f, q);
  long count = 0;
  for (auto _ : state) {
    f.records->Filter(filter);
    count = f.records->RecordCount();
    if (count > 0) f.records->MoveFirst();
    for (int i = 0; i < 30 && !f.records->IsEOF(); ++i) {
      benchmark::DoNotOptimize(f.records->Fields("FNumber"));
      benchmark::DoNotOptimize(f.records->Fields("FName"));
      f.records->MoveNext();
    }
  }
  state.counters["rows"] = static_cast<double>(count);
}

void Sqlite(benchmark::State& state, int q) {
  Fixture& f = Data(static_cast<size_t>(state.range(0)));
  QuerySql sql = SqlFor(f, q);
  sqlite3_stmt* count_st = nullptr;
  sqlite3_stmt* rows_st = nullptr;
  sqlite3_prepare_v2(f.db, sql.count.c_str(), -1, &count_st, nullptr);
  sqlite3_prepare_v2(f.db, sql.rows.c_str(), -1, &rows_st, nullptr);
  for (size_t i = 0; i < sql.params.size(); ++i) {
    sqlite3_bind_text(count_st, static_cast<int>(i + 1), sql.params[i].c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(rows_st, static_cast<int>(i + 1), sql.params[i].c_str(), -1, SQLITE_STATIC);
  }
  long count = 0;
  for (auto _ : state) {
    sqlite3_step(count_st);
    count = static_cast<long>(sqlite3_column_int64(count_st, 0));
    sqlite3_reset(count_st);
    while (sqlite3_step(rows_st) == SQLITE_ROW) {
      benchmark::DoNotOptimize(
          std::string(reinterpret_cast<const char*>(sqlite3_column_text(rows_st, 0))));
      benchmark::DoNotOptimize(
          std::string(reinterpret_cast<const char*>(sqlite3_column_text(rows_st, 1))));
    }
    sqlite3_reset(rows_st);
  }
  sqlite3_finalize(count_st);
  sqlite3_finalize(rows_st);
  state.counters["rows"] = static_cast<double>(count);
}

void Floor(benchmark::State& state) {
  Fixture& f = Data(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    // memchr for a byte that never occurs reads every byte at full speed.
    benchmark::DoNotOptimize(std::memchr(f.bytes_codes.data(), '~', f.bytes_codes.size()));
    benchmark::DoNotOptimize(std::memchr(f.bytes_names.data(), '~', f.bytes_names.size()));
  }
  state.counters["bytes"] = static_cast<double>(f.bytes_codes.size() + f.bytes_names.size());
}

void CloneRecordset(benchmark::State& state) {
  Fixture& f = Data(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(f.records->Clone());
}

// Sorting a filtered view by name, once the name ranks exist.
void SortByName(benchmark::State& state) {
  Fixture& f = Data(static_cast<size_t>(state.range(0)));
  RecordsetPtr rs = f.records->Clone();
  rs->Filter("FDetail <> 0");
  rs->Sort("FName");
  for (auto _ : state) {
    rs->Sort("FNumber");
    rs->Sort("FName");
    benchmark::DoNotOptimize(rs->Fields("FName"));
  }
}

constexpr int64_t kSizes[] = {10000, 100000, 1000000};

void Register() {
  const char* names[] = {"Q1", "Q1word", "Q2", "Q3", "Q4"};
  for (int q = kQ1; q <= kQ4; ++q) {
    for (int64_t n : kSizes) {
      benchmark::RegisterBenchmark((std::string("Ours/") + names[q]).c_str(), Ours, q)
          ->Arg(n)
          ->Unit(benchmark::kMicrosecond)
          ->Repetitions(5)
          ->ReportAggregatesOnly(true);
      benchmark::RegisterBenchmark((std::string("SQLite/") + names[q]).c_str(), Sqlite, q)
          ->Arg(n)
          ->Unit(benchmark::kMicrosecond)
          ->Repetitions(5)
          ->ReportAggregatesOnly(true);
    }
  }
  for (int64_t n : kSizes) {
    benchmark::RegisterBenchmark("Floor", Floor)
        ->Arg(n)
        ->Unit(benchmark::kMicrosecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("Clone", CloneRecordset)
        ->Arg(n)
        ->Unit(benchmark::kMicrosecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("SortByName", SortByName)
        ->Arg(n)
        ->Unit(benchmark::kMicrosecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
  }
}

// The CPU-time median of a run (other processes on the machine inflate wall time
// unevenly), or a negative number when it did not run.
double Median(const glnamelist::bench::MedianReporter& reporter, const std::string& name,
              int64_t n) {
  auto times = reporter.Median(name, std::to_string(n));
  return times ? times->cpu : -1;
}

// The ratios once every benchmark has run, with the goal at a million rows: every query
// within 1 ms.
void Summary(const glnamelist::bench::MedianReporter& reporter) {
  std::printf("\n%-8s %9s %12s %12s %10s %8s\n", "query", "rows", "ours us", "sqlite us",
              "speed-up", "goal us");
  const char* names[] = {"Q1", "Q1word", "Q2", "Q3", "Q4"};
  for (const char* q : names) {
    for (int64_t n : kSizes) {
      double ours = Median(reporter, std::string("Ours/") + q, n);
      double lite = Median(reporter, std::string("SQLite/") + q, n);
      if (ours < 0 || lite < 0) continue;
      std::printf("%-8s %9lld %12.2f %12.2f %9.1fx", q, static_cast<long long>(n), ours, lite,
                  lite / ours);
      if (n >= 1000000) std::printf(" %8d %s", 1000, ours <= 1000 ? "met" : "NOT met");
      std::printf("\n");
    }
  }
  for (int64_t n : kSizes) {
    double fl = Median(reporter, "Floor", n);
    double cl = Median(reporter, "Clone", n);
    double so = Median(reporter, "SortByName", n);
    if (fl >= 0 && cl >= 0 && so >= 0) {
      std::printf("rows %lld: byte pass %.1f us, clone %.2f us, sort by name %.1f us\n",
                  static_cast<long long>(n), fl, cl, so);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Register();
  glnamelist::bench::MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  Summary(reporter);
  benchmark::Shutdown();
  return 0;
}
