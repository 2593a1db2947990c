// The connection a person's reads go through, let go when a wait is given up: which
// connection each read meets, which one is watched, and how a read on a let-go one ends.
#include "ledger/service/renewable_ledger.h"

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ledger/db/ledger_error.h"
#include "tests/ledger/refusal_of.h"

namespace glnamelist::ledger {
namespace {

// A connection that answers every look-up with nothing, after running the test's hook, and
// keeps what was asked of it.
class Connection final : public LedgerDb {
 public:
  explicit Connection(int number) : name_("connection " + std::to_string(number)) {}

  const std::string& name() const override { return name_; }
  using LedgerDb::Lookup;
  void Lookup(std::string_view, std::span<const SqlValue>, const OnRow&) override {
    ++reads;
    if (on_read) on_read();
  }
  void Load(std::string_view, std::initializer_list<SqlValue>, const OnRow&) override {}
  TableShape ShapeOf(std::string_view) override { return {}; }
  void Interrupt() override { ++interrupted; }
  std::string Identity() override { return name_; }
  std::optional<LedgerStamp> Stamp() override { return std::nullopt; }
  void Together(const std::function<void()>& reads) override { reads(); }
  void Watch(std::function<void(bool)>) override { ++watched; }

  std::function<void()> on_read;
  int reads = 0;
  int interrupted = 0;
  int watched = 0;

 private:
  const std::string name_;
};

struct Connections {
  std::vector<Connection*> made;
  std::function<void(Connection&)> on_made;
  std::unique_ptr<LedgerDb> Make() {
    auto connection = std::make_unique<Connection>(static_cast<int>(made.size()) + 1);
    made.push_back(connection.get());
    if (on_made) on_made(*connection);
    return connection;
  }
};

void Read(LedgerDb& db) {
  db.Lookup("SELECT 1", {}, [](const ResultRow&) {});
}

TEST(RenewableLedgerTest, TheNewConnectionIsTheOneWatchedEvenWhenALetGoReadEndsWell) {
  Connections connections;
  RenewableLedger ledger(connections.Make(), [&] { return connections.Make(); });
  int seen_changed = 0;
  ledger.Watch([&](bool seen) { seen_changed += seen; });
  Connection& first = *connections.made[0];
  EXPECT_EQ(first.watched, 1);

  // A read given up just as its answer came ends well on the connection let go, while the
  // next read, on the new connection, waits for its answer: the new one is the one watched.
  std::promise<void> renewed, second_reads;
  first.on_read = [&] {
    ledger.Renew();
    renewed.set_value();
    second_reads.get_future().wait();
  };
  std::thread given_up([&] { Read(ledger); });
  renewed.get_future().wait();
  bool made_second = false;
  connections.on_made = [&](Connection& second) {
    made_second = true;
    second.on_read = [&] {
      second_reads.set_value();
      given_up.join();
    };
  };
  Read(ledger);
  ASSERT_TRUE(made_second);
  EXPECT_EQ(first.interrupted, 1);
  EXPECT_EQ(first.watched, 1);
  Connection& second = *connections.made[1];
  second.on_read = nullptr;
  Read(ledger);
  EXPECT_EQ(second.reads, 2);
  EXPECT_EQ(second.watched, 1);
  EXPECT_EQ(seen_changed, 1) << "what changed while no connection watched, said at once";
  EXPECT_EQ(ledger.name(), "connection 2");
}

TEST(RenewableLedgerTest, ReadsOfATogetherStayOnItsConnectionAndALetGoOneIsAbandoned) {
  Connections connections;
  RenewableLedger ledger(connections.Make(), [&] { return connections.Make(); });
  ledger.Watch([](bool) {});
  Connection& first = *connections.made[0];

  // Renewed inside a Together: its later reads still go through its connection, and the
  // connection made after it is not watched from within it.
  ledger.Together([&] {
    Read(ledger);
    ledger.Renew();
    Read(ledger);
  });
  EXPECT_EQ(first.reads, 2);
  EXPECT_EQ(connections.made.size(), 1u);

  // A read stopped on a connection let go was given up: abandoned, not stopped.
  Read(ledger);
  Connection& second = *connections.made[1];
  second.on_read = [&] {
    ledger.Renew();
    throw ReadError(second.name(), "cannot read", Fault::kStopped, "interrupted");
  };
  EXPECT_EQ(RefusalOf([&] { Read(ledger); }).fault, Fault::kAbandoned);

  // Without a way to reopen, letting go stops the ledger for good.
  Connections alone;
  RenewableLedger once(alone.Make(), nullptr);
  alone.made[0]->on_read = [&] {
    throw ReadError("connection 1", "cannot read", Fault::kStopped, "interrupted");
  };
  once.Renew();
  EXPECT_EQ(RefusalOf([&] { Read(once); }).fault, Fault::kAbandoned);
  EXPECT_EQ(alone.made.size(), 1u);
}

}  // namespace
}  // namespace glnamelist::ledger
