// A small RAII layer over the SQLite C API: a database connection and prepared statements.
//
// Values only ever reach SQL through bound parameters. Every failure raises a LedgerError
// (ledger_error.h) whose text names the database file, told by its fault: kLocked for a file
// another program holds locked (once the wait for it has passed), kNotALedger, kCorrupt,
// kStopped for an interrupted statement.
#ifndef GLNAMELIST_LEDGER_SQLITE_SQLITE_DB_H_
#define GLNAMELIST_LEDGER_SQLITE_SQLITE_DB_H_

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_mutex;

namespace glnamelist::ledger {

class Statement;

class Database {
 public:
  enum class Mode { kReadOnly, kShared, kCreate, kWrite };

  // kReadOnly opens an existing file for reading only; kShared too, for use by several
  // threads (each call of SQLite's serialised); kCreate opens it read-write, creating it
  // when missing; kWrite opens an existing file read-write. Error naming the file when SQLite
  // refuses. A statement that finds the file locked by another program waits up to lock_wait for
  // it.
  Database(const std::string& path, Mode mode,
           std::chrono::milliseconds lock_wait = std::chrono::milliseconds(2000));
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  ~Database();

  const std::string& path() const { return path_; }
  sqlite3* handle() const { return db_; }

  // Holds the connection for the calling thread while it lives (a kShared one's lock, which
  // the calls this thread makes meanwhile pass at once, and other threads wait for). What runs
  // meanwhile must not wait for a thread that waits for this connection.
  class Held {
   public:
    explicit Held(const Database& db);
    ~Held();
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

   private:
    sqlite3_mutex* mutex_;
  };

  // Runs trusted SQL text of the program or of a repository file (schema, sample data):
  // several statements, no results. Never used with values from outside.
  void ExecScript(const std::string& sql);

  // A prepared statement over this connection.
  Statement Prepare(std::string_view sql);

  // Raises the LedgerError for the connection's last failure, with what was being done.
  [[noreturn]] void Fail(const std::string& doing) const;

  // Makes the statement running now fail, and every later one, with Fault::kStopped;
  // waiting for a lock ends too. Called from any thread.
  void Interrupt();
  bool interrupted() const { return interrupted_; }
  // Lets the statements after an Interrupt run again.
  void Resume() { interrupted_ = false; }

 private:
  static int WaitForLock(void* self, int attempts);

  std::string path_;
  sqlite3* db_ = nullptr;
  std::chrono::milliseconds lock_wait_;
  std::atomic<bool> interrupted_ = false;
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
  const Database& database() const { return *db_; }
  sqlite3_stmt* handle() const { return stmt_; }
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

#endif  // GLNAMELIST_LEDGER_SQLITE_SQLITE_DB_H_
