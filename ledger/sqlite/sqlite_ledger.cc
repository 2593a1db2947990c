#include "ledger/sqlite/sqlite_ledger.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "contracts/error.h"
#include "ledger/db/ledger_error.h"
#include "ledger/db/ledger_session.h"
#include "ledger/ledger_schema.h"
#include "ledger/sqlite/file_view.h"
#include "ledger/sqlite/file_watch.h"
#include "ledger/sqlite/file_write.h"
#include "ledger/sqlite/sqlite_db.h"

namespace glnamelist::ledger {

const std::string& EmbeddedSchema();

namespace {

// The times and sizes of a ledger file and of its write-ahead log, and SQLite's change counter
// in the file's header.
std::string FileVersionAt(const std::string& path) {
  std::string version;
  for (const std::string& file : {path, path + "-wal"}) {
    struct stat info {};
    if (stat(file.c_str(), &info) != 0) continue;
    version += std::to_string(info.st_size) + ":" + std::to_string(info.st_mtim.tv_sec) + "." +
               std::to_string(info.st_mtim.tv_nsec) + ";";
  }
  unsigned char counter[4] = {};
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    if (std::fseek(f, 24, SEEK_SET) == 0 && std::fread(counter, 1, 4, f) == 4) {
      version += std::to_string((uint32_t{counter[0]} << 24) | (uint32_t{counter[1]} << 16) |
                                (uint32_t{counter[2]} << 8) | counter[3]);
    }
    std::fclose(f);
  }
  return version;
}

void CheckFileItself(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR)
      RefuseLedger(path, Fault::kFileMissing, "file not found");
    if (errno == EACCES) {
      RefuseLedger(path, Fault::kFileUnreadable, "file is not readable (permission denied)");
    }
    RefuseLedger(path, Fault::kOther, std::strerror(errno), std::strerror(errno));
  }
  if (S_ISDIR(info.st_mode)) {
    RefuseLedger(path, Fault::kFileIsFolder, "is a directory, not a ledger file");
  }
  if (access(path.c_str(), R_OK) != 0) {
    RefuseLedger(path, Fault::kFileUnreadable, "file is not readable (permission denied)");
  }
  if (info.st_size == 0) RefuseLedger(path, Fault::kFileEmpty, "file is empty");
}

// The row a statement stepped to, read with its connection held: each column's value is
// taken from SQLite once (one pass of a shared connection's lock, where each reading of it
// would pass it again) and read from there.
class StatementRow final : public ResultRow {
 public:
  explicit StatementRow(const Statement& statement) : statement_(statement.handle()) {}
  // The statement stepped on: the values taken are of the row before.
  void Stepped() { column_ = -1; }

  bool IsNull(int column) const override {
    return sqlite3_value_type(Value(column)) == SQLITE_NULL;
  }
  int64_t Int(int column) const override { return sqlite3_value_int64(Value(column)); }
  std::string_view Text(int column) const override {
    sqlite3_value* value = Value(column);
    const unsigned char* text = sqlite3_value_text(value);
    if (!text) return {};
    return {reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_value_bytes(value))};
  }

 private:
  sqlite3_value* Value(int column) const {
    if (column != column_) {
      value_ = sqlite3_column_value(statement_, column);
      column_ = column;
    }
    return value_;
  }

  sqlite3_stmt* statement_;
  mutable int column_ = -1;
  mutable sqlite3_value* value_ = nullptr;
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

void Run(Statement& statement, std::span<const SqlValue> values, const OnRow& on_row) {
  Bind(statement, values);
  StatementRow row(statement);
  try {
    // A row stepped to and read with the connection held: the reads of its values pass the
    // connection's lock at once, rather than each taking it (on_row does not use the ledger).
    for (;;) {
      Database::Held held(statement.database());
      if (!statement.Step()) break;
      row.Stepped();
      on_row(row);
    }
  } catch (...) {
    statement.Reset();
    throw;
  }
  statement.Reset();
}

// One connection, shared by the threads that read; every read in a transaction that first
// checks the file is still the version it was when the ledger was opened.
class SqliteLedgerDb final : public LedgerDb {
 public:
  SqliteLedgerDb(const std::string& path, const LedgerLimits& limits)
      : db_(path, Database::Mode::kShared, limits.lock_wait), identity_(FileIdentityAt(path)) {}

