#include "apps/voucher/voucher_store.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <tuple>
#include <utility>

#include "apps/voucher/voucher_header.h"
#include "contracts/list_kinds.h"
#include "contracts/text.h"
#include "ledger/db/ledger_error.h"
#include "ledger/ledger_at.h"
#include "ledger/ledger_upgrade.h"

namespace glnamelist::voucher {
namespace {

using ledger::ResultRow;
using ledger::SqlValue;

std::string Joined(const std::vector<Problem>& problems) {
  std::string text;
  for (const Problem& p : problems) {
    if (!text.empty()) text += '\n';
    text += p.Message();
  }
  return text;
}

std::string Trimmed(const std::string& cell) { return std::string(text::Trim(cell, " \t")); }

// The name the system knows the person running the form by.
std::string SystemUser() {
  if (const passwd* user = getpwuid(getuid()); user && user->pw_name) return user->pw_name;
  if (const char* name = std::getenv("USER"); name && *name) return name;
  return "uid " + std::to_string(getuid());
}

// "2026-05 记字第 3 号凭证".
std::string Named(const std::string& period, const std::string& word, long number) {
  return period + " " + word + "字第 " + std::to_string(number) + " 号凭证";
}

std::string PeriodOf(const Voucher& v) { return v.date.substr(0, 7); }

// Takes the first column of a row into `into`.
ledger::OnRow One(int64_t& into) {
  return [&into](const ResultRow& row) { into = row.Int(0); };
}

// A null for 0, the id otherwise.
SqlValue IdOrNull(long id) { return id ? SqlValue(int64_t{id}) : SqlValue(); }

// The voucher words of the ledger: the standard ones, then the others its vouchers use.
std::vector<std::string> WordsIn(ledger::LedgerSession& session) {
  std::vector<std::string> words = StandardWords();
  session.Run("SELECT DISTINCT word FROM vouchers ORDER BY word", {}, [&](const ResultRow& row) {
    std::string word(row.Text(0));
    if (std::find(words.begin(), words.end(), word) == words.end()) words.push_back(word);
  });
  return words;
}

// The words a voucher of word may have: the standard ones, and word when the ledger's
// vouchers use it (one look-up in the key, however many vouchers there are).
std::vector<std::string> WordsFor(ledger::LedgerSession& session, const std::string& word) {
  std::vector<std::string> words = StandardWords();
  if (std::find(words.begin(), words.end(), word) != words.end()) return words;
  session.Run("SELECT word FROM vouchers WHERE word = ?1 LIMIT 1", {std::string_view(word)},
              [&](const ResultRow& row) { words.emplace_back(row.Text(0)); });
  return words;
}

// Whether a and b hold the same header and lines, amounts compared by their value.
bool SameContent(const Voucher& a, const Voucher& b) {
  auto text = [](const Voucher& v) {
    std::string t = v.date + "|" + v.word + "|" + std::to_string(v.attachments);
    for (const auto& [grid_line, line] : v.FilledLines()) {
      for (int c = 0; c < kColumns; ++c) {
        const std::string& cell = line->cells[static_cast<size_t>(c)];
        const std::optional<Money> amount =
            c >= static_cast<int>(Column::kDebit) ? Money::Parse(cell) : std::nullopt;
        t += "|" + (amount ? std::to_string(amount->cents()) : Trimmed(cell));
      }
    }
    return t;
  };
  return text(a) == text(b);
}

// Commits the save of voucher, stored under id, number and version; SaveUnsettled when the
// commit's outcome is unknown.
void Settle(ledger::SessionTransaction& transaction, Voucher& voucher, int64_t id, int64_t number,
            int64_t version) {
  try {
    transaction.Commit();
  } catch (const ledger::LedgerError& e) {
    // A commit the file's lock or another's write refused is undone; any other failure of
    // it leaves the outcome to be found out.
    if (e.fault() == ledger::Fault::kLocked || e.fault() == ledger::Fault::kConflict) throw;
    throw SaveUnsettled(e);
  }
  voucher.id = static_cast<long>(id);
  voucher.number = static_cast<long>(number);
  voucher.version = static_cast<long>(version);
}

}  // namespace

VoucherRefused::VoucherRefused(Why why, std::vector<Problem> problems)
    : Error(errc::kInvalidProcedureCall, Joined(problems)),
      why_(why),
      problems_(std::move(problems)) {}

// One save's look-ups, through the store's transaction: Check asks them, the rows use the
// ids they found.
struct VoucherStore::Saving {
  ledger::LedgerSession& session;
  std::map<std::tuple<long, std::string, long>, NamedEntry> found;

