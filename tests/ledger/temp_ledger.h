// Temporary ledger files for the ledger tests.
#ifndef GLNAMELIST_TESTS_LEDGER_TEMP_LEDGER_H_
#define GLNAMELIST_TESTS_LEDGER_TEMP_LEDGER_H_

#include <filesystem>
#include <string>

namespace glnamelist::ledger::testing {

// A directory of its own under the system's temporary directory, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Entries added to the sample ledger for the tests: an item class (id 9) whose codes and
// names hold quotes, %, * and SQL, and a unit group (id 9) without units.
extern const char* const kTestData;

// Builds the sample ledger plus kTestData at path.
void BuildTestLedger(const std::string& path);

// The whole content of a file.
std::string FileBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace glnamelist::ledger::testing

#endif  // GLNAMELIST_TESTS_LEDGER_TEMP_LEDGER_H_
