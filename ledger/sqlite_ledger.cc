#include "ledger/sqlite_ledger.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "contracts/error.h"
#include "ledger/ledger_schema.h"
#include "ledger/sqlite_db.h"

namespace glnamelist::ledger {

const std::string& EmbeddedSchema();

namespace {

void CheckFileItself(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    RefuseLedger(path, errno == ENOENT ? "file not found" : std::strerror(errno));
  }
  if (S_ISDIR(info.st_mode)) RefuseLedger(path, "is a directory, not a ledger file");
  if (access(path.c_str(), R_OK) != 0) {
    RefuseLedger(path, "file is not readable (permission denied)");
  }
  if (info.st_size == 0) RefuseLedger(path, "file is empty");
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

class StatementRow final : public ResultRow {
 public:
  explicit StatementRow(const Statement& statement) : statement_(statement) {}
  bool IsNull(int column) const override { return statement_.IsNull(column); }
  int64_t Int(int column) const override { return statement_.Int(column); }
  std::string_view Text(int column) const override { return statement_.Text(column); }

 private:
  const Statement& statement_;
};

void Bind(Statement& statement, std::span<const SqlValue> values) {
  int index = 1;
  for (const SqlValue& value : values) {
    if (const auto* number = std::get_if<int64_t>(&value)) {
      statement.Bind(index, *number);
    } else if (const auto* text = std::get_if<std::string_view>(&value)) {
      statement.Bind(index, *text);
    } else {
      statement.BindNull(index);
    }
    ++index;
  }
}

void Run(Statement& statement, std::initializer_list<SqlValue> values, const OnRow& on_row) {
  Bind(statement, {values.begin(), values.size()});
  StatementRow row(statement);
  try {
    while (statement.Step()) on_row(row);
  } catch (...) {
    statement.Reset();
    throw;
  }
  statement.Reset();
}

class SqliteLedgerDb final : public LedgerDb {
 public:
  explicit SqliteLedgerDb(const std::string& path) : db_(path, Database::Mode::kReadOnly) {}

  const std::string& name() const override { return db_.path(); }
  const Database& database() const { return db_; }

  void Lookup(std::string_view sql, std::initializer_list<SqlValue> values,
              const OnRow& on_row) override {
    auto found = prepared_.find(sql);
    if (found == prepared_.end())
      found = prepared_.emplace(std::string(sql), db_.Prepare(sql)).first;
    Run(found->second, values, on_row);
  }

  void Load(std::string_view sql, std::initializer_list<SqlValue> values,
            const OnRow& on_row) override {
    Statement statement(db_, sql);
    Run(statement, values, on_row);
  }

  // The file's identity and times, with SQLite's change counter of the file and the state
  // of its write-ahead log: any write to the ledger changes one of them.
  std::optional<LedgerStamp> Stamp() override {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(db_.path(), error);
    LedgerStamp stamp{path.lexically_normal().string(), ""};
    for (const std::string& file : {db_.path(), db_.path() + "-wal"}) {
      struct stat info {};
      if (stat(file.c_str(), &info) != 0) continue;
      stamp.version += std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" +
                       std::to_string(info.st_size) + ":" + std::to_string(info.st_mtim.tv_sec) +
                       "." + std::to_string(info.st_mtim.tv_nsec) + ";";
    }
    unsigned char counter[4] = {};
    if (FILE* f = std::fopen(db_.path().c_str(), "rb")) {
      if (std::fseek(f, 24, SEEK_SET) == 0 && std::fread(counter, 1, 4, f) == 4) {
        stamp.version += std::to_string((counter[0] << 24) | (counter[1] << 16) |
                                        (counter[2] << 8) | counter[3]);
      }
      std::fclose(f);
    }
    return stamp;
  }

  std::map<std::string, std::vector<std::string>> TableColumns() override {
    std::map<std::string, std::vector<std::string>> columns;
    Lookup(
        "SELECT m.name, c.name FROM sqlite_schema m, pragma_table_info(m.name) c "
        "WHERE m.type = 'table' ORDER BY m.name, c.cid",
        {},
        [&](const ResultRow& row) { columns[std::string(row.Text(0))].emplace_back(row.Text(1)); });
    return columns;
  }

 private:
  Database db_;
  std::map<std::string, Statement, std::less<>> prepared_;
};

class FileSink final : public RowSink {
 public:
  FileSink(Database& db, std::string_view table, const std::vector<std::string_view>& columns)
      : insert_(db, InsertSql(table, columns)) {}

  void Add(std::span<const SqlValue> values) override {
    Bind(insert_, values);
    insert_.Run();
  }
  void Close() override {}

 private:
  // Table and column names are the program's own (LedgerTables), never input.
  static std::string InsertSql(std::string_view table,
                               const std::vector<std::string_view>& columns) {
    std::string names, marks;
    for (size_t i = 0; i < columns.size(); ++i) {
      names += (i ? ", " : "") + std::string(columns[i]);
      marks += (i ? ", ?" : "?") + std::to_string(i + 1);
    }
    return "INSERT INTO " + std::string(table) + " (" + names + ") VALUES (" + marks + ")";
  }

  Statement insert_;
};

class FileTarget final : public LedgerTarget {
 public:
  explicit FileTarget(const std::string& path) : path_(path), temp_path_(path + ".part") {
    std::remove(temp_path_.c_str());
    db_.emplace(temp_path_, Database::Mode::kCreate);
    db_->ExecScript(
        "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -65536;");
    db_->ExecScript(EmbeddedSchema());
    db_->ExecScript("BEGIN");
  }
  ~FileTarget() override {
    if (db_) {
      db_.reset();
      std::remove(temp_path_.c_str());
    }
  }

  const std::string& name() const override { return path_; }

  std::unique_ptr<RowSink> Rows(std::string_view table,
                                const std::vector<std::string_view>& columns) override {
    return std::make_unique<FileSink>(*db_, table, columns);
  }

  void Finish() override {
    db_->ExecScript("COMMIT");
    db_.reset();
    if (std::rename(temp_path_.c_str(), path_.c_str()) != 0) {
      std::remove(temp_path_.c_str());
      throw Error(errc::kDataService, "Cannot write " + path_);
    }
  }

 private:
  std::string path_, temp_path_;
  std::optional<Database> db_;
};

}  // namespace

std::unique_ptr<LedgerDb> OpenLedgerFile(const std::string& path) {
  CheckFileItself(path);
  auto db = std::make_unique<SqliteLedgerDb>(path);
  try {
    CheckLedgerSchema(*db);
  } catch (const Error&) {
    if (db->database().last_error() == 0) throw;  // a refusal of ours, not an SQLite failure
    RefuseLedger(path, CauseOf(db->database()));
  }
  return db;
}

std::unique_ptr<LedgerTarget> CreateLedgerFile(const std::string& path) {
  return std::make_unique<FileTarget>(path);
}

}  // namespace glnamelist::ledger
