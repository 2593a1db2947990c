#include "ledger/sqlite/sqlite_db.h"

#include <sqlite3.h>

#include <thread>
#include <utility>

#include "contracts/error.h"
#include "ledger/db/ledger_error.h"

namespace glnamelist::ledger {

namespace {

// How long one wait for a lock sleeps before it looks again.
constexpr std::chrono::milliseconds kLockPoll(10);

}  // namespace

Database::Database(const std::string& path, Mode mode, std::chrono::milliseconds lock_wait)
    : path_(path), lock_wait_(lock_wait) {
  int flags = mode == Mode::kCreate  ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
              : mode == Mode::kWrite ? SQLITE_OPEN_READWRITE
                                     : SQLITE_OPEN_READONLY;
  flags |= mode == Mode::kShared ? SQLITE_OPEN_FULLMUTEX : SQLITE_OPEN_NOMUTEX;
  int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    RefuseLedger(path, Fault::kOther, why, why);
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_handler(db_, &Database::WaitForLock, this);
}

int Database::WaitForLock(void* self, int attempts) {
  auto* db = static_cast<Database*>(self);
  if (db->interrupted_ || kLockPoll * attempts >= db->lock_wait_) return 0;
  std::this_thread::sleep_for(kLockPoll);
  return 1;
}

void Database::Interrupt() {
  interrupted_ = true;
  sqlite3_interrupt(db_);
}

Database::~Database() { sqlite3_close_v2(db_); }

Database::Held::Held(const Database& db) : mutex_(sqlite3_db_mutex(db.handle())) {
  sqlite3_mutex_enter(mutex_);  // none to hold (a null mutex) for a connection of one thread
}

Database::Held::~Held() { sqlite3_mutex_leave(mutex_); }

void Database::ExecScript(const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    std::string why = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    int code = sqlite3_errcode(db_) & 0xff;
    Fault fault = code == SQLITE_INTERRUPT || interrupted_       ? Fault::kStopped
                  : code == SQLITE_BUSY || code == SQLITE_LOCKED ? Fault::kLocked
                                                                 : Fault::kOther;
    throw LedgerError(fault, path_, "Ledger " + path_ + ": " + why, why, why);
  }
}

Statement Database::Prepare(std::string_view sql) { return Statement(*this, sql); }

void Database::Fail(const std::string& doing) const {
  const std::string said = sqlite3_errmsg(db_);
  std::string cause = said;
  Fault fault = Fault::kOther;
  switch (interrupted_ ? SQLITE_INTERRUPT : sqlite3_errcode(db_) & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      fault = Fault::kLocked;
      cause = "the file is locked by another program (" + said + ")";
      break;
    case SQLITE_NOTADB:
      fault = Fault::kNotALedger;
      cause = "not a ledger database (the file is not an SQLite database)";
      break;
    case SQLITE_CORRUPT:
      fault = Fault::kCorrupt;
      cause = "the database file is corrupt";
      break;
    case SQLITE_INTERRUPT:
      fault = Fault::kStopped;
      cause = "stopped: the program is closing";
      break;
    case SQLITE_CONSTRAINT: {
      const int code = sqlite3_extended_errcode(db_);
      if (code == SQLITE_CONSTRAINT_UNIQUE || code == SQLITE_CONSTRAINT_PRIMARYKEY) {
        fault = Fault::kConflict;
        cause = "a row with the same key is already there (" + said + ")";
      }
      break;
    }
    default:
      break;
  }
  throw ReadError(path_, doing, fault, cause, said);
}

Statement::Statement(const Database& db, std::string_view sql) : db_(&db) {
  sqlite3_mutex* mutex = sqlite3_db_mutex(db.handle());
  sqlite3_mutex_enter(mutex);
  if (sqlite3_prepare_v2(db.handle(), sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
      SQLITE_OK) {
    try {
      db.Fail("cannot prepare a query");
    } catch (...) {
      sqlite3_mutex_leave(mutex);
      throw;
    }
  }
  sqlite3_mutex_leave(mutex);
}

Statement::Statement(Statement&& other) noexcept
    : db_(other.db_), stmt_(std::exchange(other.stmt_, nullptr)) {}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::Bind(int index, int64_t value) {
  if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) db_->Fail("cannot bind a value");
  return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
  if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                        SQLITE_TRANSIENT) != SQLITE_OK) {
    db_->Fail("cannot bind a value");
  }
  return *this;
}

Statement& Statement::BindNull(int index) {
  if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) db_->Fail("cannot bind a value");
  return *this;
}

bool Statement::Step() {
  // The step and the reading of its error as one, when other threads use the connection.
  sqlite3_mutex* mutex = sqlite3_db_mutex(db_->handle());
  sqlite3_mutex_enter(mutex);
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
    sqlite3_mutex_leave(mutex);
    return rc == SQLITE_ROW;
  }
  sqlite3_reset(stmt_);
  try {
    db_->Fail("cannot read");
  } catch (...) {
    sqlite3_mutex_leave(mutex);
    throw;
  }
}

void Statement::Run() {
  Step();
  Reset();
}

void Statement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string_view Statement::Text(int column) const {
  const unsigned char* text = sqlite3_column_text(stmt_, column);
  if (!text) return {};
  return {reinterpret_cast<const char*>(text),
          static_cast<size_t>(sqlite3_column_bytes(stmt_, column))};
}

}  // namespace glnamelist::ledger