  const std::string& name() const override { return db_.path(); }

  using LedgerDb::Lookup;
  void Lookup(std::string_view sql, std::span<const SqlValue> values,
              const OnRow& on_row) override {
    std::lock_guard lock(mutex_);
    Transaction transaction(*this);
    auto found = prepared_.find(sql);
    if (found == prepared_.end())
      found = prepared_.emplace(std::string(sql), db_.Prepare(sql)).first;
    Run(found->second, values, on_row);
  }

  void Load(std::string_view sql, std::initializer_list<SqlValue> values,
            const OnRow& on_row) override {
    std::unique_lock lock(mutex_);
    Transaction transaction(*this);
    Statement statement(db_, sql);
    // Other threads' reads run between the steps, in the same transaction.
    lock.unlock();
    try {
      Run(statement, {values.begin(), values.size()}, on_row);
    } catch (...) {
      lock.lock();
      throw;
    }
    lock.lock();
  }

  TableShape ShapeOf(std::string_view table) override {
    TableShape shape;
    Lookup(
        "SELECT type, sql FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?1 "
        "COLLATE NOCASE",
        {table}, [&](const ResultRow& row) {
          std::string_view type = row.Text(0), sql = row.Text(1);
          bool is_virtual =
              sql.size() >= 14 && sqlite3_strnicmp(sql.data(), "CREATE VIRTUAL", 14) == 0;
          shape.kind = type == "view" ? TableShape::Kind::kView
                       : is_virtual   ? TableShape::Kind::kOther
                                      : TableShape::Kind::kTable;
          shape.what = type == "view" ? "a view" : is_virtual ? "a virtual table" : "";
        });
    if (shape.kind == TableShape::Kind::kNone) return shape;
    Lookup("SELECT name, type FROM pragma_table_info(?1)", {table}, [&](const ResultRow& row) {
      std::string declared(row.Text(1));
      shape.columns.push_back({std::string(row.Text(0)), TypeOf(declared), declared});
    });
    return shape;
  }

  void Interrupt() override {
    db_.Interrupt();
    std::lock_guard lock(watch_mutex_);
    watch_.reset();
  }

  std::string Identity() override { return identity_; }

  void Together(const std::function<void()>& reads) override {
    std::unique_lock lock(mutex_);
    Transaction transaction(*this);
    RunUnlocked(lock, reads);  // other threads' reads join it meanwhile
  }

  void Watch(std::function<void(bool seen)> seen) override {
    std::lock_guard lock(watch_mutex_);
    if (!watch_ && !db_.interrupted()) {
      watch_ = std::make_unique<FileWatch>(db_.path(), kWatchTick, std::move(seen));
    }
  }

  // The file opened (its identity) and its version: the times and sizes of the file and of
  // its write-ahead log with SQLite's change counter, which any write changes. Nothing once
  // another file has taken the ledger's path: this connection still reads the one it opened.
  std::optional<LedgerStamp> Stamp() override {
    std::lock_guard lock(mutex_);
    Transaction transaction(*this);  // fails once the file was changed in place
    if (FileIdentityAt(db_.path()) != identity_) return std::nullopt;
    // The ledger and the last change of its master data: a voucher saved leaves it as it was.
    if (std::optional<FileView::Lineage> lineage = view_.LineageNow()) {
      return LedgerStamp{"ledger " + lineage->id, std::to_string(lineage->last_change)};
    }
    return LedgerStamp{identity_, FileVersionAt(db_.path())};
  }

 private:
  // A read of the ledger: the outermost one of the connection begins a transaction and
  // checks the file's version. Made and ended with mutex_ held.
  class Transaction {
   public:
    explicit Transaction(SqliteLedgerDb& db) : db_(db) { db.view_.Enter(); }
    ~Transaction() { db_.view_.Leave(); }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

   private:
    SqliteLedgerDb& db_;
  };

