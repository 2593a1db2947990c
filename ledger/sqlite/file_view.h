// The one view a reader keeps of a ledger file: its reads in transactions, the outermost of
// which checks that the file still holds the ledger first read, its change log gone on from
// where it was (a commit of another program let through, a file put in its place refused).
#ifndef GLNAMELIST_LEDGER_SQLITE_FILE_VIEW_H_
#define GLNAMELIST_LEDGER_SQLITE_FILE_VIEW_H_

#include <cstdint>
#include <optional>
#include <string>

#include "ledger/sqlite/sqlite_db.h"

namespace glnamelist::ledger {

class FileView {
 public:
  // Which ledger the file holds and how far its change log goes.
  struct Lineage {
    std::string id;
    int64_t last_change = 0;
  };

  explicit FileView(Database& db) : db_(db) {}

  // A read begins: the outermost begins a transaction and checks the file. Fault kStopped
  // once the connection is interrupted, kChanged once the file holds another ledger (or an
  // older copy of this one).
  void Enter();
  // A read ends: the outermost ends the transaction.
  void Leave();
  // None in a file that is no ledger of this version (its check says so).
  std::optional<Lineage> LineageNow();

 private:
  void CheckUnchanged();
  void End() noexcept;

  Database& db_;
  std::optional<Statement> begin_, end_, version_, lineage_;
  int depth_ = 0;
  std::optional<int64_t> pinned_;  // the file's data_version as last checked
  std::optional<Lineage> pinned_lineage_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SQLITE_FILE_VIEW_H_
