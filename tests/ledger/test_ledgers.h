// What the ledger's tests share: the throwaway server that pg_cluster.sh starts, a folder
// of a test's own, and clerks in processes of their own that start at once.
#ifndef GLNAMELIST_TESTS_LEDGER_TEST_LEDGERS_H_
#define GLNAMELIST_TESTS_LEDGER_TEST_LEDGERS_H_

#include <libpq-fe.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <functional>
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

// What clerks in processes of their own wrote, all together, and how many ended cleanly.
struct ClerksRun {
  std::string output;
  int clean = 0;
};

// Runs clerk in count forked processes that all begin at once (when the parent closes the
// start pipe), each writing what its clerk returns to one pipe the parent reads to the end.
inline ClerksRun RunClerks(int count, const std::function<std::string()>& clerk) {
  int start[2], results[2];
  if (pipe(start) != 0 || pipe(results) != 0) throw std::runtime_error("cannot make a pipe");
  for (int i = 0; i < count; ++i) {
    if (fork() != 0) continue;
    close(start[1]);
    close(results[0]);
    char go;
    std::string said = read(start[0], &go, 1) == 0 ? clerk() : "no start\n";
    _exit(write(results[1], said.data(), said.size()) < 0 ? 2 : 0);
  }
  close(start[0]);
  close(start[1]);  // all start at once
  close(results[1]);
  ClerksRun run;
  char buffer[4096];
  for (ssize_t n; (n = read(results[0], buffer, sizeof buffer)) > 0;) {
    run.output.append(buffer, static_cast<size_t>(n));
  }
  close(results[0]);
  int status = 0;
  while (wait(&status) > 0) run.clean += WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_TESTS_LEDGER_TEST_LEDGERS_H_
