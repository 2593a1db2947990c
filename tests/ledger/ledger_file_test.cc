// A ledger that cannot be served fails the creation of the service with one error naming
// the ledger and the cause.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "contracts/error.h"
#include "ledger/ledger_service.h"
#include "ledger/sqlite_db.h"
#include "tests/ledger/temp_ledger.h"

namespace glnamelist::ledger {
namespace {

using testing::BuildTestLedger;
using testing::FileBytes;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using testing::TempDir;
using testing::WriteBytes;

// The message of the error that opening path raises.
std::string OpenError(const std::string& path) {
  Error e = testing::ErrorOf([&] { LedgerService service(path); });
  EXPECT_EQ(e.Number(), errc::kDataService);
  return e.what();
}

TEST(LedgerFileTest, MissingEmptyDirectoryUnreadableForeignAndCorruptFiles) {
  TempDir dir;
  const std::string missing = dir.File("nowhere.ledger");
  EXPECT_EQ(OpenError(missing), "Cannot open ledger " + missing + ": file not found");
  EXPECT_FALSE(std::filesystem::exists(missing));  // opening never creates the file

  const std::string empty = dir.File("empty.ledger");
  WriteBytes(empty, "");
  EXPECT_EQ(OpenError(empty), "Cannot open ledger " + empty + ": file is empty");

  const std::string folder = dir.File("folder.ledger");
  std::filesystem::create_directory(folder);
  EXPECT_THAT(OpenError(folder), StartsWith("Cannot open ledger " + folder + ": is a directory"));

  if (geteuid() != 0) {  // file permissions do not bind the super-user
    const std::string locked = dir.File("locked.ledger");
    BuildTestLedger(locked);
    chmod(locked.c_str(), 0);
    EXPECT_EQ(OpenError(locked),
              "Cannot open ledger " + locked + ": file is not readable (permission denied)");
  }

  const std::string text = dir.File("notes.ledger");
  WriteBytes(text, std::string(8192, 'x'));
  EXPECT_THAT(OpenError(text),
              StartsWith("Cannot open ledger " + text + ": not a ledger database"));

  const std::string corrupt = dir.File("corrupt.ledger");
  BuildTestLedger(corrupt);
  std::string bytes = FileBytes(corrupt);
  ASSERT_GT(bytes.size(), 4096u);
  for (size_t i = 100; i < 4096; ++i) bytes[i] = static_cast<char>(0xA5 ^ (i * 7));
  WriteBytes(corrupt, bytes);
  EXPECT_THAT(OpenError(corrupt), StartsWith("Cannot open ledger " + corrupt + ": "));
  EXPECT_THAT(OpenError(corrupt), HasSubstr("corrupt"));
}

class WrongSchemaTest : public ::testing::TestWithParam<testing::Backend> {};

TEST_P(WrongSchemaTest, IsRefusedWithTheCause) {
  GLNAMELIST_NEED_BACKEND(GetParam());
  TempDir dir;
  // A ledger whose schema edit changed, as a ledger of another make would be.
  auto edited = [&](const char* name, const std::string& edit) {
    testing::NewLedger place(GetParam(), dir, name);
    testing::BuildTestLedgerAt(place, dir);
    if (GetParam() == testing::Backend::kFile) {
      Database(place.location, Database::Mode::kCreate).ExecScript(edit);
    } else {
      testing::TestServer::Run(place.database, edit);
    }
    return place;
  };
  for (auto [name, edit, cause] :
       {std::tuple{"foreign.db", "DROP TABLE meta", "no meta table (not a ledger)"},
        {"newer.ledger", "UPDATE meta SET value = '2' WHERE key = 'schema_version'",
         "version 2, this program reads 1"},
        {"unversioned.ledger", "DELETE FROM meta", "no schema version"},
        {"no_units.ledger", "DROP TABLE units", "no table units"},
        {"no_flag.ledger", "ALTER TABLE accounts DROP COLUMN is_cash",
         "table accounts has no column is_cash"}}) {
    testing::NewLedger place = edited(name, edit);
    EXPECT_EQ(OpenError(place.location),
              "Cannot open ledger " + place.name + ": wrong schema: " + cause);
  }
}

GLNAMELIST_ON_BOTH_BACKENDS(WrongSchemaTest);

}  // namespace
}  // namespace glnamelist::ledger
