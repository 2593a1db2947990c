// Ledgers on a PostgreSQL server, shared by the clerks of an office (libpq): where a reader
// of this folder starts. pg_conn.h is the plumbing the reader (pg_reader.cc, which takes a
// COPY's rows with pg_copy_rows.h), the writer (pg_writer.cc) and the copy target
// (pg_target.cc) share; pg_link.h the one connection a form's reader and writer share.
#ifndef GLNAMELIST_LEDGER_PG_PG_LEDGER_H_
#define GLNAMELIST_LEDGER_PG_PG_LEDGER_H_

#include <memory>
#include <string>

#include "contracts/api.h"
#include "ledger/db/ledger_db.h"

namespace glnamelist::ledger {

// Connects to the server with a libpq connection string (URI or keyword form), in UTF-8,
// within limits.connect. A server that is down, a wrong database, user or password: one
// LedgerError "Cannot open ledger postgresql://user@host:port/dbname: cannot connect:
// <cause>" with its fault; the password never appears in a message. Reads run on one
// connection, each load (and the reads made Together) in a read-only REPEATABLE READ
// transaction of its own, ended with it: look-ups are prepared statements (prepared and run
// in one round trip the first time); a load without values is one binary COPY whose rows
// are taken in as the server sends them, a load with values reads through a cursor a batch
// of rows at a time; between reads the connection listens for the notices of changed
// master data. Each request (each wait for a COPY's rows) waits limits.answer for the server
// at most (then the query is cancelled, Fault::kNoAnswer); a lost connection is made again
// by the next call. Values are bound in binary, results read in binary. A connection is
// readied in one round trip; the first one also asks ahead what a form asks as it opens the
// ledger (the schema check's, the change log's position, the stamp): those requests, made
// before any other, are answered as of the opening.
GLNAMELIST_INTERNAL std::unique_ptr<LedgerDb> OpenLedgerServer(const std::string& conninfo,
                                                               const LedgerLimits& limits);

// The identity of the database conninfo names (LedgerDb::Identity).
GLNAMELIST_INTERNAL std::string ServerIdentityAt(const std::string& conninfo);

class LedgerSession;
// The ledger on the server open for writing (OpenLedgerSession): on the connection of a
// reader of the same location in this process when one is open (a form holds one
// connection), else on one of its own made within limits.connect. Each transaction waits for
// the reads' transaction in progress, then holds the connection to its end; its Begin tests
// the connection and makes it again when the server ended it. Each statement is answered
// within limits.answer or cancelled.
GLNAMELIST_INTERNAL std::unique_ptr<LedgerSession> OpenLedgerServerSession(
    const std::string& conninfo, const LedgerLimits& limits);

// Writes a ledger into the (existing) database in one transaction: the schema's tables,
// rows by binary COPY, then the keys and indexes; see CreateLedger. While it writes it holds
// an advisory lock of the database, so that a second writer is refused at once; tables to
// replace that forms are reading are waited for 10 s at most.
GLNAMELIST_INTERNAL std::unique_ptr<LedgerTarget> CreateLedgerServer(const std::string& conninfo,
                                                                     bool replace);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_PG_PG_LEDGER_H_
