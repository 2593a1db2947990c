#include "host/open_ledger.h"

#include "contracts/error.h"
#include "services/library_services.h"

namespace glnamelist::host {

GLDataPtr OpenLedger() {
  GLDataPtr data = GetGLData();
  Require(data);
  return data;
}

}  // namespace glnamelist::host
