// Opening ledgers: a file or a server database that cannot be served, a refused login and a
// lost connection each give one error naming the ledger and the cause; many clerks'
// processes read one ledger at once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "contracts/error.h"
#include "contracts/prog_ids.h"
#include "ledger/generator.h"
#include "ledger/ledger_db.h"
#include "ledger/ledger_service.h"
#include "ledger/register_ledger.h"
#include "ledger/sqlite_db.h"
#include "platform/class_registry.h"
#include "recordset/memory_stream.h"
#include "tests/ledger/temp_ledger.h"

namespace glnamelist::ledger {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using testing::TestServer;

// The message of the error that opening path raises.
std::string OpenError(const std::string& path) {
  Error e = testing::ErrorOf([&] { LedgerService service(path); });
  EXPECT_EQ(e.Number(), errc::kDataService);
  return e.what();
}

TEST(LedgerFileTest, MissingEmptyDirectoryUnreadableForeignAndCorruptFiles) {
  testing::TempDir dir;
  auto write = [&](const char* name, const std::string& bytes) {
    std::ofstream(dir.File(name), std::ios::binary) << bytes;
    return dir.File(name);
  };
  std::filesystem::create_directory(dir.File("folder.ledger"));
  const std::string locked = dir.File("locked.ledger"), corrupt = dir.File("corrupt.ledger");
  testing::BuildTestLedger(locked);
  chmod(locked.c_str(), 0);
  testing::BuildTestLedger(corrupt);
  std::stringstream in;
  in << std::ifstream(corrupt, std::ios::binary).rdbuf();
  std::string bytes = in.str();
  for (size_t i = 100; i < 4096; ++i) bytes[i] = static_cast<char>(0xA5 ^ (i * 7));
  write("corrupt.ledger", bytes);
  for (auto [path, cause] :
       {std::pair{dir.File("nowhere.ledger"), "file not found"},
        {write("empty.ledger", ""), "file is empty"},
        {dir.File("folder.ledger"), "is a directory"},
        {geteuid() ? locked : dir.File("nowhere.ledger"),  // the super-user reads any file
         geteuid() ? "file is not readable (permission denied)" : "file not found"},
        {write("notes.ledger", std::string(8192, 'x')), "not a ledger database"},
        {corrupt, "the database file is corrupt"}}) {
    EXPECT_THAT(OpenError(path), StartsWith("Cannot open ledger " + path + ": " + cause));
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("nowhere.ledger"))) << "opening creates no file";
}

TEST(LedgerLocationTest, ServerLocationsAreUrisOrKeywordStrings) {
  for (auto [location, server] : {std::pair{"postgresql://clerk@h/books", true},
                                  {"postgres://h/books", true},
                                  {" \thost=/run/pg dbname=books", true},
                                  {"db_name = books", true},
                                  {"books.ledger", false},
                                  {"/srv/host=books", false},
                                  {"Host=books", false},
                                  {"= books", false},
                                  {"host", false},
                                  {"host ", false}}) {
    EXPECT_EQ(IsServerLocation(location), server) << location;
  }
}

class WrongSchemaTest : public ::testing::TestWithParam<testing::Backend> {};

TEST_P(WrongSchemaTest, IsRefusedWithTheCause) {
  GLNAMELIST_NEED_BACKEND(GetParam());
  testing::TempDir dir;
  // Ledgers whose schema edit changed, as ledgers of another make would be.
  for (auto [name, edit, cause] :
       {std::tuple{"foreign.db", "DROP TABLE meta", "no meta table (not a ledger)"},
        {"zero.ledger", "UPDATE meta SET value = '0' WHERE key = 'schema_version'",
         "version 0, this program reads 1"},
        {"unversioned.ledger", "DELETE FROM meta", "no schema version"},
        {"no_units.ledger", "DROP TABLE units", "no table units"},
        {"no_flag.ledger", "ALTER TABLE accounts DROP COLUMN is_cash",
         "table accounts has no column is_cash"},
        {"odd.ledger", "UPDATE meta SET value = '1x' WHERE key = 'schema_version'",
         "schema version '1x' is not a number"}}) {
    testing::NewLedger place(GetParam(), dir, name);
    testing::BuildTestLedgerAt(place, dir);
    if (GetParam() == testing::Backend::kFile) {
      Database(place.location, Database::Mode::kCreate).ExecScript(edit);
    } else {
      testing::TestServer::Run(place.database, edit);
    }
    EXPECT_EQ(OpenError(place.location),
              "Cannot open ledger " + place.name + ": wrong schema: " + cause);
  }
}

