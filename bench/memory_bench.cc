// Where the bytes of a ledger's master data go in memory: the account table and the items of
// every class of the generated ledger of form_startup_bench, loaded as the data service loads
// them, each look-up structure then built one at a time as the service's preparation builds
// it. Each line is the growth of the process's resident memory over the step before, so
// that the lines add up to what the tables cost; the ledger file's size is printed beside.
//
//   memory_bench [--ledger PATH]   (PATH: form_startup_bench.ledger beside this program)
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "ledger/ledger_db.h"
#include "ledger/ledger_service.h"
#include "ledger/record_loader.h"
#include "ledger/snapshot.h"
#include "recordset/table_data.h"
#include "recordset/table_recordset.h"

namespace gl = glnamelist;
using gl::recordset::Postings;

namespace {

double ResidentMb() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

// Prints the growth of resident memory since the last call, under what.
class Meter {
 public:
  void Step(const std::string& what) {
    double now = ResidentMb();
    std::printf("  %-44s %8.1f MB\n", what.c_str(), now - last_);
    total_ += now - last_;
    last_ = now;
  }
  double total() const { return total_; }

 private:
  double last_ = ResidentMb();
  double total_ = 0;
};

// Builds, one at a time, what the data service's preparation builds for table's columns.
void Prepare(const gl::recordset::Table& table, const std::vector<std::string>& codes,
             const std::vector<std::string>& names, const std::vector<std::string>& sorted,
             Meter& meter) {
  auto each = [&](const std::vector<std::string>& columns, const char* what, auto build) {
    for (const std::string& name : columns) {
      int c = table.FindColumn(name);
      if (c < 0) continue;
      build(static_cast<size_t>(c));
      meter.Step(name + " " + what);
    }
  };
  each(codes, "code order", [&](size_t c) { table.SortedByFoldedText(c); });
  const std::pair<Postings::Keys, const char*> kinds[] = {{Postings::Keys::kChars, "chars"},
                                                          {Postings::Keys::kPairs, "pairs"},
                                                          {Postings::Keys::kTriples, "triples"}};
  for (auto [keys, what] : kinds) {
    each(names, (std::string("posting lists of ") + what).c_str(),
         [&](size_t c) { table.PostingsOf(c, keys); });
  }
  each(sorted, "collation ranks", [&](size_t c) { table.Ranks(c); });
}

const gl::recordset::Table& TableOf(const gl::RecordsetPtr& rs) {
  return *dynamic_cast<const gl::recordset::TableRecordset&>(*rs).table();
}

}  // namespace

int main(int argc, char** argv) {
  std::string ledger =
      (std::filesystem::absolute(argv[0]).parent_path() / "form_startup_bench.ledger").string();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ledger") == 0 && i + 1 < argc) ledger = argv[++i];
  }
  if (!std::filesystem::exists(ledger)) {
    std::fprintf(stderr, "memory_bench: no ledger %s (form_startup_bench makes it)\n",
                 ledger.c_str());
    return 1;
  }
  std::unique_ptr<gl::ledger::LedgerDb> db = gl::ledger::OpenLedger(ledger);
  Meter meter;
  meter.Step("the open ledger");
  std::printf("accounts:\n");
  gl::RecordsetPtr accounts = gl::ledger::LoadRecordset(
      *db,
      "SELECT id, number, name, detail, helper_code, is_bank, is_cash FROM accounts "
      "ORDER BY number",
      {}, gl::ledger::AccountColumns());
  meter.Step("the table's columns");
  Prepare(TableOf(accounts), {"FNumber"}, {"FName", "FHelperCode"}, {}, meter);

  std::printf("items of every class:\n");
  std::vector<int64_t> classes;
  db->Load("SELECT id FROM item_classes ORDER BY number", {},
           [&](const gl::ledger::ResultRow& row) { classes.push_back(row.Int(0)); });
  std::vector<gl::RecordsetPtr> items;
  for (int64_t id : classes) {
    items.push_back(gl::ledger::LoadRecordset(
        *db, "SELECT id, number, name, detail FROM items WHERE class_id = ?1 ORDER BY number", {id},
        gl::ledger::TreeColumns()));
  }
  meter.Step("the tables' columns");
  for (const gl::RecordsetPtr& rs : items) {
    Prepare(TableOf(rs), {"FNumber"}, {"FName"}, {"FName"}, meter);
  }
  double file_mb = static_cast<double>(std::filesystem::file_size(ledger)) / 1e6;
  std::printf("total %.0f MB for a %.0f MB ledger file: %.2fx\n", meter.total(), file_mb,
              meter.total() / file_mb);
  // The same tables and structures in the ledger's snapshot (written by the form's first
  // start): mapped, only the pages a form touches become resident.
  if (std::optional<gl::ledger::LedgerStamp> stamp = db->Stamp()) {
    for (const std::string& place : gl::ledger::SnapshotPlaces(ledger, *stamp)) {
      if (!std::filesystem::exists(place)) continue;
      double snapshot_mb = static_cast<double>(std::filesystem::file_size(place)) / 1e6;
      std::printf("snapshot %.0f MB (%.2fx the ledger file): %s\n", snapshot_mb,
                  snapshot_mb / file_mb, place.c_str());
    }
  }
  return 0;
}
