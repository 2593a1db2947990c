// Vouchers kept in the ledger: each saved in one transaction, numbered per voucher word and
// month from 1 without a gap and never twice, even when many clerks save at once; opened
// again by their number; saved again only over the version they were read at.
#ifndef GLNAMELIST_APPS_VOUCHER_VOUCHER_STORE_H_
#define GLNAMELIST_APPS_VOUCHER_VOUCHER_STORE_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/voucher/voucher.h"
#include "contracts/error.h"
#include "ledger/db/ledger_db.h"
#include "ledger/db/ledger_error.h"
#include "ledger/db/ledger_session.h"

namespace glnamelist::voucher {

// A voucher the store did not save, and why, in the form's language: the problems Check
// found (each with its line), or that someone else changed or removed the saved voucher
// meanwhile, or a change of its word or month. Nothing was written.
class VoucherRefused : public Error {
 public:
  enum class Why { kProblems, kChanged, kGone, kMoved };
  VoucherRefused(Why why, std::vector<Problem> problems);

  Why why() const { return why_; }
  const std::vector<Problem>& problems() const { return problems_; }

 private:
  Why why_;
  std::vector<Problem> problems_;
};

// A save whose commit was sent but whose answer never came (lost, or later than the wait):
// the voucher may be stored or not. The next Save of the same voucher (its uid) settles it:
// it finds the voucher stored and stores nothing, or stores it. The fault is the commit's.
class SaveUnsettled : public ledger::LedgerError {
 public:
  explicit SaveUnsettled(const ledger::LedgerError& fault) : ledger::LedgerError(fault) {}
};

class VoucherStore {
 public:
  // How many times a save that met another clerk's at the same moment (the number or id it
  // chose taken meanwhile) is made again; each such meeting means another save went through.
  static constexpr int kSaveAttempts = 50;

  // Opens the ledger at location for saving: on a server over the connection of the form's
  // reader of that location (a form holds one), a file through a connection of the store's
  // own. Errors as OpenLedgerSession.
  explicit VoucherStore(const std::string& location, const ledger::LedgerLimits& limits = {});
  explicit VoucherStore(std::unique_ptr<ledger::LedgerSession> session);

  // Saves voucher in one transaction, after Check over the ledger as it is now. A new one
  // (id 0) gets the next number of its word and month, unless a voucher of its uid is
  // stored already: then nothing is written and voucher holds that one's id, number and
  // version (a save whose outcome was unknown, tried again). A new voucher without a uid is
  // given one. A saved one is saved over the version it was read at. On success voucher
  // holds its id, number and new version. VoucherRefused when it is not saved for its
  // content or because of another's change; LedgerError for a fault of the ledger, and
  // nothing is written; SaveUnsettled when the commit's answer was lost.
  void Save(Voucher& voucher);

  // The saved voucher of word, month (YYYY-MM) and number, or of id; nullopt when there is
  // none. Its lines hold the codes of their entries and amounts as Money::Text writes them.
  std::optional<Voucher> Open(const std::string& word, const std::string& month, long number);
  std::optional<Voucher> Open(long id);
  // The voucher words of the ledger: 记, 收, 付, 转, then any other its vouchers use.
  std::vector<std::string> Words();
  // Puts a ledger file in write-ahead-log mode (ledger::JournalMode) if it is not; the mode
  // in force after: "wal", or the one kept where the log cannot work. Empty on a server.
  std::string UseWriteAheadLog();

 private:
  struct Saving;

  void SaveOnce(Voucher& voucher);
  std::optional<Voucher> Read(std::string_view where, std::initializer_list<ledger::SqlValue> key);

  std::unique_ptr<ledger::LedgerSession> session_;
};

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_VOUCHER_STORE_H_
