// A small RAII layer over the SQLite C API: a database connection and prepared statements.
//
// Values only ever reach SQL through bound parameters. Every failure raises a
// glnamelist::Error (number errc::kDataService) whose text names the database file.
#ifndef GLNAMELIST_LEDGER_SQLITE_DB_H_
#define GLNAMELIST_LEDGER_SQLITE_DB_H_

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace glnamelist::ledger {

class Statement;

class Database {
 public:
  enum class Mode { kReadOnly, kCreate };

  // kReadOnly opens an existing file for reading only; kCreate opens it read-write,
  // creating it when missing. Error naming the file when SQLite refuses.
  Database(const std::string& path, Mode mode);
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  ~Database();

  const std::string& path() const { return path_; }
  sqlite3* handle() const { return db_; }

  // Runs trusted SQL text of the program or of a repository file (schema, sample data):
  // several statements, no results. Never used with values from outside.
  void ExecScript(const std::string& sql);

  // A prepared statement over this connection.
  Statement Prepare(std::string_view sql);

  // Raises the Error for the connection's last failure, with what was being done, and
  // remembers its primary result code for last_error().
  [[noreturn]] void Fail(const std::string& doing) const;
  int last_error() const { return last_error_; }

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
  mutable int last_error_ = 0;
};

// A prepared statement. Bind parameters are 1-based; columns are 0-based. Step() returns
// true while a row is available; Reset() makes the statement ready to run again with new
// bindings.
class Statement {
 public:
  Statement(const Database& db, std::string_view sql);
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&&) = delete;
  Statement(const Statement&) = delete;
  ~Statement();

  Statement& Bind(int index, int64_t value);
  Statement& Bind(int index, std::string_view text);
  Statement& BindNull(int index);

  bool Step();
  // Runs a statement that returns no rows, then resets it.
  void Run();
  void Reset();

  bool IsNull(int column) const;
  int64_t Int(int column) const;
  // The text of the column (empty for null); valid until the next Step or Reset.
  std::string_view Text(int column) const;

 private:
  const Database* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SQLITE_DB_H_