  // SQLite's type affinity of a declared column type.
  static TableShape::Type TypeOf(const std::string& declared) {
    std::string upper;
    for (char c : declared) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.find("INT") != std::string::npos) return TableShape::Type::kInteger;
    for (const char* text : {"CHAR", "CLOB", "TEXT"}) {
      if (upper.find(text) != std::string::npos) return TableShape::Type::kText;
    }
    return TableShape::Type::kOther;
  }

  Database db_;
  std::string identity_;
  std::mutex mutex_;
  FileView view_{db_};
  std::map<std::string, Statement, std::less<>> prepared_;
  std::mutex watch_mutex_;
  std::unique_ptr<FileWatch> watch_;
};

// A ledger file open for writing: one read-write connection of its own, foreign keys
// enforced, statements prepared once.
class FileSession final : public LedgerSession {
 public:
  FileSession(const std::string& path, const LedgerLimits& limits)
      : db_(path, Database::Mode::kWrite, limits.lock_wait) {
    db_.ExecScript("PRAGMA foreign_keys = ON");
  }

  const std::string& name() const override { return db_.path(); }
  bool OnServer() const override { return false; }

  // A transaction a failure left open (a commit the lock refused) is undone first, so that
  // a lock that has passed never leaves the session unable to write.
  void Begin(bool write) override {
    Rollback();
    Exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
  }
  void Commit() override { Exec("COMMIT"); }
  void Rollback() noexcept override {
    if (!sqlite3_get_autocommit(db_.handle())) {
      sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
  }

  void Run(std::string_view sql, std::initializer_list<SqlValue> values,
           const OnRow& on_row) override {
    try {
      auto found = prepared_.find(sql);
      if (found == prepared_.end()) {
        found = prepared_.emplace(std::string(sql), db_.Prepare(sql)).first;
      }
      ledger::Run(
          found->second, values, on_row ? on_row : [](const ResultRow&) {});
    } catch (const LedgerError& e) {
      throw ReadError(name(), "cannot write", e.fault(), e.cause(), e.said());
    }
  }

  void Script(const std::string& sql) override { Exec(sql); }

  // An interrupted write is undone by the file's own journal.
  void Stop(bool stop) override {
    if (stop) {
      db_.Interrupt();
    } else {
      db_.Resume();
    }
  }

 private:
  void Exec(const std::string& sql) {
    try {
      db_.ExecScript(sql);
    } catch (const LedgerError& e) {
      if (e.fault() == Fault::kLocked) {
        throw ReadError(name(), "cannot write", e.fault(),
                        "the file is locked by another program (" + e.said() + ")", e.said());
      }
      throw ReadError(name(), "cannot write", e.fault(), e.cause(), e.said());
    }
  }

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
  explicit FileTarget(const std::string& path) : path_(path), write_(path) {
    db_.emplace(write_.temp_path(), Database::Mode::kCreate);
    db_->ExecScript(
        "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -65536;");
    db_->ExecScript(EmbeddedSchema());
    RunSchemaSteps(
        1, false, [&](const std::string& sql) { db_->ExecScript(sql); }, StepPart::kBeforeRows);
    db_->ExecScript("BEGIN");
  }

  const std::string& name() const override { return path_; }

  std::unique_ptr<RowSink> Rows(std::string_view table,
                                const std::vector<std::string_view>& columns) override {
    return std::make_unique<FileSink>(*db_, table, columns);
  }

  void Finish() override {
    RunSchemaSteps(
        1, false, [&](const std::string& sql) { db_->ExecScript(sql); }, StepPart::kAfterRows);
    db_->ExecScript("COMMIT");
    db_->ExecScript(kWriteAheadLog);
    db_.reset();
    write_.Commit();
  }

 private:
  std::string path_;
  FileWrite write_;  // removes the temporary file unless committed
  std::optional<Database> db_;
};

}  // namespace

std::string FileIdentityAt(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return "";
  return "file:" + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

std::unique_ptr<LedgerDb> OpenLedgerFile(const std::string& path, const LedgerLimits& limits) {
  CheckFileItself(path);
  return std::make_unique<SqliteLedgerDb>(path, limits);
}

std::unique_ptr<LedgerSession> OpenLedgerFileSession(const std::string& path,
                                                     const LedgerLimits& limits) {
  CheckFileItself(path);
  return std::make_unique<FileSession>(path, limits);
}

std::unique_ptr<LedgerTarget> CreateLedgerFile(const std::string& path) {
  return std::make_unique<FileTarget>(path);
}

}  // namespace glnamelist::ledger