  NamedEntry Look(long kind, const std::string& code, long class_id) {
    auto [at, added] = found.try_emplace({kind, code, class_id});
    if (!added) return at->second;
    NamedEntry& entry = at->second;
    auto take = [&](const ResultRow& row) {
      entry.known = true;
      entry.id = static_cast<long>(row.Int(0));
      entry.detail = row.Int(1) != 0;
    };
    const std::string_view c = code;
    switch (kind) {
      case nlAccount:
        session.Run(
            "SELECT a.id, a.detail, c.number, m.number, a.quantity, u.name FROM accounts a "
            "LEFT JOIN item_classes c ON c.id = a.item_class_id "
            "LEFT JOIN currencies m ON m.id = a.currency_id LEFT JOIN units u ON u.id = a.unit_id "
            "WHERE a.number = ?1",
            {c}, [&](const ResultRow& row) {
              take(row);
              entry.item_class = row.IsNull(2) ? "" : std::string(row.Text(2));
              entry.currency = row.IsNull(3) ? "" : std::string(row.Text(3));
              entry.quantity = row.Int(4) != 0;
              entry.unit = row.IsNull(5) ? "" : std::string(row.Text(5));
            });
        break;
      case nlItemClass:
        session.Run("SELECT id, 1 FROM item_classes WHERE number = ?1", {c}, take);
        break;
      case nlItem:
        session.Run("SELECT id, detail FROM items WHERE class_id = ?1 AND number = ?2",
                    {int64_t{class_id}, c}, take);
        break;
      case nlCurrency:
        session.Run("SELECT id, 1 FROM currencies WHERE number = ?1", {c}, take);
        break;
      default:
        break;
    }
    return entry;
  }

  // The id of a cell's entry once Check has passed (0 for an empty cell).
  long Id(long kind, const std::string& cell, long class_id = 0) {
    const std::string code = Trimmed(cell);
    return code.empty() ? 0 : Look(kind, code, class_id).id;
  }

  // What a voucher's header is once saved.
  struct Header {
    int64_t id = 0;
    int64_t number = 0;
    int64_t version = 0;
  };

  // The header of the voucher of v's uid when it is stored already.
  std::optional<Header> Stored(const Voucher& v) {
    std::optional<Header> h;
    session.Run("SELECT id, number, row_version FROM vouchers WHERE uid = ?1",
                {std::string_view(v.uid)}, [&](const ResultRow& row) {
                  h = Header{row.Int(0), row.Int(1), row.Int(2)};
                });
    return h;
  }

  // A new voucher's header, with the next id and the next number of its word and month.
  Header New(const Voucher& v) {
    const std::string period = PeriodOf(v);
    Header h{0, 0, 1};
    session.Run("SELECT coalesce(max(id), 0) + 1 FROM vouchers", {}, One(h.id));
    session.Run("SELECT coalesce(max(number), 0) + 1 FROM vouchers WHERE word = ?1 AND period = ?2",
                {std::string_view(v.word), std::string_view(period)}, One(h.number));
    session.Run(
        "INSERT INTO vouchers (id, date, period, word, number, attachments, row_version, uid, "
        "preparer) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)",
        {h.id, std::string_view(v.date), std::string_view(period), std::string_view(v.word),
         h.number, int64_t{v.attachments}, h.version, std::string_view(v.uid),
         std::string_view(v.preparer)});
    return h;
  }

  // A saved voucher's header, saved over the version it was read at, its lines removed;
  // VoucherRefused when it is gone, was changed meanwhile or would move to another word or
  // month.
  Header Changed(const Voucher& v) {
    const std::string period = PeriodOf(v);
    Header h{v.id, v.number, 0};
    std::optional<std::tuple<std::string, std::string, int64_t>> saved;
    session.Run("SELECT word, period, row_version FROM vouchers WHERE id = ?1", {h.id},
                [&](const ResultRow& row) { saved.emplace(row.Text(0), row.Text(1), row.Int(2)); });
    auto refuse = [](VoucherRefused::Why why, std::string text) {
      throw VoucherRefused(why, {{0, std::move(text)}});
    };
    if (!saved) {
      refuse(VoucherRefused::Why::kGone,
             Named(period, v.word, v.number) + "已被别人删除，没有保存");
    }
    const auto& [saved_word, saved_period, saved_version] = *saved;
    const std::string changed = Named(saved_period, saved_word, v.number) +
                                "在你打开以后已被别人修改，你的修改没有保存；请重新打开后再改";
    if (saved_version != v.version) refuse(VoucherRefused::Why::kChanged, changed);
    if (saved_word != v.word || saved_period != period) {
      refuse(VoucherRefused::Why::kMoved, "已保存的凭证不能改成别的凭证字或月份（原为 " +
                                              Named(saved_period, saved_word, v.number) + "）");
    }
    // The version in the condition: a save that another's committed meanwhile finds no row.
    session.Run(
        "UPDATE vouchers SET date = ?1, attachments = ?2, row_version = row_version + 1 "
        "WHERE id = ?3 AND row_version = ?4 RETURNING row_version",
        {std::string_view(v.date), int64_t{v.attachments}, h.id, int64_t{v.version}},
        One(h.version));
    if (h.version == 0) refuse(VoucherRefused::Why::kChanged, changed);
    session.Run("DELETE FROM voucher_lines WHERE voucher_id = ?1", {h.id});
    return h;
  }

