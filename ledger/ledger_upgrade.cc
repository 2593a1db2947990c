#include "ledger/ledger_upgrade.h"

#include <memory>
#include <optional>

#include "ledger/db/ledger_error.h"
#include "ledger/db/ledger_session.h"
#include "ledger/ledger_at.h"
#include "ledger/ledger_schema.h"

namespace glnamelist::ledger {
namespace {

constexpr const char* kDoing = "cannot upgrade";

// The ledger's version, read within the session's transaction. With lock, on a server, a
// second upgrade waits here for the first (LedgerLimits::answer at most), then finds the
// version it left; readers of the ledger are not held up.
int VersionIn(LedgerSession& session, bool lock) {
  std::optional<std::string> text;
  try {
    if (lock && session.OnServer()) {
      session.Script("LOCK TABLE meta IN EXCLUSIVE MODE");
    }
    session.Run("SELECT value FROM meta WHERE key = ?1", {std::string_view("schema_version")},
                [&](const ResultRow& row) { text = std::string(row.Text(0)); });
  } catch (const LedgerError& e) {
    // A database without the table holds no ledger.
    const bool no_meta = e.fault() == Fault::kWrongSchema ||
                         (e.fault() == Fault::kOther && e.said().find("meta") != std::string::npos);
    if (!no_meta) throw;
    throw ReadError(session.name(), kDoing, Fault::kNotALedger, "no ledger there (no meta table)",
                    e.said());
  }
  const int version = text ? SchemaVersionOf(*text) : -1;
  if (version < 1) {
    throw ReadError(session.name(), kDoing, Fault::kWrongVersion,
                    "its schema version '" + text.value_or("") + "' is not one this program knows");
  }
  if (version > kSchemaVersion) {
    LedgerError e(Fault::kWrongVersion, session.name(),
                  "Ledger " + session.name() + ": " + kDoing + ": its version " +
                      std::to_string(version) + " is newer than this program's " +
                      std::to_string(kSchemaVersion) + "; use a newer glledger",
                  "version " + std::to_string(version) + " is newer than this program's " +
                      std::to_string(kSchemaVersion),
                  {}, version);
    throw e;
  }
  return version;
}

}  // namespace

std::string JournalMode(LedgerSession& session) {
  std::string mode;
  session.Run(kWriteAheadLog, {}, [&](const ResultRow& row) { mode = row.Text(0); });
  return mode;
}

UpgradeResult UpgradeLedger(const std::string& location) {
  std::unique_ptr<LedgerSession> session = OpenLedgerSession(location);
  UpgradeResult result;
  {
    SessionTransaction transaction(*session, true);
    result.from = VersionIn(*session, true);
    RunSchemaSteps(result.from, session->OnServer(),
                   [&](const std::string& sql) { session->Script(sql); });
    result.to = VersionIn(*session, false);
    transaction.Commit();
  }
  if (!session->OnServer()) result.journal = JournalMode(*session);
  session.reset();
  OpenLedger(location);  // checked as a form will find it
  return result;
}

}  // namespace glnamelist::ledger