GLNAMELIST_ON_BOTH_BACKENDS(WrongSchemaTest);

constexpr GenerateOptions kClerksLedger = {
    .accounts = 100000, .items = 100, .submes_per_class = 10, .progress = false};
std::string clerks_ledger;  // a database generated once with kClerksLedger

class ServerLedgerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!TestServer::Available()) return;
    clerks_ledger = TestServer::NewDatabase();
    GenerateLedger(kClerksLedger, TestServer::Location(clerks_ledger));
  }
  void SetUp() override { GLNAMELIST_NEED_BACKEND(testing::Backend::kServer); }

  // Ends every other session on the database, waiting until each has gone.
  static void CutConnections(const std::string& database) {
    TestServer::Run(database,
                    "SELECT count(pg_terminate_backend(pid, 60000)) FROM pg_stat_activity "
                    "WHERE datname = current_database() AND pid <> pg_backend_pid()");
  }
};

TEST_F(ServerLedgerTest, RefusedConnectionsNameTheServerAndTheCauseButNoPassword) {
  const std::string wrong = "not-the-password";
  for (auto [location, name, cause] :
       {std::tuple{TestServer::Location(clerks_ledger, &wrong), TestServer::Name(clerks_ledger),
                   "password authentication failed for user \"postgres\""},
        {TestServer::Location("no such ledger"), TestServer::Name("no such ledger"),
         "database \"no such ledger\" does not exist"},
        {"host=/nonexistent/server dbname=books user=clerk password=" + wrong,
         "postgresql://clerk@%2Fnonexistent%2Fserver:5432/books", "No such file or directory"},
        {"postgresql://clerk:" + wrong + "@[broken/books", "postgresql://clerk:***@[broken/books",
         "in IPv6 host address"}}) {
    Error e = testing::ErrorOf([&] { LedgerService service(location); });
    EXPECT_EQ(e.Number(), errc::kDataService);
    EXPECT_THAT(e.what(), HasSubstr("Cannot open ledger " + name)) << location;
    EXPECT_THAT(e.what(), HasSubstr(cause));
    EXPECT_THAT(e.what(), Not(HasSubstr(wrong)));
  }
  // A server database without a ledger, named in libpq's keyword form.
  EXPECT_THAT(
      testing::ErrorOf([] { LedgerService(getenv("GLNAMELIST_PG_SERVER")); }).what(),
      HasSubstr("Cannot open ledger " + TestServer::Name("postgres") + ": wrong schema: no meta"));
}

