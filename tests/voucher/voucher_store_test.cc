// Vouchers saved in the ledger, on a file and on the throwaway server of pg_cluster.sh:
// read back unchanged to the cent, refused with the line named and nothing written, saved
// again only over the version they were read at, never half saved when the connection drops
// or the process is killed half-way, and numbered without a gap or a repeat when twenty
// clerks' processes save at once.
#include "apps/voucher/voucher_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <numeric>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "apps/glledger/ledger_builder.h"
#include "apps/glledger/ledger_copy.h"
#include "apps/voucher/draft_store.h"
#include "ledger/db/ledger_error.h"
#include "ledger/db/ledger_session.h"
#include "ledger/ledger_at.h"
#include "tests/ledger/refusal_of.h"
#include "tests/ledger/test_ledgers.h"
#include "tests/support/child_process.h"

namespace glnamelist::voucher {
namespace {

using ledger::LedgerSession;
using ledger::ResultRow;
using ledger::SqlValue;
using ledger::TempDir;
using ledger::TestServer;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

VoucherLine Line(std::string explanation, std::string account, std::string debit,
                 std::string credit, std::string item_class = "", std::string item = "",
                 std::string currency = "") {
  VoucherLine l;
  l[Column::kExplanation] = std::move(explanation);
  l[Column::kAccount] = std::move(account);
  l[Column::kItemClass] = std::move(item_class);
  l[Column::kItem] = std::move(item);
  l[Column::kCurrency] = std::move(currency);
  l[Column::kDebit] = std::move(debit);
  l[Column::kCredit] = std::move(credit);
  return l;
}

Voucher Made(std::string date, std::vector<VoucherLine> lines, std::string word = "记") {
  Voucher v;
  v.date = std::move(date);
  v.word = std::move(word);
  v.attachments = 2;
  v.lines = std::move(lines);
  return v;
}

// A balanced voucher of n lines: n - 1 debits of 1.01 to 1122 (customer 01.01.001), one
// credit of their sum to 1002.01.
Voucher Lines(int n, const std::string& date = "2026-05-20") {
  std::vector<VoucherLine> lines;
  for (int i = 1; i < n; ++i) {
    lines.push_back(Line("销售 " + std::to_string(i), "1122", "1.01", "", "001", "01.01.001"));
  }
  lines.push_back(Line("收款", "1002.01", "", Money::FromCents(101L * (n - 1)).Text()));
  return Made(date, std::move(lines));
}

// A voucher as one text: its header and each line's cells, amounts as cents.
// (Figures other than the amounts as they are written.)
std::string Shown(const Voucher& v) {
  std::ostringstream out;
  out << v.date << " " << v.word << " " << v.number << " " << v.attachments << "\n";
  for (const auto& [grid_line, line] : v.FilledLines()) {
    for (int c = 0; c < kColumns; ++c) {
      const std::string& cell = line->cells[static_cast<size_t>(c)];
      const auto column = static_cast<Column>(c);
      const bool amount = column == Column::kDebit || column == Column::kCredit;
      out << (amount ? std::to_string(Money::Parse(cell).value().cents()) : cell) << "|";
    }
    out << "\n";
  }
  return out.str();
}

// A session that calls fault with its inner session and what comes next: each statement's
// SQL before it runs, "commit" before each commit and "committed" after it.
class FaultySession final : public LedgerSession {
 public:
  using Fault = std::function<void(LedgerSession&, std::string_view)>;
  FaultySession(std::unique_ptr<LedgerSession> inner, Fault fault)
      : inner_(std::move(inner)), fault_(std::move(fault)) {}
  const std::string& name() const override { return inner_->name(); }
  bool OnServer() const override { return inner_->OnServer(); }
  void Begin(bool write) override { inner_->Begin(write); }
  void Commit() override {
    fault_(*inner_, "commit");
    inner_->Commit();
    fault_(*inner_, "committed");
  }
  void Rollback() noexcept override { inner_->Rollback(); }
  void Run(std::string_view sql, std::initializer_list<SqlValue> values,
           const ledger::OnRow& on_row) override {
    fault_(*inner_, sql);
    inner_->Run(sql, values, on_row);
  }
  void Script(const std::string& sql) override { inner_->Script(sql); }

