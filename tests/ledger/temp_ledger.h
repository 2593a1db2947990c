// Temporary ledgers (files, databases on the throwaway PostgreSQL server that pg_cluster.sh
// starts) and the shared read-only test ledger, served from either kind of database.
#ifndef GLNAMELIST_TESTS_LEDGER_TEMP_LEDGER_H_
#define GLNAMELIST_TESTS_LEDGER_TEMP_LEDGER_H_

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <stdlib.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/error.h"
#include "ledger/ledger_builder.h"
#include "ledger/ledger_copy.h"
#include "ledger/ledger_service.h"
#include "ledger/sqlite_db.h"

namespace glnamelist::ledger::testing {

// The test server of pg_cluster.sh.
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

// A directory of its own under the system's temporary directory, removed with its contents.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ledger-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Builds the sample ledger plus test entries at path: an item class (id 9) whose codes and
// names hold quotes, %, *, backslashes, $1, SQL and a name of 100,000 characters; a unit
// group (id 9) without units; no helper code for account 1012.03. The ids of the listed
// tables are shuffled, so that no table's rows are stored in code order.
inline void BuildTestLedger(const std::string& path) {
  std::string shuffle;
  for (const char* table :
       {"accounts", "items", "submes", "units", "vch_explanations", "currencies", "settle_types"}) {
    shuffle += "UPDATE " + std::string(table) + " SET id = -id; UPDATE " + table +
               " SET id = -id * 7919 % 100003;";
  }
  BuildLedger(EmbeddedSchema(),
              {ReadTextFile(GLNAMELIST_LEDGER_SOURCE_DIR "/sample_ledger.sql"), R"sql(
INSERT INTO item_classes (id, number, name) VALUES (9, '009', '测试''类');
INSERT INTO items (id, class_id, number, name) VALUES
  (901, 9, 'A''B', 'O''Brien & Co'),
  (902, 9, '50%', '百分之五十%'),
  (903, 9, '*', 'star*'),
  (904, 9, 'x''; DROP TABLE items; --', 'Robert''); DROP TABLE items;--'),
  (905, 9, '[1]', '方括号[1]'),
  (906, 9, 'C:\n\', '$1 $2::text \\. \.'),
  (907, 9, '$1', replace(hex(zeroblob(100000)), '00', '长'));
INSERT INTO unit_groups (id, number, name) VALUES (9, '99', '空组');
)sql",
               shuffle},
              path);
  Database(path, Database::Mode::kCreate)
      .ExecScript("UPDATE accounts SET helper_code = NULL WHERE number = '1012.03'");
}

enum class Backend { kFile, kServer };

// Skips the test when it needs the test server and there is none.
#define GLNAMELIST_NEED_BACKEND(backend)                                             \
  if ((backend) == ::glnamelist::ledger::testing::Backend::kServer &&                \
      !::glnamelist::ledger::testing::TestServer::Available()) {                     \
    GTEST_SKIP() << "no test server: run the test under tests/ledger/pg_cluster.sh"; \
  }

// The values of one field over all rows of rs, in its order.
inline std::vector<std::string> Column(const RecordsetPtr& rs, std::string_view field) {
  std::vector<std::string> values;
  if (rs->RecordCount() == 0) return values;
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
    values.push_back(rs->Fields(field).ToDisplayText());
  }
  return values;
}

// The error that call raises; a test failure (and error 0) when it raises none.
template <class Call>
Error ErrorOf(Call call) {
  try {
    call();
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return Error(0, "");
}

// A place for a new ledger: a file name in dir, or a new empty database on the server.
struct NewLedger {
  NewLedger(Backend backend, const TempDir& dir, const std::string& file_name) {
    if (backend == Backend::kFile) {
      location = name = dir.File(file_name);
    } else {
      database = TestServer::NewDatabase();
      location = TestServer::Location(database);
      name = TestServer::Name(database);
    }
  }
  std::string location;
  std::string name;      // as messages name it
  std::string database;  // on the server
};

// The test ledger at a place of either kind; a server gets a copy of a file.
inline void BuildTestLedgerAt(const NewLedger& place, const TempDir& dir) {
  if (place.database.empty()) return BuildTestLedger(place.location);
  const std::string file = dir.File(place.database);
  BuildTestLedger(file);
  CopyLedger(file, place.location, false, false);
}

// One test ledger for the whole suite, in a file and (copied with the ledger tool's copy)
// on the test server, and a fresh service over the one of the test's backend.
class TestLedgerSuite : public ::testing::TestWithParam<Backend> {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    path_ = dir_->File("test.ledger");
    BuildTestLedger(path_);
  }
  static void TearDownTestSuite() {
    server_.reset();
    delete dir_;
  }
  void SetUp() override {
    GLNAMELIST_NEED_BACKEND(GetParam());
    if (GetParam() == Backend::kServer && !server_) {
      server_ = std::make_unique<NewLedger>(Backend::kServer, *dir_, "");
      CopyLedger(path_, server_->location, false, false);
    }
    service_ = std::make_shared<LedgerService>(
        server_ && GetParam() == Backend::kServer ? server_->location : path_);
  }

  static inline TempDir* dir_ = nullptr;
  static inline std::string path_;
  static inline std::unique_ptr<NewLedger> server_;
  std::shared_ptr<LedgerService> service_;
};

inline std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::kFile ? "File" : "Server";
}

#define GLNAMELIST_ON_BOTH_BACKENDS(suite)                                                     \
  INSTANTIATE_TEST_SUITE_P(Backends, suite,                                                    \
                           ::testing::Values(::glnamelist::ledger::testing::Backend::kFile,    \
                                             ::glnamelist::ledger::testing::Backend::kServer), \
                           ::glnamelist::ledger::testing::BackendName)

}  // namespace glnamelist::ledger::testing

#endif  // GLNAMELIST_TESTS_LEDGER_TEMP_LEDGER_H_
