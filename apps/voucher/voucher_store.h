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
  enum class Why { kProblems, kChanged, kGone, kMoved, kVoided, kNotLast, kTaken };
  VoucherRefused(Why why, std::vector<Problem> problems);

  Why why() const { return why_; }
  const std::vector<Problem>& problems() const { return problems_; }

 private:
  Why why_;
  std::vector<Problem> problems_;
};

// A saved voucher as a list of vouchers shows it: its date, word and number, the sum of its
// debits and the explanation of its first line, and whether it is voided.
struct VoucherSummary {
  long id = 0;
  std::string date;
  std::string word;
  long number = 0;
  Money total;
  std::string explanation;
  bool voided = false;
};

// Which vouchers of a month a list shows: all of them, or those of a day range, a word, an
// account (a line on it or on one of its sub-accounts) or an amount (a line's or the total).
// An empty field does not filter.
struct VoucherFilter {
  std::string month{};  // YYYY-MM
  std::string from{};   // YYYY-MM-DD
  std::string to{};
  std::string word{};
  std::string account{};
  std::optional<Money> amount{};
};

// The summaries in the order a clerk goes through them: by word (the ledger's order of
// words, words among words first), then number.
void SortSummaries(std::vector<VoucherSummary>& list, const std::vector<std::string>& words);

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
  // Called from any thread: while stop is set, a Save under way ends its waits for the
  // ledger at once, its transaction undone (LedgerSession::Stop), and the store's calls
  // fail at once; Stop(false) lets them run again.
  void Stop(bool stop) { session_->Stop(stop); }

  // The saved voucher of word, month (YYYY-MM) and number, or of id; nullopt when there is
  // none. Its lines hold the codes of their entries and amounts as Money::Text writes them.
  std::optional<Voucher> Open(const std::string& word, const std::string& month, long number);
  std::optional<Voucher> Open(long id);
  // The rate of currency (its code) for a voucher of date: the ledger's rate of the latest
  // date on or before it, as a cell holds it ("7.123456"); nullopt when there is none.
  std::optional<std::string> Rate(const std::string& currency, const std::string& date);
  // What the account of code account is kept by, as the ledger holds it now; nothing for an
  // account that is not in it.
  KeptBy Kept(const std::string& account);
  // Who prepares the vouchers saved here (制单人): Clerk, read in a transaction of its own. A
  // new voucher is saved with it, unless it names one.
  std::string Preparer();
  // Whether the voucher of uid is stored: a draft's voucher whose save was given up may be.
  bool Stored(const std::string& uid);
  // The voucher words of the ledger: 记, 收, 付, 转, then any other its vouchers use.
  std::vector<std::string> Words();
  // Puts a ledger file in write-ahead-log mode (ledger::JournalMode) if it is not; the mode
  // in force after: "wal", or the one kept where the log cannot work. Empty on a server.
  std::string UseWriteAheadLog();

  // The vouchers of filter.month that pass it, in SortSummaries's order. A voided one is
  // listed, marked; the sum of the list leaves it out.
  std::vector<VoucherSummary> List(const VoucherFilter& filter);
  // Voids the saved voucher over the version it was read at: kept with its number and
  // lines, marked with who and when. On success voucher holds its mark and new version;
  // VoucherRefused (kChanged, kGone, kVoided) when it is not voided.
  void Void(Voucher& voucher);
  // Deletes the saved voucher, which must be the last of its word and month, over the
  // version it was read at; the ledger keeps its word, month, number, who and when.
  // VoucherRefused (kNotLast, kChanged, kGone) when it is not deleted.
  void Delete(const Voucher& voucher);
  // Keeps voucher's lines, without amounts, as the template of name; VoucherRefused
  // (kTaken) for a name in use, (kProblems) for a code that is not in the ledger.
  void SaveTemplate(const std::string& name, const Voucher& voucher);
  // The names of the templates, in order; a new voucher (no date) from one, its lines
  // without amounts; nullopt for a name not kept.
  std::vector<std::string> Templates();
  std::optional<Voucher> FromTemplate(const std::string& name);
  // Who is at work on the ledger: the user the server knows the connection by, or for a file
  // the system's user; within a transaction on a server.
  std::string Clerk();

 private:
  struct Saving;

  void SaveOnce(Voucher& voucher);
  std::optional<Voucher> Read(std::string_view where, std::initializer_list<ledger::SqlValue> key);
  // The void mark of voucher, read in the transaction in force; VoucherRefused (kVoided)
  // with refuse when it is voided.
  void ReadMark(Voucher& voucher, bool refuse = false);

  std::unique_ptr<ledger::LedgerSession> session_;
};

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_VOUCHER_STORE_H_