 private:
  std::unique_ptr<LedgerSession> inner_;
  Fault fault_;
};

// A fault done just before the nth statement that writes a voucher's line.
FaultySession::Fault AtLine(int nth, std::function<void(LedgerSession&)> fault) {
  return [nth, fault, lines = 0](LedgerSession& inner, std::string_view sql) mutable {
    if (sql.starts_with("INSERT INTO voucher_lines") && ++lines == nth) fault(inner);
  };
}

// The answer to the first commit of a voucher lost: after it was done (stored) or instead.
FaultySession::Fault AnswerLost(bool stored) {
  return
      [stored, writing = false, lost = false](LedgerSession& inner, std::string_view what) mutable {
        writing = writing || what.starts_with("INSERT INTO vouchers") ||
                  what.starts_with("UPDATE vouchers");
        if (!writing || lost || what != (stored ? "committed" : "commit")) return;
        lost = true;
        if (!stored) inner.Rollback();
        throw ledger::LedgerError(ledger::Fault::kNoAnswer, "ledger", "no answer", "no answer");
      };
}

enum class Backend { kFile, kServer };

// A fresh copy of the sample ledger for each test, in a file or in a new database.
class VoucherStoreTest : public ::testing::TestWithParam<Backend> {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    ledger::BuildLedger(ledger::EmbeddedSchema(),
                        {ledger::ReadTextFile(GLNAMELIST_SAMPLE_LEDGER_SQL)},
                        dir_->File("sample.ledger"));
  }
  static void TearDownTestSuite() { delete dir_; }

  void SetUp() override {
    if (GetParam() == Backend::kServer) {
      if (!TestServer::Available()) GTEST_SKIP() << "no test server: run under pg_cluster.sh";
      database_ = TestServer::NewDatabase();
      location_ = TestServer::Location(database_);
      ledger::CopyLedger(dir_->File("sample.ledger"), location_, false, false);
    } else {
      location_ = dir_->File("books" + std::to_string(++made_) + ".ledger");
      std::filesystem::copy_file(dir_->File("sample.ledger"), location_);
    }
  }

  // The first column of a query's first row, read as a form reads the ledger.
  int64_t Count(const std::string& sql) {
    int64_t n = -1;
    ledger::OpenLedger(location_)->Lookup(sql, {}, [&](const ResultRow& row) { n = row.Int(0); });
    return n;
  }
  int64_t Rows() {
    return Count("SELECT (SELECT count(*) FROM vouchers) * 1000 + count(*) FROM voucher_lines");
  }

  // Runs sql on the ledger directly, as another program would.
  void Exec(const std::string& sql) {
    auto session = ledger::OpenLedgerSession(location_);
    session->Begin(true);
    session->Script(sql);
    session->Commit();
  }

