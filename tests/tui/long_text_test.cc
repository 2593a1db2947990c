// Text of any length where the terminal form draws it: a name of a million characters in a
// list and beside its box, and as much pasted into a box. What is drawn is found from the
// text's first bytes, never by decoding all of it: counted here by the bytes the drawing
// allocates (this program's own operator new, on the drawing thread only: the data service's
// threads go on working meanwhile), which must not grow with the text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>

#include "apps/voucher/tui/voucher_form.h"
#include "contracts/virtual_keys.h"
#include "ledger/register_ledger.h"
#include "ledger/sqlite/sqlite_db.h"
#include "services/library_services.h"
#include "tui/screen.h"
#include "tui/terminal_controls.h"

namespace {
thread_local bool counting = false;
thread_local size_t allocated = 0;
}  // namespace

void* operator new(size_t size) {
  if (counting) allocated += size;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
// The forms a standard algorithm's temporary buffer takes (std::stable_sort's), so that every
// block is freed by the allocator that gave it.
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  if (counting) allocated += size;
  return std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t& nothrow) noexcept {
  return operator new(size, nothrow);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace glnamelist::tui {
namespace {

constexpr size_t kLong = 1'000'000;  // characters

class LongTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(GLNAMELIST_SAMPLE_LEDGER, ledger_,
                               std::filesystem::copy_options::overwrite_existing);
    // 库存现金 becomes a million characters, each of three bytes.
    ledger::Database(ledger_, ledger::Database::Mode::kCreate)
        .ExecScript("UPDATE accounts SET name = replace(hex(zeroblob(" + std::to_string(kLong) +
                    ")), '00', '长') WHERE number = '1001'");
    env_ = platform::InstallPlatformEnvironment();
    env_->SystemClock().SetSource([t = 0.0f]() mutable { return t += 1; });
    ledger::RegisterLedger(env_->Registry(), ledger_);
    form_ = std::make_unique<VoucherForm>(*env_, screen_, ledger_, VoucherForm::Page::kBoxes);
    RegisterTerminalControls(*env_, form_->Form(), form_->Host(), nullptr);
    form_->AttachLists();
  }
  void TearDown() override {
    form_.reset();
    ResetLibraryServices();
    SetEnv(nullptr);
    std::filesystem::remove(ledger_);
  }

  void Type(const std::string& text) {
    for (char c : text) form_->Handle({KeyPress::kChar, static_cast<unsigned char>(c)});
  }
  // The bytes one drawing of the form (with its list) allocates.
  size_t PaintAllocates() {
    allocated = 0;
    counting = true;
    form_->Paint();
    counting = false;
    return allocated;
  }

  const std::string ledger_ =
      ::testing::TempDir() + "/long_text-" + std::to_string(getpid()) + ".ledger";
  CellScreen screen_{24, 80};
  std::shared_ptr<platform::PlatformEnvironment> env_;
  std::unique_ptr<VoucherForm> form_;
};

TEST_F(LongTextTest, ALongNameInAListOrBesideABoxAndALongBoxAreDrawnFromTheirFirstBytes) {
  Type("\t100");
  form_->Handle({KeyPress::kKey, VK_F8});
  form_->Paint();
  ASSERT_NE(screen_.Text().find("长长长…"), std::string::npos) << screen_.Text();
  for (int i = 0; i < 3; ++i) {
    form_->Handle({KeyPress::kKey, VK_DOWN});
    EXPECT_LT(PaintAllocates(), size_t{1} << 20) << "the list, after Down " << i;
  }
  form_->Handle({KeyPress::kChar, 27});  // Esc
  Type(std::string(3, '\b') + "1001");
  EXPECT_LT(PaintAllocates(), size_t{1} << 20) << "the name beside the box";
  EXPECT_NE(screen_.Text().find("] 长长长"), std::string::npos) << screen_.Text();

  // As much pasted into the currency box (the third window): copied, never decoded whole.
  std::string pasted;
  for (size_t i = 0; i < kLong; ++i) pasted += "长";
  env_->Windows().SetText(3, pasted);
  size_t drawing = PaintAllocates();
  EXPECT_LT(drawing, 4 * pasted.size()) << "a box of " << pasted.size() << " bytes";
}

}  // namespace
}  // namespace glnamelist::tui
