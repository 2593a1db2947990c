// Where the bytes of a ledger's master data go: the account table and the items of every
// class of the generated ledger of form_startup_bench, read as the data service reads them
// without a snapshot, with the look-up structures its preparation builds (and a snapshot
// holds). Each line is the bytes of one part, counted from its arrays; the growth of the
// process's resident memory is printed beside the sum, and the sizes of the ledger file and
// of its snapshot (written by the form's first start) at the end.
//
//   memory_bench [--ledger PATH]   (PATH: form_startup_bench.ledger beside this program)
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ledger/ledger_at.h"
#include "ledger/ledger_service.h"
#include "ledger/record_loader.h"
#include "ledger/snapshot.h"
#include "recordset/table_builder.h"
#include "recordset/table_data.h"
#include "recordset/table_recordset.h"

namespace gl = glnamelist;
using gl::recordset::ColumnStore;
using gl::recordset::ColumnType;
using gl::recordset::Postings;
using gl::recordset::Table;

namespace {

double ResidentMb() {
  malloc_trim(0);  // freed building space is not the tables'
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

// Bytes by part, in the order the parts were first counted.
class Parts {
 public:
  void Add(const std::string& part, size_t bytes) {
    if (!bytes_.contains(part)) order_.push_back(part);
    bytes_[part] += static_cast<double>(bytes);
  }
  double Total() const {
    double total = 0;
    for (const auto& [part, bytes] : bytes_) total += bytes;
    return total;
  }
  void Print() const {
    for (const std::string& part : order_) {
      std::printf("  %-46s %9.1f MB\n", part.c_str(), bytes_.at(part) / 1e6);
    }
    std::printf("  %-46s %9.1f MB\n", "all of it", Total() / 1e6);
  }

 private:
  std::vector<std::string> order_;
  std::map<std::string, double> bytes_;
};

void CountColumn(const ColumnStore& col, Parts& parts) {
  const std::string part =
      col.type == ColumnType::kText ? col.name + " texts and offsets" : "integers and flags";
  parts.Add(part, col.text.bytes.bytes() + col.text.offsets.bytes() + col.ints.deltas().bytes() +
                      col.doubles.bytes() + col.nulls.bytes());
}

void CountPostings(const std::string& column, const Postings& postings, const char* kind,
                   Parts& parts) {
  const Postings::Parts& p = postings.parts();
  parts.Add(column + " posting lists of " + kind, p.bytes.bytes());
  parts.Add("posting lists' key index",
            p.hashed_keys.bytes() + p.starts.bytes() + p.counts.bytes());
}

// Builds what the data service's preparation builds for table's columns and counts it with
// the columns.
void Count(const Table& table, const gl::recordset::LookupColumns& lookups, Parts& parts) {
  for (size_t c = 0; c < table.column_count(); ++c) CountColumn(table.column(c), parts);
  auto each = [&](const std::vector<std::string>& names, auto count) {
    for (const std::string& name : names) {
      int c = table.FindColumn(name);
      if (c >= 0) count(static_cast<size_t>(c), name);
    }
  };
  each(lookups.codes, [&](size_t c, const std::string& name) {
    parts.Add(name + " code order", table.SortedByFoldedText(c).rows.bytes());
  });
  const std::pair<Postings::Keys, const char*> kinds[] = {{Postings::Keys::kChars, "chars"},
                                                          {Postings::Keys::kPairs, "pairs"},
                                                          {Postings::Keys::kTriples, "triples"}};
  each(lookups.names, [&](size_t c, const std::string& name) {
    for (auto [keys, what] : kinds) CountPostings(name, table.PostingsOf(c, keys), what, parts);
    size_t bytes = 0;  // a set shared by neighbouring phrases counted once
    const gl::recordset::RowSet* last = nullptr;
    for (const auto& [text, rows] : table.PhrasesOf(c).entries()) {
      bytes += text.size() + (last && rows.SharesWith(*last) ? 0 : rows.FrozenSize());
      last = &rows;
    }
    parts.Add(name + " frequent phrases", bytes);
  });
  each(lookups.sorted, [&](size_t c, const std::string& name) {
    parts.Add(name + " collation ranks", table.Ranks(c).bytes());
  });
  for (size_t c = 0; c < table.column_count(); ++c) {
    if (const auto* small = table.SmallValues(c)) {
      size_t bytes = 0;
      for (const auto& rows : small->rows) bytes += rows.FrozenSize();
      parts.Add("flag value sets", bytes);
    }
  }
}

const Table& TableOf(const gl::RecordsetPtr& rs) {
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
  const double resident_before = ResidentMb();
  const gl::recordset::LookupColumns lookups = {
      .codes = {"FNumber"}, .names = {"FName", "FHelperCode"}, .sorted = {}};

  gl::RecordsetPtr accounts = gl::ledger::LoadRecordset(
      *db,
      "SELECT id, number, name, detail, helper_code, is_bank, is_cash FROM accounts "
      "ORDER BY number",
      {}, gl::ledger::AccountColumns());
  Parts account_parts;
  Count(TableOf(accounts), lookups, account_parts);

  std::vector<int64_t> classes;
  db->Load("SELECT id FROM item_classes ORDER BY number", {},
           [&](const gl::ledger::ResultRow& row) { classes.push_back(row.Int(0)); });
  std::vector<gl::RecordsetPtr> items;
  Parts item_parts;
  for (int64_t id : classes) {
    items.push_back(gl::ledger::LoadRecordset(
        *db, "SELECT id, number, name, detail FROM items WHERE class_id = ?1 ORDER BY number", {id},
        gl::ledger::TreeColumns()));
    Count(TableOf(items.back()), lookups, item_parts);
  }
  const double resident = ResidentMb() - resident_before;

  const double file_mb = static_cast<double>(std::filesystem::file_size(ledger)) / 1e6;
  std::printf("%s: %.0f MB\n", ledger.c_str(), file_mb);
  std::printf("accounts (%ld):\n", accounts->RecordCount());
  account_parts.Print();
  std::printf("items of %zu classes:\n", classes.size());
  item_parts.Print();
  const double total = (account_parts.Total() + item_parts.Total()) / 1e6;
  std::printf("counted %.0f MB (%.2fx the ledger file); resident memory grew by %.0f MB\n", total,
              total / file_mb, resident);
  for (const std::string& place : gl::ledger::SnapshotPlaces(ledger)) {
    if (!std::filesystem::exists(place)) continue;
    double snapshot_mb = static_cast<double>(std::filesystem::file_size(place)) / 1e6;
    std::printf(
        "snapshot %.0f MB (%.2fx the ledger file), mapped by a form, resident only "
        "where used: %s\n",
        snapshot_mb, snapshot_mb / file_mb, place.c_str());
  }
  return 0;
}
