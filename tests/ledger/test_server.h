// The throwaway PostgreSQL server the ledger tests run against: started by pg_cluster.sh,
// which hands its superuser connection string over in GLNAMELIST_PG_SERVER.
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
  static bool Available() { return std::getenv("GLNAMELIST_PG_SERVER") != nullptr; }

  // A URI for database on the server; password replaces the real one when given.
  static std::string Location(const std::string& database, const std::string* password = nullptr) {
    return "postgresql://postgres:" + Encoded(password ? *password : Setting("password")) + "@" +
           Encoded(Setting("host")) + "/" + Encoded(database);
  }

  // How the ledger's messages name database on the server.
  static std::string Name(const std::string& database) {
    std::string host;
    for (char c : Setting("host")) host += c == '/' ? std::string("%2F") : std::string(1, c);
    return "postgresql://postgres@" + host + ":5432/" + database;
  }

  // A new empty database whose name is full of quotes and SQL, as data never code.
  static std::string NewDatabase() {
    static int made = 0;
    std::string name = "ledger \"" + std::to_string(++made) + "\" '; DROP TABLE meta; -- \\ $1";
    Admin admin("postgres");
    admin.Run("CREATE DATABASE " + admin.Identifier(name));
    return name;
  }

  // Runs sql in database as the superuser; the first column of the first row, if any.
  static std::string Run(const std::string& database, const std::string& sql) {
    return Admin(database).Run(sql);
  }

 private:
  class Admin {
   public:
    explicit Admin(const std::string& database) {
      conn_ = PQconnectdb(Location(database).c_str());
      if (PQstatus(conn_) != CONNECTION_OK) Throw();
    }
    ~Admin() { PQfinish(conn_); }

    std::string Run(const std::string& sql) {
      std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(conn_, sql.c_str()), PQclear);
      ExecStatusType status = PQresultStatus(result.get());
      if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) Throw();
      return PQntuples(result.get()) > 0 ? PQgetvalue(result.get(), 0, 0) : "";
    }
    std::string Identifier(const std::string& name) {
      char* quoted = PQescapeIdentifier(conn_, name.data(), name.size());
      std::string text(quoted);
      PQfreemem(quoted);
      return text;
    }

   private:
    [[noreturn]] void Throw() { throw std::runtime_error(PQerrorMessage(conn_)); }
    PGconn* conn_;
  };

  // A value of the server's connection string (keyword form, no quoting).
  static std::string Setting(const std::string& key) {
    std::string conninfo = std::getenv("GLNAMELIST_PG_SERVER");
    size_t at = conninfo.find(key + "=");
    if (at == std::string::npos) return {};
    at += key.size() + 1;
    return conninfo.substr(at, conninfo.find(' ', at) - at);
  }

  static std::string Encoded(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
      if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
        out += static_cast<char>(c);
      } else {
        out += {'%', kHex[c >> 4], kHex[c & 15]};
      }
    }
    return out;
  }
};

}  // namespace glnamelist::ledger::testing

#endif  // GLNAMELIST_TESTS_LEDGER_TEST_SERVER_H_
