// What the voucher store does besides saving and opening: the list of a month's vouchers,
// voiding a voucher, deleting the last of a word and month, and templates (a voucher's lines
// without amounts under a name). Each writes in one transaction and records who and when.

#include <algorithm>
#include <ctime>
#include <map>
#include <utility>
#include <variant>

#include "apps/voucher/voucher_header.h"
#include "apps/voucher/voucher_store.h"
#include "contracts/list_kinds.h"
#include "contracts/text.h"

namespace glnamelist::voucher {
namespace {

using ledger::ResultRow;
using ledger::SqlValue;

// "2026-12 记字第 3 号凭证".
std::string NameOf(const Voucher& v) {
  return v.date.substr(0, 7) + " " + v.word + "字第 " + std::to_string(v.number) + " 号凭证";
}

[[noreturn]] void Refuse(VoucherRefused::Why why, std::string text) {
  throw VoucherRefused(why, {{0, std::move(text)}});
}

// The local time now, "2026-12-07 16:40:05".
std::string Now() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

// The next id of table (its largest and one).
int64_t NextId(ledger::LedgerSession& session, const std::string& table) {
  int64_t id = 1;
  // table is one of this file's names, never input.
  session.Run("SELECT coalesce(max(id), 0) + 1 FROM " + table, {},
              [&](const ResultRow& row) { id = row.Int(0); });
  return id;
}

// The saved voucher's version moved on over the one it was read at; VoucherRefused when it
// is gone or another changed it meanwhile.
void TakeVersion(ledger::LedgerSession& session, Voucher& v, const std::string& doing) {
  bool found = false;
  int64_t version = 0;
  session.Run("SELECT row_version FROM vouchers WHERE id = ?1", {int64_t{v.id}},
              [&](const ResultRow& row) {
                found = true;
                version = row.Int(0);
              });
  if (!found) Refuse(VoucherRefused::Why::kGone, NameOf(v) + "已被别人删除，没有" + doing);
  const std::string changed =
      NameOf(v) + "在你打开以后已被别人修改，没有" + doing + "；请重新打开后再" + doing;
  if (version != v.version) Refuse(VoucherRefused::Why::kChanged, changed);
  // The version in the condition: another's change committed meanwhile leaves no row.
  int64_t moved = 0;
  session.Run(
      "UPDATE vouchers SET row_version = row_version + 1 WHERE id = ?1 AND row_version = ?2 "
      "RETURNING row_version",
      {int64_t{v.id}, int64_t{v.version}}, [&](const ResultRow& row) { moved = row.Int(0); });
  if (moved == 0) Refuse(VoucherRefused::Why::kChanged, changed);
  v.version = static_cast<long>(moved);
}

}  // namespace

void SortSummaries(std::vector<VoucherSummary>& list, const std::vector<std::string>& words) {
  auto rank = [&](const std::string& word) {
    return std::find(words.begin(), words.end(), word) - words.begin();
  };
  std::stable_sort(list.begin(), list.end(), [&](const VoucherSummary& a, const VoucherSummary& b) {
    return std::tuple(rank(a.word), a.word, a.number) < std::tuple(rank(b.word), b.word, b.number);
  });
}

void VoucherStore::ReadMark(Voucher& voucher, bool refuse) {
  session_->Run("SELECT voided_by, voided_at FROM voucher_voids WHERE voucher_id = ?1",
                {int64_t{voucher.id}}, [&](const ResultRow& row) {
                  voucher.voided_by = row.Text(0);
                  voucher.voided_at = row.Text(1);
                });
  if (refuse && !voucher.voided_at.empty()) {
    Refuse(VoucherRefused::Why::kVoided, NameOf(voucher) + "已作废（" + voucher.voided_by + " " +
                                             voucher.voided_at + "），不能再修改");
  }
}

std::vector<VoucherSummary> VoucherStore::List(const VoucherFilter& f) {
  ledger::SessionTransaction transaction(*session_, false);
  const std::string account(text::Trim(f.account, " \t"));
  const int64_t cents = f.amount ? f.amount->cents() : -1;
  std::vector<VoucherSummary> list;
  // Every filter is a bound value; an empty one lets every voucher through.
  session_->Run(
      "SELECT v.id, v.date, v.word, v.number, "
      "(SELECT CAST(coalesce(sum(l.debit), 0) AS BIGINT) FROM voucher_lines l "
      "WHERE l.voucher_id = v.id), "
      "coalesce((SELECT l.explanation FROM voucher_lines l WHERE l.voucher_id = v.id "
      "ORDER BY l.line_no LIMIT 1), ''), "
      "CASE WHEN EXISTS (SELECT 1 FROM voucher_voids x WHERE x.voucher_id = v.id) THEN 1 "
      "ELSE 0 END "
      "FROM vouchers v WHERE v.period = ?1 AND (?2 = '' OR v.date >= ?2) "
      "AND (?3 = '' OR v.date <= ?3) AND (?4 = '' OR v.word = ?4) "
      "AND (?5 = '' OR EXISTS (SELECT 1 FROM voucher_lines l JOIN accounts a "
      "ON a.id = l.account_id WHERE l.voucher_id = v.id "
      "AND (a.number = ?5 OR substr(a.number, 1, length(?5) + 1) = ?5 || '.'))) "
      "AND (?6 < 0 OR EXISTS (SELECT 1 FROM voucher_lines l WHERE l.voucher_id = v.id "
      "AND (l.debit = ?6 OR l.credit = ?6)) OR ?6 = (SELECT sum(l.debit) "
      "FROM voucher_lines l WHERE l.voucher_id = v.id))",
      {std::string_view(f.month), std::string_view(f.from), std::string_view(f.to),
       std::string_view(f.word), std::string_view(account), cents},
      [&](const ResultRow& row) {
        list.push_back({static_cast<long>(row.Int(0)), std::string(row.Text(1)),
                        std::string(row.Text(2)), static_cast<long>(row.Int(3)),
                        Money::FromCents(row.Int(4)), std::string(row.Text(5)), row.Int(6) != 0});
      });
  std::vector<std::string> words = StandardWords();
  transaction.Commit();
  SortSummaries(list, words);
  return list;
}

void VoucherStore::Void(Voucher& voucher) {
  ledger::SessionTransaction transaction(*session_, true);
  Voucher marked = voucher;
  marked.voided_by.clear();
  marked.voided_at.clear();
  ReadMark(marked, true);
  TakeVersion(*session_, marked, "作废");
  marked.voided_by = Clerk();
  marked.voided_at = Now();
  session_->Run(
      "INSERT INTO voucher_voids (voucher_id, voided_by, voided_at) VALUES (?1, ?2, ?3)",
      {int64_t{marked.id}, std::string_view(marked.voided_by), std::string_view(marked.voided_at)});
  transaction.Commit();
  voucher = std::move(marked);
}

void VoucherStore::Delete(const Voucher& voucher) {
  ledger::SessionTransaction transaction(*session_, true);
  Voucher gone = voucher;
  TakeVersion(*session_, gone, "删除");
  int64_t last = 0;
  session_->Run("SELECT max(number) FROM vouchers WHERE word = ?1 AND period = ?2",
                {std::string_view(gone.word), std::string_view(gone.date.substr(0, 7))},
                [&](const ResultRow& row) { last = row.Int(0); });
  if (last != gone.number) {
    Refuse(VoucherRefused::Why::kNotLast, NameOf(gone) + "不是" + gone.word +
                                              "字最后一张（最后是第 " + std::to_string(last) +
                                              " 号），不能删除：删除会使凭证号断号；可以作废");
  }
  const std::string who = Clerk();
  session_->Run(
      "INSERT INTO deleted_vouchers (id, voucher_id, date, period, word, number, uid, "
      "deleted_by, deleted_at) SELECT ?1, id, date, period, word, number, uid, ?2, ?3 "
      "FROM vouchers WHERE id = ?4",
      {NextId(*session_, "deleted_vouchers"), std::string_view(who), std::string_view(Now()),
       int64_t{gone.id}});
  for (const char* sql :
       {"DELETE FROM voucher_voids WHERE voucher_id = ?1",
        "DELETE FROM voucher_lines WHERE voucher_id = ?1", "DELETE FROM vouchers WHERE id = ?1"}) {
    session_->Run(sql, {int64_t{gone.id}});
  }
  transaction.Commit();
}

void VoucherStore::SaveTemplate(const std::string& name, const Voucher& voucher) {
  const std::string title(text::Trim(name, " \t"));
  if (title.empty()) Refuse(VoucherRefused::Why::kProblems, "模板要有名字");
  ledger::SessionTransaction transaction(*session_, true);
  bool taken = false;
  session_->Run("SELECT 1 FROM voucher_templates WHERE name = ?1", {std::string_view(title)},
                [&](const ResultRow&) { taken = true; });
  if (taken) Refuse(VoucherRefused::Why::kTaken, "已有名为“" + title + "”的模板，请换一个名字");
  // The id of a code in the ledger (null for none); a code it lacks refuses the template.
  auto id = [&](const char* sql, const std::string& cell, int line, const char* what,
                std::optional<SqlValue> within = std::nullopt) -> SqlValue {
    const std::string code(text::Trim(cell, " \t"));
    if (code.empty()) return SqlValue();
    std::optional<int64_t> found;
    auto take = [&](const ResultRow& row) { found = row.Int(0); };
    if (within) {
      if (!std::holds_alternative<std::monostate>(*within)) {
        session_->Run(sql, {std::string_view(code), *within}, take);
      }
    } else {
      session_->Run(sql, {std::string_view(code)}, take);
    }
    if (!found) {
      throw VoucherRefused(VoucherRefused::Why::kProblems,
                           {{line, std::string(what) + " " + code + " 不存在"}});
    }
    return *found;
  };
  const int64_t template_id = NextId(*session_, "voucher_templates");
  session_->Run(
      "INSERT INTO voucher_templates (id, name, word, attachments) VALUES (?1, ?2, ?3, ?4)",
      {template_id, std::string_view(title), std::string_view(voucher.word),
       int64_t{voucher.attachments}});
  int64_t line_no = 0;
  for (const auto& [line, l] : voucher.FilledLines()) {
    const SqlValue item_class = id("SELECT id FROM item_classes WHERE number = ?1",
                                   (*l)[Column::kItemClass], line, "核算类别");
    session_->Run(
        "INSERT INTO template_lines (template_id, line_no, explanation, account_id, "
        "item_class_id, item_id, currency_id) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)",
        {template_id, ++line_no, text::Trim((*l)[Column::kExplanation], " \t"),
         id("SELECT id FROM accounts WHERE number = ?1", (*l)[Column::kAccount], line, "科目"),
         item_class,
         id("SELECT id FROM items WHERE number = ?1 AND class_id = ?2", (*l)[Column::kItem], line,
            "核算项目", item_class),
         id("SELECT id FROM currencies WHERE number = ?1", (*l)[Column::kCurrency], line, "币别")});
  }
  transaction.Commit();
}

std::vector<std::string> VoucherStore::Templates() {
  ledger::SessionTransaction transaction(*session_, false);
  std::vector<std::string> names;
  session_->Run("SELECT name FROM voucher_templates ORDER BY name", {},
                [&](const ResultRow& row) { names.emplace_back(row.Text(0)); });
  transaction.Commit();
  return names;
}

std::optional<Voucher> VoucherStore::FromTemplate(const std::string& name) {
  ledger::SessionTransaction transaction(*session_, false);
  std::optional<Voucher> made;
  int64_t template_id = 0;
  session_->Run("SELECT id, word, attachments FROM voucher_templates WHERE name = ?1",
                {std::string_view(text::Trim(name, " \t"))}, [&](const ResultRow& row) {
                  template_id = row.Int(0);
                  made.emplace();
                  made->word = row.Text(1);
                  made->attachments = static_cast<long>(row.Int(2));
                });
  if (made) {
    session_->Run(
        "SELECT t.explanation, coalesce(a.number, ''), coalesce(c.number, ''), "
        "coalesce(i.number, ''), coalesce(m.number, '') FROM template_lines t "
        "LEFT JOIN accounts a ON a.id = t.account_id "
        "LEFT JOIN item_classes c ON c.id = t.item_class_id "
        "LEFT JOIN items i ON i.id = t.item_id LEFT JOIN currencies m ON m.id = t.currency_id "
        "WHERE t.template_id = ?1 ORDER BY t.line_no",
        {template_id}, [&](const ResultRow& row) {
          VoucherLine& l = made->lines.emplace_back();
          for (int c = 0; c < 5; ++c) l.cells[static_cast<size_t>(c)] = row.Text(c);
        });
  }
  transaction.Commit();
  return made;
}

}  // namespace glnamelist::voucher
