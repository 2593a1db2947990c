// A database of a benchmark's own on the server tests/ledger/pg_cluster.sh started.
#ifndef GLNAMELIST_BENCH_SERVER_DATABASE_H_
#define GLNAMELIST_BENCH_SERVER_DATABASE_H_

#include <libpq-fe.h>

#include <cstdlib>
#include <string>

#include "apps/glledger/ledger_copy.h"

namespace glnamelist::bench {

// The location of database `name`, made empty (dropped first when it was there) on the
// server named by GLNAMELIST_PG_SERVER; empty without a server, or when it cannot be made.
inline std::string FreshServerDatabase(const std::string& name) {
  const char* server = std::getenv("GLNAMELIST_PG_SERVER");
  if (!server) return {};
  PGconn* conn = PQconnectdb(server);
  PQclear(PQexec(conn, ("DROP DATABASE IF EXISTS " + name).c_str()));
  PGresult* made = PQexec(conn, ("CREATE DATABASE " + name).c_str());
  const bool ok = PQresultStatus(made) == PGRES_COMMAND_OK;
  PQclear(made);
  PQfinish(conn);
  return ok ? std::string(server) + " dbname=" + name : std::string();
}

// A copy of the ledger file in database `name` on that server, its rows' visibility settled
// by a vacuum as a server's ledger in use has it; empty without a server.
inline std::string CopiedToServer(const std::string& ledger, const std::string& name) {
  const std::string location = FreshServerDatabase(name);
  if (location.empty()) return {};
  ledger::CopyLedger(ledger, location, false, false);
  PGconn* conn = PQconnectdb(location.c_str());
  PQclear(PQexec(conn, "VACUUM ANALYZE"));
  PQfinish(conn);
  return location;
}

}  // namespace glnamelist::bench

#endif  // GLNAMELIST_BENCH_SERVER_DATABASE_H_
