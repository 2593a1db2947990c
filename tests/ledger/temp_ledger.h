// Temporary ledger files and the shared read-only test ledger for the ledger tests.
#ifndef GLNAMELIST_TESTS_LEDGER_TEMP_LEDGER_H_
#define GLNAMELIST_TESTS_LEDGER_TEMP_LEDGER_H_

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/error.h"
#include "ledger/ledger_builder.h"
#include "ledger/ledger_service.h"

namespace glnamelist::ledger::testing {

// A directory of its own under the system's temporary directory, removed with its contents.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ledger-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Builds the sample ledger plus test entries at path: an item class (id 9) whose codes and
// names hold quotes, %, * and SQL, and a unit group (id 9) without units.
inline void BuildTestLedger(const std::string& path) {
  BuildLedger(EmbeddedSchema(),
              {ReadTextFile(GLNAMELIST_LEDGER_SOURCE_DIR "/sample_ledger.sql"), R"sql(
INSERT INTO item_classes (id, number, name) VALUES (9, '009', '测试''类');
INSERT INTO items (id, class_id, number, name) VALUES
  (901, 9, 'A''B', 'O''Brien & Co'),
  (902, 9, '50%', '百分之五十%'),
  (903, 9, '*', 'star*'),
  (904, 9, 'x''; DROP TABLE items; --', 'Robert''); DROP TABLE items;--'),
  (905, 9, '[1]', '方括号[1]');
INSERT INTO unit_groups (id, number, name) VALUES (9, '99', '空组');
)sql"},
              path);
}

// The whole content of a file.
inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
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

// One test ledger for the whole suite, and a fresh service over it for each test.
class TestLedgerSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    path_ = dir_->File("test.ledger");
    BuildTestLedger(path_);
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override { service_ = std::make_shared<LedgerService>(path_); }

  static inline TempDir* dir_ = nullptr;
  static inline std::string path_;
  std::shared_ptr<LedgerService> service_;
};

}  // namespace glnamelist::ledger::testing

#endif  // GLNAMELIST_TESTS_LEDGER_TEMP_LEDGER_H_
