#include "apps/voucher/open_ledger.h"

#include <chrono>
#include <exception>
#include <memory>

#include "contracts/error.h"
#include "ledger/ledger_service.h"
#include "services/library_services.h"

namespace glnamelist::voucher {

GLDataPtr OpenLedger() {
  GLDataPtr data = GetGLData();
  Require(data);
  return data;
}

bool StopLedger() {
  try {
    auto service = std::dynamic_pointer_cast<ledger::LedgerService>(GetGLData());
    return !service || service->Stop(std::chrono::milliseconds(kCloseWaitMs));
  } catch (const std::exception&) {
    return true;  // no service: nothing to wait for
  }
}

}  // namespace glnamelist::voucher
