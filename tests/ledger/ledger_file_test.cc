// A ledger file that cannot be served fails the creation of the service with one error
// naming the file and the cause.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

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

// The message of the error that opening path raises ("" when it opens).
std::string OpenError(const std::string& path) {
  try {
    LedgerService service(path);
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), errc::kDataService);
    return e.what();
  }
  return "";
}

class LedgerFileTest : public ::testing::Test {
 protected:
  // A database with the schema run through edit, as a ledger of another make would be.
  std::string LedgerWith(const std::string& name, const std::string& edit) {
    std::string path = dir_.File(name);
    BuildTestLedger(path);
    Database db(path, Database::Mode::kCreate);
    db.ExecScript(edit);
    return path;
  }

  TempDir dir_;
};

TEST_F(LedgerFileTest, MissingEmptyAndDirectoryPaths) {
  const std::string missing = dir_.File("nowhere.ledger");
  EXPECT_EQ(OpenError(missing), "Cannot open ledger " + missing + ": file not found");
  EXPECT_FALSE(std::filesystem::exists(missing));  // opening never creates the file

  const std::string empty = dir_.File("empty.ledger");
  WriteBytes(empty, "");
  EXPECT_EQ(OpenError(empty), "Cannot open ledger " + empty + ": file is empty");

  const std::string folder = dir_.File("folder.ledger");
  std::filesystem::create_directory(folder);
  EXPECT_THAT(OpenError(folder), StartsWith("Cannot open ledger " + folder + ": is a directory"));
}

TEST_F(LedgerFileTest, UnreadableFile) {
  if (geteuid() == 0) GTEST_SKIP() << "file permissions do not bind the super-user";
  const std::string path = dir_.File("locked.ledger");
  BuildTestLedger(path);
  chmod(path.c_str(), 0);
  EXPECT_EQ(OpenError(path),
            "Cannot open ledger " + path + ": file is not readable (permission denied)");
}

TEST_F(LedgerFileTest, NotADatabaseAndCorruptDatabase) {
  const std::string text = dir_.File("notes.ledger");
  WriteBytes(text, std::string(8192, 'x'));
  EXPECT_THAT(OpenError(text),
              StartsWith("Cannot open ledger " + text + ": not a ledger database"));

  const std::string corrupt = dir_.File("corrupt.ledger");
  BuildTestLedger(corrupt);
  std::string bytes = FileBytes(corrupt);
  ASSERT_GT(bytes.size(), 4096u);
  for (size_t i = 100; i < 4096; ++i) bytes[i] = static_cast<char>(0xA5 ^ (i * 7));
  WriteBytes(corrupt, bytes);
  EXPECT_THAT(OpenError(corrupt), StartsWith("Cannot open ledger " + corrupt + ": "));
  EXPECT_THAT(OpenError(corrupt), HasSubstr("corrupt"));
}

TEST_F(LedgerFileTest, WrongSchemas) {
  const std::string foreign = dir_.File("foreign.db");
  {
    Database(foreign, Database::Mode::kCreate)
        .ExecScript("CREATE TABLE t (x); INSERT INTO t VALUES (1);");
  }
  EXPECT_EQ(OpenError(foreign),
            "Cannot open ledger " + foreign + ": wrong schema: no meta table (not a ledger file)");

  const std::string newer =
      LedgerWith("newer.ledger", "UPDATE meta SET value = '2' WHERE key = 'schema_version'");
  EXPECT_EQ(OpenError(newer),
            "Cannot open ledger " + newer + ": wrong schema: version 2, this program reads 1");

  const std::string no_version = LedgerWith("unversioned.ledger", "DELETE FROM meta");
  EXPECT_THAT(OpenError(no_version), HasSubstr("wrong schema: no schema version"));

  const std::string no_table = LedgerWith("no_units.ledger", "DROP TABLE units");
  EXPECT_EQ(OpenError(no_table),
            "Cannot open ledger " + no_table + ": wrong schema: no table units");

  const std::string no_column =
      LedgerWith("no_flag.ledger", "ALTER TABLE accounts DROP COLUMN is_cash");
  EXPECT_EQ(OpenError(no_column), "Cannot open ledger " + no_column +
                                      ": wrong schema: table accounts has no column is_cash");
}

}  // namespace
}  // namespace glnamelist::ledger
