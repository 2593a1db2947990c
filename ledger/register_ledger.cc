#include "ledger/register_ledger.h"

#include <memory>

#include "contracts/prog_ids.h"
#include "ledger/item_set.h"
#include "ledger/ledger_service.h"
#include "platform/register_platform.h"

namespace glnamelist::ledger {
namespace {

// The service of one registration, made on first need.
class SharedService {
 public:
  explicit SharedService(std::string path) : path_(std::move(path)) {}

  std::shared_ptr<LedgerService> Get() {
    if (!service_) service_ = std::make_shared<LedgerService>(path_);
    return service_;
  }

 private:
  std::string path_;
  std::shared_ptr<LedgerService> service_;
};

}  // namespace

void RegisterLedger(ClassRegistrar& registry, const std::string& path) {
  auto shared = std::make_shared<SharedService>(path);
  registry.Register(progid::kGLData, [shared]() -> ObjectPtr { return shared->Get(); });
  registry.Register(progid::kItemSet, [shared]() -> ObjectPtr {
    return std::make_shared<LedgerItemSet>(shared->Get());
  });
}

void RegisterLedger(const std::string& path) { RegisterLedger(platform::PlatformClasses(), path); }

}  // namespace glnamelist::ledger
