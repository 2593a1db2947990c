#include "apps/voucher/open_ledger.h"

#include <chrono>
#include <exception>
#include <filesystem>
#include <memory>
#include <string_view>

#include "contracts/error.h"
#include "contracts/live_data.h"
#include "contracts/prog_ids.h"
#include "ledger/db/ledger_error.h"
#include "ledger/db/location.h"
#include "ledger/register_ledger.h"
#include "platform/class_registry.h"
#include "services/library_services.h"

namespace glnamelist::voucher {
namespace {

// The value of key in libpq's keyword form ("host=... dbname=..."); empty when absent.
std::string KeywordValue(std::string_view location, std::string_view key) {
  for (size_t at = 0; at < location.size();) {
    size_t end = location.find(' ', at);
    std::string_view word = location.substr(at, end == std::string_view::npos ? end : end - at);
    if (word.starts_with(key) && word.size() > key.size() && word[key.size()] == '=') {
      return std::string(word.substr(key.size() + 1));
    }
    if (end == std::string_view::npos) break;
    at = end + 1;
  }
  return "";
}

// Waits until the data service's ledger is open (raising the error of its opening).
void AwaitOpening(const GLDataPtr& data) {
  if (std::shared_ptr<LiveData> live = LiveDataOf(data)) live->AwaitOpening();
}

}  // namespace

GLDataPtr StartLedger() {
  GLDataPtr data = GetGLData();
  Require(data);
  return data;
}

GLDataPtr OpenLedger() {
  GLDataPtr data = StartLedger();
  AwaitOpening(data);
  return data;
}

std::optional<ledger::LedgerError> LedgerRefused(const GLDataPtr& data,
                                                 std::chrono::milliseconds wait) {
  std::shared_ptr<LiveData> live = LiveDataOf(data);
  std::exception_ptr refused = live ? live->Refused(wait) : nullptr;
  if (!refused) return std::nullopt;
  try {
    std::rethrow_exception(refused);
  } catch (const ledger::LedgerError& e) {
    return e;
  }
}

void CheckLedger(const std::string& location) {
  platform::ClassRegistry registry;
  ledger::RegisterLedger(registry, location);
  ObjectPtr data = registry.Create(progid::kGLData);
  Require(data);
  AwaitOpening(std::dynamic_pointer_cast<GLData>(data));
}

std::string LedgerName(const std::string& location) {
  if (!ledger::IsServerLocation(location)) {
    return std::filesystem::path(location).stem().string();
  }
  if (location.find("://") == std::string::npos) return KeywordValue(location, "dbname");
  std::string_view rest(location);
  rest = rest.substr(0, rest.find_first_of("?#"));
  size_t slash = rest.rfind('/');
  return slash == std::string_view::npos ? "" : std::string(rest.substr(slash + 1));
}

bool StopLedger() {
  try {
    std::shared_ptr<LiveData> live = LiveDataOf(GetGLData());
    return !live || live->Stop(std::chrono::milliseconds(kCloseWaitMs));
  } catch (const std::exception&) {
    return true;  // no service: nothing to wait for
  }
}

}  // namespace glnamelist::voucher
