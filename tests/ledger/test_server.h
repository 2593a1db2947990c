// The throwaway PostgreSQL server the ledger tests run against, started by pg_cluster.sh.
#ifndef GLNAMELIST_TESTS_LEDGER_TEST_SERVER_H_
#define GLNAMELIST_TESTS_LEDGER_TEST_SERVER_H_

#include <libpq-fe.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

namespace glnamelist::ledger::testing {

class TestServer {
 public:
  static bool Available() { return std::getenv("GLNAMELIST_PG_DIR") != nullptr; }

  // A URI for database on the server; password replaces the real one when given.
  static std::string Location(const std::string& database, const std::string* password = nullptr) {
    return "postgresql://postgres:" + Encoded(password ? *password : std::getenv("PGPASSWORD")) +
           "@" + Encoded(std::getenv("GLNAMELIST_PG_DIR")) + "/" + Encoded(database);
  }

  // How the ledger's messages name database on the server.
  static std::string Name(const std::string& database) {
    std::string host;
    for (char c : std::string(std::getenv("GLNAMELIST_PG_DIR")))
      host += c == '/' ? "%2F" : std::string(1, c);
    return "postgresql://postgres@" + host + ":5432/" + database;
  }

  // A new empty database whose name is full of quotes and SQL, as data never code.
  static std::string NewDatabase() {
    static int made = 0;
    std::string name = "ledger \"" + std::to_string(++made) + "\" '; DROP TABLE meta; -- \\ $1";
    std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(Location("postgres").c_str()),
                                                      PQfinish);
    std::unique_ptr<char, decltype(&PQfreemem)> quoted(
        PQescapeIdentifier(conn.get(), name.data(), name.size()), PQfreemem);
    Run("postgres", "CREATE DATABASE " + std::string(quoted.get()));
    return name;
  }

  // Runs sql in database as the superuser; the first column of the first row, if any.
  static std::string Run(const std::string& database, const std::string& sql) {
    std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(Location(database).c_str()),
                                                      PQfinish);
    std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(conn.get(), sql.c_str()), PQclear);
    ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
      throw std::runtime_error(PQerrorMessage(conn.get()));
    }
    return PQntuples(result.get()) > 0 ? PQgetvalue(result.get(), 0, 0) : "";
  }

 private:
  static std::string Encoded(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
      if (std::isalnum(c)) {
        out += static_cast<char>(c);
      } else {
        out += {'%', "0123456789ABCDEF"[c >> 4], "0123456789ABCDEF"[c & 15]};
      }
    }
    return out;
  }
};

}  // namespace glnamelist::ledger::testing

#endif  // GLNAMELIST_TESTS_LEDGER_TEST_SERVER_H_
