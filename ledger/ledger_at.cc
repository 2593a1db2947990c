#include "ledger/ledger_at.h"

#include "ledger/ledger_schema.h"
#include "ledger/pg/pg_ledger.h"
#include "ledger/sqlite/sqlite_ledger.h"

namespace glnamelist::ledger {

std::unique_ptr<LedgerDb> OpenUncheckedLedger(const std::string& location,
                                              const LedgerLimits& limits) {
  return IsServerLocation(location) ? OpenLedgerServer(location, limits)
                                    : OpenLedgerFile(location, limits);
}

std::unique_ptr<LedgerDb> OpenLedger(const std::string& location, const LedgerLimits& limits) {
  std::unique_ptr<LedgerDb> db = OpenUncheckedLedger(location, limits);
  CheckLedgerSchema(*db);
  return db;
}

std::unique_ptr<LedgerSession> OpenLedgerSession(const std::string& location,
                                                 const LedgerLimits& limits) {
  return IsServerLocation(location) ? OpenLedgerServerSession(location, limits)
                                    : OpenLedgerFileSession(location, limits);
}

std::string LedgerIdentityAt(const std::string& location) {
  return IsServerLocation(location) ? ServerIdentityAt(location) : FileIdentityAt(location);
}

std::unique_ptr<LedgerTarget> CreateLedger(const std::string& location, bool replace) {
  return IsServerLocation(location) ? CreateLedgerServer(location, replace)
                                    : CreateLedgerFile(location);
}

}  // namespace glnamelist::ledger
