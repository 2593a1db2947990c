#include "apps/voucher/open_ledger.h"

#include "contracts/error.h"
#include "services/library_services.h"

namespace glnamelist::voucher {

GLDataPtr OpenLedger() {
  GLDataPtr data = GetGLData();
  Require(data);
  return data;
}

}  // namespace glnamelist::voucher
