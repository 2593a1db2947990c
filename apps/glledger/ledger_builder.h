// Writing ledger files: from SQL text (the bundled sample) and the derived columns every
// ledger needs.
#ifndef GLNAMELIST_APPS_GLLEDGER_LEDGER_BUILDER_H_
#define GLNAMELIST_APPS_GLLEDGER_LEDGER_BUILDER_H_

#include <functional>
#include <string>
#include <vector>

#include "apps/glledger/pinyin.h"
#include "ledger/sqlite/sqlite_db.h"

namespace glnamelist::ledger {

// The text of schema.sql, built into the program.
const std::string& EmbeddedSchema();

// Reads a whole file; Error naming it when it cannot be read.
std::string ReadTextFile(const std::string& path);

// Builds the ledger at out from the schema, the schema steps after its version (so that a
// schema of version 1 makes a ledger of the current one) and the data scripts (run in
// order, as SQLite SQL). A file is written beside out under a temporary name and renamed into place
// when complete, so a failed build leaves no half-built ledger. For a connection string the ledger
// is built in a temporary file and copied onto the server (CopyLedger; replace as there). Error on
// any SQL failure or inconsistent data (an entry whose parent code does not exist, a duplicate
// code).
void BuildLedger(const std::string& schema_sql, const std::vector<std::string>& data_sql,
                 const std::string& out, bool replace = false);

// Fills the derived columns of accounts, items and SubMes entries from their codes:
// parent_id (the entry whose code is this one's without its last ".level"), level (count
// of levels), detail (1 when no entry has this one as parent) and helper_code (pinyin
// initials of the name).
void DeriveTreeColumns(Database& db, PinyinInitials& pinyin);

// Sets pragmas for a fast one-off bulk write (no journal, no syncs) of a new file.
void PrepareForBulkWrite(Database& db);

// Writes out_path through a temporary file of its own (ledger::FileWrite): make(temp_path)
// fills it, then it is written through and renamed. On failure the temporary file is
// removed and the error passed on; a second writer of out_path is refused meanwhile.
void WriteThroughTemporary(const std::string& out_path,
                           const std::function<void(const std::string& temp_path)>& make);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_APPS_GLLEDGER_LEDGER_BUILDER_H_
