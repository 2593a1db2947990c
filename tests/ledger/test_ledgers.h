// What the ledger's tests share: the throwaway server that pg_cluster.sh starts and a folder
// of a test's own.
#ifndef GLNAMELIST_TESTS_LEDGER_TEST_LEDGERS_H_
#define GLNAMELIST_TESTS_LEDGER_TEST_LEDGERS_H_

#include <libpq-fe.h>
#include <stdlib.h>

#include <cctype>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace glnamelist::ledger {

// The test server of pg_cluster.sh.
struct TestServer {
  static bool Available() { return getenv("GLNAMELIST_PG_DIR") != nullptr; }

  // A URI for database on the server; password replaces the real one when given.
  static std::string Location(const std::string& database, const char* password = nullptr) {
    return "postgresql://postgres:" + Encoded(password ? password : getenv("PGPASSWORD")) + "@" +
           Encoded(getenv("GLNAMELIST_PG_DIR")) + "/" + Encoded(database);
  }
  static std::string Encoded(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
      out += std::isalnum(c) ? std::string(1, c) : std::string{'%', kHex[c >> 4], kHex[c & 15]};
    }
    return out;
  }
  static constexpr char kHex[] = "0123456789ABCDEF";

  // How the ledger's messages name database on the server.
  static std::string Name(const std::string& database) {
    std::string host;
    for (char c : std::string(getenv("GLNAMELIST_PG_DIR")))
      host += c == '/' ? "%2F" : std::string(1, c);
    return "postgresql://postgres@" + host + ":5432/" + database;
  }

  // A new empty database whose name is full of quotes and SQL, as data never code.
  static std::string NewDatabase() {
    static int made = 0;
    const std::string n = std::to_string(++made), rest = " '; DROP TABLE meta; -- \\ $1";
    Run("postgres", "CREATE DATABASE \"ledger \"\"" + n + "\"\"" + rest + "\"");
    return "ledger \"" + n + "\"" + rest;
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
};

// A directory of its own under the system's temporary directory, removed with its contents.
struct TempDir {
  TempDir() : path((std::filesystem::temp_directory_path() / "ledger-test-XXXXXX").string()) {
    if (!mkdtemp(path.data())) throw std::runtime_error("mkdtemp failed");
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  std::string File(const std::string& name) const { return path + "/" + name; }
  std::string path;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_TESTS_LEDGER_TEST_LEDGERS_H_