  static inline TempDir* dir_ = nullptr;
  static inline int made_ = 0;
  std::string database_;
  std::string location_;
};

TEST_P(VoucherStoreTest, ASavedVoucherIsReadBackUnchangedToTheCentAndNumberedPerWordAndMonth) {
  VoucherStore store(location_);
  Voucher cents =
      Made("2026-05-31",
           {Line("一角", "1001", "0.10", ""), Line("两角", "1122", "0.2", "", "001", "01.01.001"),
            Line("", "", "", ""),  // a blank line of the grid
            Line("合计", "1002.01", "", "0.30"), Line("大额", "1001", "99,999,999,999.99", ""),
            Line("大额", "1002.01", "", "99999999999.99")});
  store.Save(cents);
  EXPECT_EQ(cents.number, 1);
  EXPECT_EQ(cents.version, 1);
  EXPECT_NE(cents.id, 0);
  std::optional<Voucher> read = store.Open("记", "2026-05", 1);
  ASSERT_TRUE(read);
  EXPECT_EQ(Shown(*read), Shown(cents));
  EXPECT_EQ((*read).lines[1][Column::kDebit], "0.20");
  EXPECT_EQ((*read).lines[3][Column::kDebit], "99,999,999,999.99");
  EXPECT_EQ(Count("SELECT CAST(sum(debit) AS BIGINT) FROM voucher_lines"),
            10 + 20 + 9'999'999'999'999)
      << "whole cents in integer columns";

  // Numbers per word and month: the next 记 of May is 2; 收 and June start at 1.
  for (auto [date, word, number] : {std::tuple{"2026-05-01", "记", 2},
                                    {"2026-05-02", "收", 1},
                                    {"2026-06-01", "记", 1},
                                    {"2026-05-03", "记", 3}}) {
    Voucher v = Lines(2, date);
    v.word = word;
    store.Save(v);
    EXPECT_EQ(v.number, number) << date << word;
    ASSERT_TRUE(store.Open(v.id));
    EXPECT_EQ(Shown(*store.Open(v.id)), Shown(v));
  }
  EXPECT_FALSE(store.Open("记", "2026-05", 4));
  EXPECT_FALSE(store.Open("记", "2026-07", 1));
  EXPECT_FALSE(store.Open(999));
}

// A dollar line at the rate of the ledger's table for the voucher's date and a stock line by
// quantity: saved and opened again, every figure as typed, the amounts their products to the
// cent, the preparer kept.
TEST_P(VoucherStoreTest, ADollarLineAtTheTablesRateAndAStockLineByQuantityAreKeptAsTyped) {
  VoucherStore store(location_);
  EXPECT_EQ(store.Rate("USD", "2026-11-30"), "7.095");
  EXPECT_EQ(store.Rate("USD", "2026-10-31"), std::nullopt);
  // What an account is kept by, as its lines need it; nothing for a code not in the ledger.
  auto kept = [&](const std::string& account) {
    const KeptBy k = store.Kept(account);
    return k.item_class + "|" + k.currency + "|" + std::to_string(k.quantity) + "|" + k.unit;
  };
  EXPECT_EQ(kept("1122") + " " + kept("1002.04") + " " + kept("1405") + " " + kept("1001") + " " +
                kept("9999"),
            "001||0| |USD|0| ||1|台 ||0| ||0|");
  Voucher v = Made("2026-12-06", {Line("收美元", "1002.04", "7,123.53", "", "", "", "USD"),
                                  Line("销货", "1405", "", "7,123.53")});
  v.lines[0][Column::kRate] = store.Rate("USD", v.date).value();
  v.lines[0][Column::kOriginal] = "1,000.01";
  v.lines[1][Column::kQuantity] = "3";
  v.lines[1][Column::kPrice] = "2,374.51";
  store.Save(v);
  std::optional<Voucher> read = store.Open(v.id);
  ASSERT_TRUE(read);
  EXPECT_EQ(Shown(*read), Shown(v));
  EXPECT_EQ(read->lines[0][Column::kRate] + " " + read->lines[0][Column::kOriginal],
            "7.123456 1,000.01");
  EXPECT_EQ(read->lines[1][Column::kQuantity] + " " + read->lines[1][Column::kPrice], "3 2,374.51");
  EXPECT_EQ(Count("SELECT rate * 1000 + quantity FROM voucher_lines WHERE original = 100001"),
            7123456000)
      << "whole millionths and ten-thousandths";
  EXPECT_FALSE(read->preparer.empty());
  EXPECT_EQ(read->preparer, store.Preparer());
}

TEST_P(VoucherStoreTest, AWrongVoucherIsRefusedWithItsLineAndNothingIsWritten) {
  VoucherStore store(location_);
  struct Case {
    std::function<void(Voucher&)> edit;
    std::string problem;
  };
  for (const Case& c : std::vector<Case>{
           {[](Voucher& v) { v.lines[1][Column::kCredit] = "2.00"; },
            "借贷不平衡：借方 1.01，贷方 2.00，差额 -0.99"},
           {[](Voucher& v) { v.lines[1][Column::kAccount] = "1002"; },
            "第 2 行：科目 1002 不是明细科目"},
           {[](Voucher& v) { v.lines[0][Column::kItem] = "01.01"; },
            "第 1 行：核算项目 01.01 不是明细项目"},
           {[](Voucher& v) { v.lines[0][Column::kItem] = "'; DROP TABLE vouchers; --"; },
            "第 1 行：核算项目 '; DROP TABLE vouchers; -- 不在核算类别 001 中"},
           {[](Voucher& v) { v.lines[1][Column::kCurrency] = "XYZ"; }, "第 2 行：币别 XYZ 不存在"},
           {[](Voucher& v) { v.lines[1][Column::kAccount] = "1405"; },
            "第 2 行：科目 1405 核算数量，没有数量"},
           {[](Voucher& v) { v.lines[0][Column::kItemClass] = "002"; },
            "第 1 行：科目 1122 按核算类别 001 核算，不是 002"},
           {[](Voucher& v) { v.lines[0][Column::kDebit] = "1.011"; },
            "第 1 行：借方金额 1.011 最多两位小数"},
           {[](Voucher& v) { v.lines.pop_back(); }, "凭证至少要有两行分录"},
           {[](Voucher& v) { v.date = "2026-02-30"; }, "日期 2026-02-30 不是有效日期"},
           {[](Voucher& v) { v.word = "现"; },
            "凭证字“现”不是这个账套的凭证字（记、收、付、转）"}}) {
    Voucher v = Lines(2);
    c.edit(v);
    try {
      store.Save(v);
      ADD_FAILURE() << "saved: " << c.problem;
    } catch (const VoucherRefused& e) {
      EXPECT_EQ(e.why(), VoucherRefused::Why::kProblems);
      EXPECT_THAT(e.what(), HasSubstr(c.problem));
    }
    EXPECT_EQ(v.id, 0);
    EXPECT_EQ(v.number, 0);
  }
  EXPECT_EQ(Rows(), 0);
  Voucher right = Lines(2);
  store.Save(right);
  EXPECT_EQ(right.number, 1) << "no number was used up";
  EXPECT_THAT(store.Words(), ::testing::ElementsAre("记", "收", "付", "转"));
}

// Two clerks open the same voucher; the second to save is refused and nothing of the first's
// is overwritten. A voucher moved to another month or word, or removed, is refused too.
TEST_P(VoucherStoreTest, ASaveOverAVersionSomeoneElseChangedIsRefused) {
  VoucherStore store(location_), other(location_);
  Voucher saved = Lines(3);
  store.Save(saved);
  Voucher mine = *store.Open(saved.id), theirs = *other.Open(saved.id);
  theirs.lines[0][Column::kExplanation] = "他们改的";
  theirs.date = "2026-05-01";
  other.Save(theirs);
  EXPECT_EQ(theirs.version, 2);
  EXPECT_EQ(theirs.number, saved.number);
  mine.lines[0][Column::kExplanation] = "我改的";
  auto refused = [&](Voucher& v) {
    try {
      store.Save(v);
    } catch (const VoucherRefused& e) {
      return std::pair{e.why(), std::string(e.what())};
    }
    return std::pair{VoucherRefused::Why::kProblems, std::string("saved")};
  };
  EXPECT_EQ(refused(mine), std::pair(VoucherRefused::Why::kChanged,
                                     std::string("2026-05 记字第 1 号凭证在你打开以后已被别人修改，"
                                                 "你的修改没有保存；请重新打开后再改")));
  EXPECT_EQ(Shown(*store.Open(saved.id)), Shown(theirs));

  Voucher again = *store.Open(saved.id);
  again.date = "2026-06-01";
  EXPECT_EQ(refused(again).first, VoucherRefused::Why::kMoved);
  again.date = "2026-05-09";
  again.word = "收";
  EXPECT_EQ(refused(again).first, VoucherRefused::Why::kMoved);
  again.word = "记";
  again.lines.erase(again.lines.begin());
  again.lines.back()[Column::kCredit] = "1.01";
  store.Save(again);
  EXPECT_EQ(again.version, 3);
  EXPECT_EQ(Shown(*store.Open("记", "2026-05", 1)), Shown(again));

  Exec("DELETE FROM vouchers");
  EXPECT_EQ(refused(again).first, VoucherRefused::Why::kGone);
  EXPECT_EQ(Rows(), 0);
}

// The month's list filtered by day, word, account and amount; voiding (kept, marked, out of
// the list's sum, never saved over); deleting only the last of a word, recorded; templates.
TEST_P(VoucherStoreTest, VouchersAreListedVoidedDeletedAndKeptAsTemplates) {
  VoucherStore store(location_), other(location_);
  std::vector<Voucher> saved;
  for (auto [date, word] : {std::pair{"2026-05-03", "转"},
                            {"2026-05-01", "记"},
                            {"2026-05-02", "记"},
                            {"2026-06-01", "记"}}) {
    Voucher& v = saved.emplace_back(Lines(static_cast<int>(saved.size()) + 2, date));
    v.word = word;
    store.Save(v);
  }
  auto listed = [&](VoucherFilter f) {
    f.month = "2026-05";
    std::string text;
    for (const VoucherSummary& s : store.List(f)) {
      text += s.word + std::to_string(s.number) + " " + s.date + " " + s.total.Text() + " " +
              s.explanation + (s.voided ? " 作废" : "") + "\n";
    }
    return text;
  };
  EXPECT_EQ(listed({}),
            "记1 2026-05-01 2.02 销售 1\n记2 2026-05-02 3.03 销售 1\n转1 2026-05-03 1.01 销售 1\n");
  EXPECT_EQ(listed({.from = "2026-05-02", .to = "2026-05-03", .word = "记"}),
            "记2 2026-05-02 3.03 销售 1\n");
  EXPECT_EQ(listed({.account = "1002"}), listed({})) << "1002.01 is under 1002";
  EXPECT_EQ(listed({.account = "100"}), "") << "a code, not a prefix of one";
  EXPECT_EQ(listed({.amount = Money::FromCents(303)}), "记2 2026-05-02 3.03 销售 1\n");

  Voucher stale = *other.Open(saved[1].id), mine = *store.Open(saved[1].id);
  store.Void(mine);
  EXPECT_FALSE(mine.voided_by.empty());
  EXPECT_EQ(store.Open(saved[1].id)->voided_at, mine.voided_at) << "marked, with when";
  EXPECT_THAT(listed({}), HasSubstr("记1 2026-05-01 2.02 销售 1 作废\n"));
  auto why = [](const std::function<void()>& act) {
    try {
      act();
    } catch (const VoucherRefused& e) {
      return e.why();
    }
    return VoucherRefused::Why::kProblems;
  };
  EXPECT_EQ(why([&] { other.Void(stale); }), VoucherRefused::Why::kVoided);
  EXPECT_EQ(why([&] { other.Save(stale); }), VoucherRefused::Why::kVoided);
  EXPECT_EQ(why([&] { store.Save(mine); }), VoucherRefused::Why::kVoided);
  EXPECT_EQ(
      Count("SELECT count(*) FROM voucher_lines WHERE voucher_id = " + std::to_string(mine.id)), 3)
      << "a voided voucher keeps its lines";

  EXPECT_EQ(why([&] { store.Delete(mine); }), VoucherRefused::Why::kNotLast);
  Voucher last = *store.Open(saved[2].id), changed = last;
  changed.lines[0][Column::kExplanation] = "改了";
  other.Save(changed);
  EXPECT_EQ(why([&] { store.Delete(last); }), VoucherRefused::Why::kChanged);
  store.Delete(changed);
  EXPECT_EQ(why([&] { store.Delete(changed); }), VoucherRefused::Why::kGone);
  EXPECT_EQ(Count("SELECT count(*) FROM deleted_vouchers WHERE word = '记' AND number = 2 AND "
                  "period = '2026-05' AND deleted_by <> '' AND deleted_at <> ''"),
            1);
  Voucher next = Lines(2, "2026-05-09");
  store.Save(next);
  EXPECT_EQ(next.number, 2) << "the number of the deleted last one is given again";

  store.SaveTemplate(" 收款 ", saved[0]);
  EXPECT_EQ(why([&] { store.SaveTemplate("收款", saved[1]); }), VoucherRefused::Why::kTaken);
  Voucher wrong = saved[1];
  wrong.lines[0][Column::kAccount] = "9999";
  EXPECT_EQ(why([&] { store.SaveTemplate("错", wrong); }), VoucherRefused::Why::kProblems);
  EXPECT_THAT(store.Templates(), ElementsAre("收款"));
  std::optional<Voucher> made = store.FromTemplate("收款");
  ASSERT_TRUE(made);
  EXPECT_EQ(made->word, "转");
  ASSERT_EQ(made->lines.size(), 2u);
  EXPECT_EQ(made->lines[0].cells,
            (std::array<std::string, kColumns>{"销售 1", "1122", "001", "01.01.001", "", "", ""}));
  EXPECT_EQ(made->lines[1][Column::kAccount], "1002.01");
  EXPECT_FALSE(store.FromTemplate("没有"));
}

// A save cut off half-way through its lines, by a dropped connection, by the process being
// killed or by a server that does not answer, leaves no voucher and no line; the next save
// gets the number the cut one would have.
const bool kKilledClerkJob =
    spawned::RegisterChildJob("killed-clerk", [](const spawned::ChildArgs& args) {
      VoucherStore store(
          std::make_unique<FaultySession>(ledger::OpenLedgerSession(args.at(0)),
                                          AtLine(50, [](LedgerSession&) { raise(SIGKILL); })));
      Voucher v = Lines(100);
      store.Save(v);
      return std::string("saved");
    });

// The sessions of the server waiting for a lock, as conn sees them.
int LockWaits(PGconn* conn) {
  PGresult* result = PQexec(conn,
                            "SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock' "
                            "AND datname = current_database()");
  const int waits = PQntuples(result) == 1 ? std::atoi(PQgetvalue(result, 0, 0)) : 0;
  PQclear(result);
  return waits;
}

TEST_P(VoucherStoreTest, ASaveCutOffHalfWayLeavesNoHalfVoucher) {
  spawned::ChildRun killed = spawned::RunChildren(1, "killed-clerk", {location_});
  const int status = killed.statuses.at(0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status << killed.output;
  EXPECT_EQ(Rows(), 0);

  if (GetParam() == Backend::kServer) {  // the connection ended by the server half-way
    VoucherStore store(std::make_unique<FaultySession>(
        ledger::OpenLedgerSession(location_), AtLine(50, [](LedgerSession& session) {
          session.Run("SELECT pg_terminate_backend(pg_backend_pid())", {});
        })));
    Voucher v = Lines(100);
    ledger::Refusal lost = ledger::RefusalOf([&] { store.Save(v); });
    EXPECT_EQ(lost.fault, ledger::Fault::kLost);
    EXPECT_THAT(lost.what, HasSubstr("cannot write: the connection to the server was lost"));
    EXPECT_EQ(Rows(), 0);
    store.Save(v);  // the next save connects again
    EXPECT_EQ(v.number, 1);

    // A server that gives no answer in time (here: a table another session holds locked):
    // the save is cancelled within the limit, and the next one goes through.
    ledger::LedgerLimits limits;
    limits.answer = std::chrono::milliseconds(300);
    VoucherStore waiting(location_, limits);
    std::unique_ptr<PGconn, decltype(&PQfinish)> locker(
        PQconnectdb(TestServer::Location(database_).c_str()), PQfinish);
    PQclear(PQexec(locker.get(), "BEGIN; LOCK TABLE vouchers IN ACCESS EXCLUSIVE MODE"));
    Voucher late = Lines(100);
    ledger::Refusal unanswered = ledger::RefusalOf([&] { waiting.Save(late); });
    EXPECT_EQ(unanswered.fault, ledger::Fault::kNoAnswer);
    EXPECT_THAT(unanswered.what, HasSubstr("the server gave no answer within 0.3 s"));
    // A save stopped from another thread while it waits (the person gave the wait up) ends
    // at once, its transaction undone, and saves again once let.
    VoucherStore stopped(location_);
    Voucher held = Lines(100);
    ledger::Fault fault = ledger::Fault::kOther;
    std::thread saving([&] { fault = ledger::RefusalOf([&] { stopped.Save(held); }).fault; });
    for (int polls = 0; polls < 10000 && LockWaits(locker.get()) == 0; ++polls) {
    }
    stopped.Stop(true);
    saving.join();
    EXPECT_EQ(fault, ledger::Fault::kStopped);
    locker.reset();
    EXPECT_EQ(Rows(), 1100);
    waiting.Save(late);
    EXPECT_EQ(late.number, 2);
    stopped.Stop(false);
    stopped.Save(held);
    EXPECT_EQ(held.number, 3);
  }
  Voucher next = Lines(100);
  VoucherStore(location_).Save(next);
  EXPECT_EQ(next.number, GetParam() == Backend::kServer ? 4 : 1);
  EXPECT_EQ(Rows(), GetParam() == Backend::kServer ? 4400 : 1100);
}

// On a server a save says what is missing the first time: a right to write (for a role that
// may read), a password the server took before and has let expire since, the database.
TEST_P(VoucherStoreTest, ASaveOnAServerNamesWhatIsMissingTheFirstTime) {
  if (GetParam() != Backend::kServer) GTEST_SKIP() << "the server's roles and databases";
  const std::string password = getenv("PGPASSWORD");
  TestServer::Run(database_, "CREATE ROLE saver LOGIN PASSWORD '" + password +
                                 "'; GRANT SELECT ON ALL TABLES IN SCHEMA public TO saver");
  VoucherStore store("postgresql://saver:" + TestServer::Encoded(password) + "@" +
                     TestServer::Encoded(getenv("GLNAMELIST_PG_DIR")) + "/" +
                     TestServer::Encoded(database_));
  auto fault = [&store](Voucher v) { return ledger::RefusalOf([&] { store.Save(v); }).fault; };
  EXPECT_EQ(fault(Lines(2)), ledger::Fault::kNoWritePermission);
  TestServer::Run(database_,
                  "GRANT INSERT ON vouchers, voucher_lines TO saver; ALTER ROLE saver VALID UNTIL "
                  "'2000-01-01'; SELECT pg_terminate_backend(pid, 60000) FROM pg_stat_activity "
                  "WHERE usename = 'saver'");
  EXPECT_EQ(fault(Lines(2)), ledger::Fault::kPasswordRefused);
  TestServer::Run(database_, "ALTER ROLE saver VALID UNTIL 'infinity'");
  EXPECT_EQ(fault(Lines(2)), ledger::Fault::kOther) << "saved once the password is valid";
  std::string quoted = database_;
  for (size_t at = 0; (at = quoted.find('"', at)) != std::string::npos; at += 2) {
    quoted.insert(at, 1, '"');
  }
  TestServer::Run("postgres", "DROP DATABASE \"" + quoted + "\" WITH (FORCE)");
  EXPECT_EQ(fault(Lines(2)), ledger::Fault::kNoDatabase);
}

// A save whose commit's answer is lost, stored or not, then tried again twice, by the form
// and from its draft in a new form: the voucher is stored once, under the number the first
// try had. On the server the commit is really answered late: it waits for a standby that
// is not there, past the wait, and is stored when it is cancelled.
TEST_P(VoucherStoreTest, ASaveWhoseAnswerIsLostIsSettledByTheVouchersOwnIdAndStoredOnce) {
  int64_t rows = 0;
  auto retried = [&](VoucherStore& store, Voucher& v, long number) {
    EXPECT_THROW(store.Save(v), SaveUnsettled);
    EXPECT_EQ(v.number, 0) << "the outcome is not known";
    Voucher drafted = ParseDraft(DraftText(v));  // the form killed, its draft taken again
    store.Save(v);
    VoucherStore(location_).Save(drafted);
    for (const Voucher* saved : {&v, &drafted}) {
      EXPECT_EQ(saved->number, number);
      EXPECT_EQ(saved->version, 1);
    }
    EXPECT_EQ(drafted.id, v.id);
    EXPECT_EQ(Rows(), rows += 1003);
  };
  for (bool stored : {true, false}) {
    VoucherStore store(
        std::make_unique<FaultySession>(ledger::OpenLedgerSession(location_), AnswerLost(stored)));
    Voucher v = Lines(3);
    retried(store, v, stored ? 1 : 2);
  }
  // A change of a saved voucher whose answer is lost: the next save finds it saved.
  VoucherStore store(
      std::make_unique<FaultySession>(ledger::OpenLedgerSession(location_), AnswerLost(true)));
  Voucher changed = *store.Open("记", "2026-05", 1);
  changed.lines[0][Column::kExplanation] = "改了";
  EXPECT_THROW(store.Save(changed), SaveUnsettled);
  store.Save(changed);
  EXPECT_EQ(changed.version, 2);
  EXPECT_EQ(Shown(*store.Open(changed.id)), Shown(changed));
  if (GetParam() == Backend::kServer) {
    auto standby = [](const std::string& names) {
      TestServer::Run("postgres", "ALTER SYSTEM SET synchronous_standby_names = '" + names + "'");
      TestServer::Run("postgres", "SELECT pg_reload_conf()");
    };
    standby("nobody");
    ledger::LedgerLimits limits;
    limits.answer = std::chrono::milliseconds(300);
    VoucherStore store(location_ + "?options=-csynchronous_commit%3Don", limits);
    Voucher v = Lines(3);
    retried(store, v, 3);
    standby("");
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, VoucherStoreTest,
                         ::testing::Values(Backend::kFile, Backend::kServer), [](const auto& info) {
                           return info.param == Backend::kFile ? "File" : "Server";
                         });

// A clerk in a process of its own: saves three vouchers into the ledger at the argument, says
// their numbers.
const bool kSavingClerkJob =
    spawned::RegisterChildJob("saving-clerk", [](const spawned::ChildArgs& args) {
      const std::string& location = args.at(0);
      constexpr int kEach = 3;
      std::string said;
      try {
        ledger::LedgerLimits limits;
        limits.answer = std::chrono::seconds(60);
        VoucherStore store(location, limits);
        for (int k = 0; k < kEach; ++k) {
          Voucher v = Lines(5, "2026-05-1" + std::to_string(k));
          store.Save(v);
          said += std::to_string(v.number) + "\n";
        }
      } catch (const std::exception& e) {
        said += std::string("error: ") + e.what() + "\n";
      }
      return said;
    });

// Twenty clerks' processes save three vouchers each into one month at the same moment: the
// numbers given are 1 to 60, each once.
TEST(VoucherStoreServerTest, TwentyClerksSaveAtOnceAndGetConsecutiveNumbers) {
  if (!TestServer::Available()) GTEST_SKIP() << "no test server: run under pg_cluster.sh";
  constexpr int kClerks = 20, kEach = 3;
  TempDir dir;
  ledger::BuildLedger(ledger::EmbeddedSchema(),
                      {ledger::ReadTextFile(GLNAMELIST_SAMPLE_LEDGER_SQL)},
                      dir.File("sample.ledger"));
  const std::string location = TestServer::Location(TestServer::NewDatabase());
  ledger::CopyLedger(dir.File("sample.ledger"), location, false, false);
  spawned::ChildRun run = spawned::RunChildren(kClerks, "saving-clerk", {location});
  EXPECT_EQ(run.Clean(), kClerks);
  std::vector<long> numbers;
  std::istringstream lines(run.output);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_THAT(line, ::testing::Not(::testing::StartsWith("error")));
    numbers.push_back(std::atol(line.c_str()));
  }
  std::sort(numbers.begin(), numbers.end());
  std::vector<long> expected(kClerks * kEach);
  std::iota(expected.begin(), expected.end(), 1);
  EXPECT_EQ(numbers, expected);
  int64_t lines_saved = 0;
  ledger::OpenLedger(location)->Lookup("SELECT count(*) FROM voucher_lines", {},
                                       [&](const ResultRow& row) { lines_saved = row.Int(0); });
  EXPECT_EQ(lines_saved, kClerks * kEach * 5);
}

}  // namespace
}  // namespace glnamelist::voucher
