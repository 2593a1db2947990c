#include "ledger/ledger_file.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "contracts/error.h"

namespace glnamelist::ledger {
namespace {

struct TableColumns {
  std::string_view table;
  std::vector<std::string_view> columns;
};

// What the data service reads; a file without one of these is not a ledger it can serve.
const std::vector<TableColumns>& RequiredTables() {
  static const std::vector<TableColumns> tables = {
      {"accounts",
       {"id", "number", "name", "parent_id", "detail", "helper_code", "is_bank", "is_cash"}},
      {"currencies", {"id", "number", "name"}},
      {"item_classes", {"id", "number", "name"}},
      {"items", {"id", "class_id", "number", "name", "detail"}},
      {"unit_groups", {"id", "number", "name"}},
      {"units", {"id", "group_id", "number", "name"}},
      {"vch_explanations", {"id", "number", "explanation"}},
      {"submes", {"id", "class_id", "number", "name", "detail"}},
      {"settle_types", {"id", "number", "name"}},
  };
  return tables;
}

[[noreturn]] void Refuse(const std::string& path, const std::string& cause) {
  throw Error(errc::kDataService, "Cannot open ledger " + path + ": " + cause);
}

void CheckFileItself(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    Refuse(path, errno == ENOENT ? "file not found" : std::strerror(errno));
  }
  if (S_ISDIR(info.st_mode)) Refuse(path, "is a directory, not a ledger file");
  if (access(path.c_str(), R_OK) != 0) Refuse(path, "file is not readable (permission denied)");
  if (info.st_size == 0) Refuse(path, "file is empty");
}

// The cause to show for an SQLite failure while reading the file's own structure.
std::string CauseOf(const Database& db) {
  switch (db.last_error()) {
    case SQLITE_NOTADB:
      return "not a ledger database (the file is not an SQLite database)";
    case SQLITE_CORRUPT:
      return "the database file is corrupt";
    default:
      return sqlite3_errmsg(db.handle());
  }
}

int ReadSchemaVersion(Database& db) {
  Statement has_meta(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?1");
  has_meta.Bind(1, std::string_view("meta"));
  has_meta.Step();
  if (has_meta.Int(0) == 0) Refuse(db.path(), "wrong schema: no meta table (not a ledger file)");
  Statement version(db, "SELECT value FROM meta WHERE key = ?1");
  version.Bind(1, std::string_view("schema_version"));
  if (!version.Step()) Refuse(db.path(), "wrong schema: no schema version");
  std::string text(version.Text(0));
  try {
    size_t used = 0;
    int number = std::stoi(text, &used);
    if (used == text.size()) return number;
  } catch (const std::exception&) {
  }
  Refuse(db.path(), "wrong schema: schema version '" + text + "' is not a number");
}

void CheckTables(Database& db) {
  Statement columns(db, "SELECT name FROM pragma_table_info(?1)");
  for (const TableColumns& wanted : RequiredTables()) {
    columns.Bind(1, wanted.table);
    std::vector<std::string> present;
    while (columns.Step()) present.emplace_back(columns.Text(0));
    columns.Reset();
    if (present.empty()) Refuse(db.path(), "wrong schema: no table " + std::string(wanted.table));
    for (std::string_view column : wanted.columns) {
      if (std::find(present.begin(), present.end(), column) == present.end()) {
        Refuse(db.path(), "wrong schema: table " + std::string(wanted.table) + " has no column " +
                              std::string(column));
      }
    }
  }
}

}  // namespace

std::unique_ptr<Database> OpenLedgerFile(const std::string& path) {
  CheckFileItself(path);
  auto db = std::make_unique<Database>(path, Database::Mode::kReadOnly);
  try {
    int version = ReadSchemaVersion(*db);
    if (version != kSchemaVersion) {
      Refuse(path, "wrong schema: version " + std::to_string(version) + ", this program reads " +
                       std::to_string(kSchemaVersion));
    }
    CheckTables(*db);
  } catch (const Error&) {
    if (db->last_error() == 0) throw;  // a refusal of ours, not an SQLite failure
    Refuse(path, CauseOf(*db));
  }
  return db;
}

}  // namespace glnamelist::ledger