TEST_F(ServerLedgerTest, AConnectionLostInTheMiddleOfALoadIsOneClearError) {
  std::unique_ptr<LedgerDb> db = OpenLedger(TestServer::Location(clerks_ledger));
  EXPECT_THROW(db->Load("SELECT no_such_column FROM accounts", {}, [](const ResultRow&) {}), Error)
      << "a failed load leaves the session fit for the next one";
  long rows = 0;
  Error e = testing::ErrorOf([&] {
    db->Load("SELECT number FROM accounts ORDER BY number", {}, [&](const ResultRow&) {
      if (++rows == 1) CutConnections(clerks_ledger);
    });
  });
  EXPECT_TRUE(rows > 0 && rows < kClerksLedger.accounts) << rows;
  EXPECT_THAT(e.what(), HasSubstr("Ledger " + TestServer::Name(clerks_ledger) +
                                  ": cannot read: "
                                  "the connection to the server was lost"));
  EXPECT_THROW(db->ColumnsOf("accounts"), Error) << "and stays lost";

  // Writing: a copy its writer abandons, and one whose connection is lost, are rolled back;
  // the database stays empty.
  const std::string target = TestServer::NewDatabase();
  CreateLedger(TestServer::Location(target), false)
      ->Rows("currencies", {"id", "number", "name"})
      ->Add({int64_t{1}, "RMB", "人民币"});
  Error write = testing::ErrorOf([&] {
    std::unique_ptr<LedgerTarget> ledger = CreateLedger(TestServer::Location(target), false);
    std::unique_ptr<RowSink> accounts = ledger->Rows("currencies", {"id", "number", "name"});
    accounts->Add({int64_t{1}, "RMB", "人民币"});
    CutConnections(target);
    for (int64_t id = 2; id < 100000; ++id) accounts->Add({id, std::to_string(id), "名称"});
    accounts->Close();
    ledger->Finish();
  });
  EXPECT_THAT(write.what(), HasSubstr("Ledger " + TestServer::Name(target) +
                                      ": cannot write: "
                                      "the connection to the server was lost ("));
  EXPECT_THAT(write.what(), Not(HasSubstr("lost ()"))) << "with libpq's own words";
  EXPECT_EQ(TestServer::Run(target, "SELECT count(*) FROM pg_tables WHERE schemaname = 'public'"),
            "0");
}

// What a clerk's list shows of the whole chart of accounts (every row saved, hashed) and of
// one branch, made one line.
std::string Listing(const RecordsetPtr& accounts) {
  recordset::MemoryStream saved;
  saved.Open();
  accounts->Save(saved, 0);
  saved.Position(0);
  std::string listing = std::to_string(accounts->RecordCount()) + ":" +
                        std::to_string(std::hash<std::string>()(saved.Read(saved.Size())));
  accounts->Filter("FNumber LIKE '1002.*'");
  return listing + ":" + std::to_string(accounts->RecordCount());
}

// A clerk's process: waits for the start, opens the ledger as a host does, lists it.
void Clerk(const int start[2], int results) {
  close(start[1]);  // so that the start is the parent closing its end
  char go;
  std::string line = "no start\n";
  if (read(start[0], &go, 1) == 0) {
    try {
      platform::ClassRegistry registry;
      RegisterLedger(registry, TestServer::Location(clerks_ledger));
      auto service = std::dynamic_pointer_cast<GLData>(registry.Create(progid::kGLData));
      line = Listing(service->AccountSet()->Recordset()) + "\n";
    } catch (const std::exception& e) {
      line = std::string(e.what()) + "\n";
    }
  }
  _exit(write(results, line.data(), line.size()) < 0 ? 2 : 0);
}

TEST_F(ServerLedgerTest, TwentyClerksOpenOneLedgerAtOnceAndListTheSameRows) {
  constexpr int kClerks = 20;
  int start[2], results[2];
  ASSERT_EQ(pipe(start) | pipe(results), 0);
  for (int i = 0; i < kClerks; ++i) {
    if (fork() == 0) Clerk(start, results[1]);
  }
  close(start[0]);
  close(start[1]);  // all start at once
  close(results[1]);
  std::string output;
  char buffer[4096];
  for (ssize_t n; (n = read(results[0], buffer, sizeof buffer)) > 0;) output.append(buffer, n);
  close(results[0]);
  int status = 0, clean = 0;
  while (wait(&status) > 0) clean += WIFEXITED(status) && WEXITSTATUS(status) == 0;
  EXPECT_EQ(clean, kClerks);

  // Every clerk saw what the same ledger generated into a file shows.
  testing::TempDir dir;
  GenerateLedger(kClerksLedger, dir.File("clerks.ledger"));
  const std::string expected =
      Listing(LedgerService(dir.File("clerks.ledger")).AccountSet()->Recordset()) + "\n";
  EXPECT_THAT(expected, StartsWith("100000:"));
  std::string all_expected;
  for (int i = 0; i < kClerks; ++i) all_expected += expected;
  EXPECT_EQ(output, all_expected);
}

}  // namespace
}  // namespace glnamelist::ledger
