// A ledger open for writing, through a connection of its own: the program's own SQL with
// bound values, in transactions it begins and ends. What writes into a ledger after it was
// made (the upgrade of its schema, the vouchers saved) is written once over this, for files
// and servers alike. A form's reading connection (LedgerDb) stays read-only.
#ifndef GLNAMELIST_LEDGER_DB_LEDGER_SESSION_H_
#define GLNAMELIST_LEDGER_DB_LEDGER_SESSION_H_

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "ledger/db/ledger_db.h"

namespace glnamelist::ledger {

class LedgerSession {
 public:
  virtual ~LedgerSession() = default;

  // The ledger as messages name it (never a password).
  virtual const std::string& name() const = 0;
  virtual bool OnServer() const = 0;

  // Begins a transaction. On a file, one that writes takes the file's write lock at once,
  // waiting LedgerLimits::lock_wait for another writer (then Fault::kLocked). On a server it
  // is READ COMMITTED; a statement the server has not answered within LedgerLimits::answer
  // (a lock another session holds, a frozen server) is cancelled and the connection dropped,
  // which undoes the transaction (Fault::kNoAnswer). A connection lost before is made again
  // here.
  virtual void Begin(bool write) = 0;
  virtual void Commit() = 0;
  // Ends the transaction, if any, undoing what it wrote; never fails.
  virtual void Rollback() noexcept = 0;

  // Runs one statement (parameters ?1, ?2, ...) within the transaction; its rows to on_row.
  // A key another session's row holds already, or a conflicting concurrent write:
  // Fault::kConflict; the transaction is then to be rolled back.
  virtual void Run(std::string_view sql, std::initializer_list<SqlValue> values,
                   const OnRow& on_row = nullptr) = 0;
  // Runs the program's own SQL text of several statements, without values (a schema step).
  virtual void Script(const std::string& sql) = 0;

  // Called from any thread. While stop is set, what the session waits for (a connection, an
  // answer, a lock, its turn) ends at once with Fault::kStopped, and the transaction in
  // progress is undone with its connection (a commit the server already took stays); the
  // session's calls then fail at once until Stop(false). A session without it ends its
  // waits within its limits.
  virtual void Stop(bool stop) { (void)stop; }
};

// One transaction of a session: rolled back when it ends without Commit.
class SessionTransaction {
 public:
  SessionTransaction(LedgerSession& session, bool write) : session_(session) {
    session.Begin(write);
  }
  ~SessionTransaction() {
    if (!done_) session_.Rollback();
  }
  SessionTransaction(const SessionTransaction&) = delete;
  SessionTransaction& operator=(const SessionTransaction&) = delete;

  void Commit() {
    session_.Commit();
    done_ = true;
  }

 private:
  LedgerSession& session_;
  bool done_ = false;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_DB_LEDGER_SESSION_H_
