// The ledger tool's own code: helper codes of names, the generator's names, and the file it
// writes (of the mode of any new file, no file left open, refused while another write holds
// it). Its command line is glledger_cli.sh's.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>
#include <utility>

#include "apps/glledger/generated_names.h"
#include "apps/glledger/generator.h"
#include "apps/glledger/pinyin.h"
#include "ledger/sqlite/file_write.h"
#include "tests/ledger/test_ledgers.h"
#include "tests/support/child_process.h"

namespace glnamelist::ledger {
namespace {

TEST(PinyinInitialsTest, InitialsOfNames) {
  // Latin letters and digits are kept, upper-cased; marks, spaces and malformed UTF-8 dropped.
  for (auto [name, initials] : {std::pair{"库存现金", "KCXJ"},
                                {"中国银行北京分行", "ZGYHBJFH"},
                                {"热轧钢板Q235", "RZGBQ235"},
                                {"abc-1 公司（总部）", "ABC1GSZB"},
                                {"", ""},
                                {"\xff\xfe", ""}}) {
    EXPECT_EQ(PinyinInitials().Of(name), initials) << name;
  }
}

// Writing a ledger file makes a file of the mode of any new one, and neither that nor being
// refused while another write holds it leaves a file open: in a process of its own, where no
// other thread opens one meanwhile. The job says what went wrong.
const bool kFileWriteJob =
    spawned::RegisterChildJob("file-write", [](const spawned::ChildArgs& args) {
      const std::string& target = args.at(0);
      auto open_files = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
      };
      const auto before = open_files();
      umask(027);
      GenerateLedger({.accounts = 30, .items = 3, .submes_per_class = 0, .progress = false},
                     target);
      struct stat written {};
      std::string wrong =
          stat(target.c_str(), &written) == 0 && (written.st_mode & 07777) == 0640 ? "" : "mode;";
      {
        FileWrite holding(target);
        try {
          FileWrite second(target);
          wrong += "not refused;";
        } catch (const std::exception&) {
        }
      }
      return open_files() == before ? wrong : wrong + "a file left open;";
    });

TEST(FileWriteTest, MakesAnOrdinaryFileAndLeavesNoFileOpen) {
  TempDir dir;
  spawned::ChildRun run = spawned::RunChildren(1, "file-write", {dir.File("written.ledger")});
  EXPECT_EQ(run.Clean(), 1);
  EXPECT_EQ(run.output, "");
}

// The generator's trees and chart, and its progress, are checked by glledger_cli.sh on what
// the tool writes.
TEST(GenerateLedgerTest, EveryBankHasANameOfItsOwn) {
  std::set<std::string> banks;
  for (long i = 0; i < 5000; ++i) banks.insert(NameMaker::Bank(i));
  EXPECT_EQ(banks.size(), 5000u);
}

}  // namespace
}  // namespace glnamelist::ledger