  void Lines(int64_t voucher_id, const Voucher& v) {
    int64_t line_no = 0;
    for (const auto& [grid_line, line] : v.FilledLines()) {
      const VoucherLine& l = *line;
      const long item_class = Id(nlItemClass, l[Column::kItemClass]);
      const std::string explanation = Trimmed(l[Column::kExplanation]);
      auto figure = [&](Column c, int places) {
        return Figure::Parse(l[c], places).value().scaled;
      };
      session.Run(
          "INSERT INTO voucher_lines (voucher_id, line_no, explanation, account_id, "
          "item_class_id, item_id, currency_id, debit, credit, original, rate, quantity, "
          "unit_price) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)",
          {voucher_id, ++line_no, std::string_view(explanation),
           int64_t{Id(nlAccount, l[Column::kAccount])}, IdOrNull(item_class),
           IdOrNull(Id(nlItem, l[Column::kItem], item_class)),
           IdOrNull(Id(nlCurrency, l[Column::kCurrency])),
           Money::Parse(l[Column::kDebit]).value().cents(),
           Money::Parse(l[Column::kCredit]).value().cents(), figure(Column::kOriginal, 2),
           figure(Column::kRate, kRatePlaces), figure(Column::kQuantity, kQuantityPlaces),
           figure(Column::kPrice, kQuantityPlaces)});
    }
  }
};

VoucherStore::VoucherStore(const std::string& location, const ledger::LedgerLimits& limits)
    : session_(ledger::OpenLedgerSession(location, limits)) {}

VoucherStore::VoucherStore(std::unique_ptr<ledger::LedgerSession> session)
    : session_(std::move(session)) {}

void VoucherStore::Save(Voucher& voucher) {
  if (voucher.id == 0 && voucher.uid.empty()) voucher.uid = NewVoucherUid();
  if (voucher.id == 0 && voucher.preparer.empty()) voucher.preparer = Preparer();
  for (int attempt = 1;; ++attempt) {
    try {
      return SaveOnce(voucher);
    } catch (const ledger::LedgerError& e) {
      // Another clerk's save took the number or id meanwhile: the next try sees it.
      if (e.fault() != ledger::Fault::kConflict || attempt == kSaveAttempts) throw;
    } catch (const VoucherRefused& e) {
      // A change saved by a commit whose answer was lost: the next version holds it.
      std::optional<Voucher> stored =
          e.why() == VoucherRefused::Why::kChanged ? Open(voucher.id) : std::nullopt;
      if (!stored || stored->version != voucher.version + 1 || !SameContent(*stored, voucher)) {
        throw;
      }
      voucher.version = stored->version;
      return;
    }
  }
}

void VoucherStore::SaveOnce(Voucher& voucher) {
  ledger::SessionTransaction transaction(*session_, true);
  Saving saving{*session_, {}};
  std::optional<Saving::Header> stored = voucher.id == 0 ? saving.Stored(voucher) : std::nullopt;
  if (stored) return Settle(transaction, voucher, stored->id, stored->number, stored->version);
  if (Voucher marked = voucher; voucher.id != 0) ReadMark(marked, true);
  std::vector<Problem> problems = Check(
      voucher,
      [&](long kind, const std::string& code, long class_id) {
        return saving.Look(kind, code, class_id);
      },
      WordsFor(*session_, voucher.word));
  if (!problems.empty()) throw VoucherRefused(VoucherRefused::Why::kProblems, problems);
  const Saving::Header saved = voucher.id == 0 ? saving.New(voucher) : saving.Changed(voucher);
  saving.Lines(saved.id, voucher);
  Settle(transaction, voucher, saved.id, saved.number, saved.version);
}

std::optional<Voucher> VoucherStore::Open(const std::string& word, const std::string& month,
                                          long number) {
  return Read("word = ?1 AND period = ?2 AND number = ?3",
              {std::string_view(word), std::string_view(month), int64_t{number}});
}

std::optional<Voucher> VoucherStore::Open(long id) { return Read("id = ?1", {int64_t{id}}); }

std::vector<std::string> VoucherStore::Words() {
  ledger::SessionTransaction transaction(*session_, false);
  std::vector<std::string> words = WordsIn(*session_);
  transaction.Commit();
  return words;
}

std::optional<std::string> VoucherStore::Rate(const std::string& currency,
                                              const std::string& date) {
  ledger::SessionTransaction transaction(*session_, false);
  std::optional<std::string> rate;
  session_->Run(
      "SELECT r.rate FROM rates r JOIN currencies c ON c.id = r.currency_id "
      "WHERE c.number = ?1 AND r.date <= ?2 ORDER BY r.date DESC LIMIT 1",
      {std::string_view(currency), std::string_view(date)}, [&](const ResultRow& row) {
        rate = Figure{row.Int(0), kRatePlaces}.Text();
      });
  transaction.Commit();
  return rate;
}

KeptBy VoucherStore::Kept(const std::string& account) {
  ledger::SessionTransaction transaction(*session_, false);
  const NamedEntry entry = Saving{*session_, {}}.Look(nlAccount, account, 0);
  transaction.Commit();
  return {entry.item_class, entry.currency, entry.quantity, entry.unit};
}

std::string VoucherStore::Clerk() {
  if (!session_->OnServer()) return SystemUser();
  std::string user;
  session_->Run("SELECT CAST(current_user AS TEXT)", {},
                [&](const ResultRow& row) { user = row.Text(0); });
  return user;
}

bool VoucherStore::Stored(const std::string& uid) {
  ledger::SessionTransaction transaction(*session_, false);
  bool stored = false;
  session_->Run("SELECT 1 FROM vouchers WHERE uid = ?1", {std::string_view(uid)},
                [&](const ResultRow&) { stored = true; });
  transaction.Commit();
  return stored;
}

std::string VoucherStore::Preparer() {
  if (!session_->OnServer()) return SystemUser();
  ledger::SessionTransaction transaction(*session_, false);
  std::string user = Clerk();
  transaction.Commit();
  return user;
}

std::string VoucherStore::UseWriteAheadLog() {
  return session_->OnServer() ? "" : ledger::JournalMode(*session_);
}

std::optional<Voucher> VoucherStore::Read(std::string_view where,
                                          std::initializer_list<SqlValue> key) {
  ledger::SessionTransaction transaction(*session_, false);
  std::optional<Voucher> voucher;
  // where is one of the two conditions above, never input.
  session_->Run(
      "SELECT id, date, word, number, attachments, row_version, uid, preparer FROM vouchers "
      "WHERE " +
          std::string(where),
      key, [&](const ResultRow& row) {
        Voucher& v = voucher.emplace();
        v.id = static_cast<long>(row.Int(0));
        v.date = row.Text(1);
        v.word = row.Text(2);
        v.number = static_cast<long>(row.Int(3));
        v.attachments = static_cast<long>(row.Int(4));
        v.version = static_cast<long>(row.Int(5));
        v.uid = row.IsNull(6) ? std::string() : std::string(row.Text(6));
        v.preparer = row.Text(7);
      });
  if (!voucher) return voucher;
  auto amount = [](int64_t cents) {
    return cents == 0 ? std::string() : Money::FromCents(cents).Text();
  };
  auto figure = [](int64_t scaled, int places) {
    return scaled == 0 ? std::string() : Figure{scaled, places}.Text();
  };
  session_->Run(
      "SELECT l.explanation, a.number, c.number, i.number, m.number, l.debit, l.credit, "
      "l.original, l.rate, l.quantity, l.unit_price "
      "FROM voucher_lines l JOIN accounts a ON a.id = l.account_id "
      "LEFT JOIN item_classes c ON c.id = l.item_class_id "
      "LEFT JOIN items i ON i.id = l.item_id LEFT JOIN currencies m ON m.id = l.currency_id "
      "WHERE l.voucher_id = ?1 ORDER BY l.line_no",
      {int64_t{voucher->id}}, [&](const ResultRow& row) {
        VoucherLine& l = voucher->lines.emplace_back();
        l[Column::kExplanation] = row.Text(0);
        l[Column::kAccount] = row.Text(1);
        l[Column::kItemClass] = row.Text(2);
        l[Column::kItem] = row.Text(3);
        l[Column::kCurrency] = row.Text(4);
        l[Column::kDebit] = amount(row.Int(5));
        l[Column::kCredit] = amount(row.Int(6));
        l[Column::kOriginal] = amount(row.Int(7));
        l[Column::kRate] = figure(row.Int(8), kRatePlaces);
        l[Column::kQuantity] = figure(row.Int(9), kQuantityPlaces);
        l[Column::kPrice] = figure(row.Int(10), kQuantityPlaces);
      });
  ReadMark(*voucher);
  transaction.Commit();
  return voucher;
}

}  // namespace glnamelist::voucher
