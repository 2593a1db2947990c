#include "ledger/sqlite_db.h"

#include <sqlite3.h>

#include <utility>

#include "contracts/error.h"

namespace glnamelist::ledger {

Database::Database(const std::string& path, Mode mode) : path_(path) {
  int flags =
      mode == Mode::kReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  flags |= SQLITE_OPEN_NOMUTEX;
  int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    throw Error(errc::kDataService, "Cannot open ledger " + path + ": " + why);
  }
  sqlite3_extended_result_codes(db_, 1);
}

Database::~Database() { sqlite3_close_v2(db_); }

void Database::ExecScript(const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    std::string why = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    throw Error(errc::kDataService, "Ledger " + path_ + ": " + why);
  }
}

Statement Database::Prepare(std::string_view sql) { return Statement(*this, sql); }

void Database::Fail(const std::string& doing) const {
  last_error_ = sqlite3_errcode(db_) & 0xff;
  throw Error(errc::kDataService, "Ledger " + path_ + ": " + doing + ": " + sqlite3_errmsg(db_));
}

Statement::Statement(const Database& db, std::string_view sql) : db_(&db) {
  if (sqlite3_prepare_v2(db.handle(), sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
      SQLITE_OK) {
    db.Fail("cannot prepare a query");
  }
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
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  sqlite3_reset(stmt_);
  db_->Fail("cannot read");
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
