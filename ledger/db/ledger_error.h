// The errors of a ledger, told by their cause, so that a program words each for its own
// readers (the forms in Chinese, with the database's own words beside) without reading the
// English text.
#ifndef GLNAMELIST_LEDGER_DB_LEDGER_ERROR_H_
#define GLNAMELIST_LEDGER_DB_LEDGER_ERROR_H_

#include <string>

#include "contracts/api.h"
#include "contracts/error.h"

namespace glnamelist::ledger {

// Why a ledger could not be opened or read.
enum class Fault {
  kOther,               // anything else the database said
  kFileMissing,         // no file at the path
  kFileIsFolder,        // the path is a folder
  kFileUnreadable,      // no permission to read the file
  kFileEmpty,           // the file has no bytes
  kNotALedger,          // not a database, or a database without a ledger
  kCorrupt,             // the file is damaged or cut short
  kWrongVersion,        // a ledger of another schema version
  kWrongSchema,         // a table or column missing, of the wrong type, or not a table
  kAuthentication,      // the server refused the user or password
  kNoDatabase,          // no such database on the server
  kUnreachable,         // the server cannot be reached (down, wrong host or port)
  kTooManyConnections,  // the server or the role allows no more connections
  kNoPermission,        // the user may not read the ledger's tables
  kNoWritePermission,   // the user may read the ledger but not write into it
  kPasswordRefused,     // a password the server took before is refused now (it expired)
  kLost,                // the connection to the server was lost while in use
  kNoAnswer,            // the server gave no answer within the time limit
  kLocked,              // another program holds the ledger file locked
  kChanged,             // another ledger (or an older copy) took the place of the one opened
  kStopped,             // reading was stopped: the program is closing
  kConflict,            // a write met another session's at the same time (a key taken, ...)
  kAbandoned,           // the person gave up waiting for the ledger's answer
};

// A ledger's error: errc::kDataService, an English text naming the ledger ("Cannot open
// ledger <name>: <cause>" or "Ledger <name>: <doing>: <cause>"), and the fault with the
// database's own words (empty when the cause is a check of ours).
class GLNAMELIST_INTERNAL LedgerError : public Error {
 public:
  LedgerError(Fault fault, std::string ledger, const std::string& text, std::string cause,
              std::string said = {}, long version = 0)
      : Error(errc::kDataService, text),
        fault_(fault),
        ledger_(std::move(ledger)),
        cause_(std::move(cause)),
        said_(std::move(said)),
        version_(version) {}

  Fault fault() const { return fault_; }
  // The ledger as the text names it (a Location's Shown or Name, or a server's).
  const std::string& ledger() const { return ledger_; }
  // The text's cause, after the ledger's name (and what was being done).
  const std::string& cause() const { return cause_; }
  // What the database itself said (SQLite's or the server's message, one line, no password).
  const std::string& said() const { return said_; }
  // kWrongVersion: the ledger's schema version.
  long version() const { return version_; }

 private:
  Fault fault_;
  std::string ledger_;
  std::string cause_;
  std::string said_;
  long version_;
};

// LedgerError "Cannot open ledger <name>: <cause>".
[[noreturn]] GLNAMELIST_INTERNAL void RefuseLedger(const std::string& name, Fault fault,
                                                   const std::string& cause,
                                                   const std::string& said = {}, long version = 0);
// LedgerError "Ledger <name>: <doing>: <cause>".
GLNAMELIST_INTERNAL LedgerError ReadError(const std::string& name, const std::string& doing,
                                          Fault fault, const std::string& cause,
                                          const std::string& said = {});

// The fault of e: its own for a LedgerError, kOther for any other.
GLNAMELIST_INTERNAL Fault FaultOf(const std::exception& e);

// True for the faults that end when the server can be reached again (lost, unreachable, no
// answer, too many connections) or the file's lock is gone, and for a wait given up: trying
// again later may work.
GLNAMELIST_INTERNAL bool Passing(Fault fault);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_DB_LEDGER_ERROR_H_
