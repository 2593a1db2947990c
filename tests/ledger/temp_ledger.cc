#include "tests/ledger/temp_ledger.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "ledger/ledger_builder.h"

namespace glnamelist::ledger::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ledger-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

const char* const kTestData = R"sql(
INSERT INTO item_classes (id, number, name) VALUES (9, '009', '测试''类');
INSERT INTO items (id, class_id, number, name) VALUES
  (901, 9, 'A''B', 'O''Brien & Co'),
  (902, 9, '50%', '百分之五十%'),
  (903, 9, '*', 'star*'),
  (904, 9, 'x''; DROP TABLE items; --', 'Robert''); DROP TABLE items;--'),
  (905, 9, '[1]', '方括号[1]');
INSERT INTO unit_groups (id, number, name) VALUES (9, '99', '空组');
)sql";

void BuildTestLedger(const std::string& path) {
  BuildLedger(EmbeddedSchema(),
              {ReadTextFile(GLNAMELIST_LEDGER_SOURCE_DIR "/sample_ledger.sql"), kTestData}, path);
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace glnamelist::ledger::testing
