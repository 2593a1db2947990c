// The host's requests, waited for by the host: a ledger holding a call until the test lets it
// go on stands for a server that does not answer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "contracts/list_kinds.h"
#include "ledger/ledger_service.h"
#include "ledger/service/waited_reads.h"
#include "tests/ledger/faulty_ledger.h"
#include "tests/ledger/refusal_of.h"

namespace glnamelist::ledger {
namespace {

// Gives a held request up, or lets it go on and waits for its answer; a request that holds
// nothing (slow all the same) is waited for.
class TestWaiter : public ReadWaiter {
 public:
  bool GivingUp() override { return giving_up; }
  bool Wait(const PendingRead& read,
            const std::function<bool(std::chrono::milliseconds)>& answered) override {
    waits.push_back(read);
    if (!holding) return answered(std::chrono::minutes(1));
    EXPECT_TRUE(plan->AwaitHeld()) << "a request is waited for only while it waits";
    if (give_up) return false;
    plan->Release();
    return answered(std::chrono::minutes(1));
  }

  std::shared_ptr<FaultPlan> plan;
  bool holding = true;
  bool give_up = false;
  bool giving_up = false;
  std::vector<PendingRead> waits;
};

TEST(WaitedRequestsTest, AreToldWhatTheyWaitForGivenUpInterruptedAndTriedAgainAfterward) {
  const std::string path = ::testing::TempDir() + "/waits-" + std::to_string(getpid());
  std::filesystem::copy_file(GLNAMELIST_SAMPLE_LEDGER, path,
                             std::filesystem::copy_options::overwrite_existing);
  auto waiter = std::make_shared<TestWaiter>();
  waiter->plan = std::make_shared<FaultPlan>();
  waiter->plan->mode = FaultPlan::Mode::kHold;
  int reopened = 0;
  auto service = std::make_unique<LedgerService>(OpenFaultyLedger(path, waiter->plan), [&] {
    ++reopened;
    waiter->plan = std::make_shared<FaultPlan>();
    return OpenFaultyLedger(path, waiter->plan);
  });
  service->WaitWith(waiter);
  service->BeginAction();
  auto hold_next = [&] {
    waiter->plan->mode = FaultPlan::Mode::kHold;
    waiter->plan->fail_at = waiter->plan->calls + 1;
  };

  // A listing held, then let go on: its set comes, read together on the request's thread.
  hold_next();
  EXPECT_EQ(service->CurrencySet()->Recordset()->RecordCount(), 6);
  ASSERT_EQ(waiter->waits.size(), 1u);
  EXPECT_EQ(waiter->waits[0].kind, nlCurrency);
  EXPECT_FALSE(waiter->waits[0].lookup || waiter->waits[0].server);

  // A look-up given up: interrupted, and so are the action's later requests, at once.
  hold_next();
  waiter->give_up = true;
  std::string code = "1001";
  EXPECT_EQ(RefusalOf([&] { service->GetAccount(code); }).fault, Fault::kAbandoned);
  ASSERT_EQ(waiter->waits.size(), 2u);
  EXPECT_TRUE(waiter->waits[1].kind == nlAccount && waiter->waits[1].lookup);
  EXPECT_EQ(RefusalOf([&] { service->GetAccount(code); }).fault, Fault::kAbandoned);
  EXPECT_EQ(waiter->waits.size(), 2u) << "failed at once";
  EXPECT_EQ(reopened, 0);

  // The next action asks the ledger again, through a new connection.
  service->BeginAction();
  waiter->holding = false;
  AccountEntryPtr account = service->GetAccount(code);
  ASSERT_TRUE(account);
  EXPECT_EQ(account->Number(), "1001");
  EXPECT_EQ(reopened, 1);

  // A host giving every request up (closing) has them fail before they are made (the
  // service's own background reads may still reach the ledger).
  waiter->giving_up = true;
  const size_t made = waiter->plan->Log().size();
  EXPECT_EQ(RefusalOf([&] { service->ItemClassSet(); }).fault, Fault::kAbandoned);
  const std::vector<std::string> calls = waiter->plan->Log();
  for (size_t i = made; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].find("item_classes"), std::string::npos) << calls[i];
  }
  service.reset();
  std::filesystem::remove(path);
}

// The person gives a request up as it goes from one read to the next: the reads it would
// make afterwards fail at once, rather than keep the host waiting for a ledger it left.
TEST(WaitedRequestsTest, AGivenUpRequestMakesNoFurtherRead) {
  class GivesUp : public ReadWaiter {
    bool GivingUp() override { return false; }
    bool Wait(const PendingRead&, const std::function<bool(std::chrono::milliseconds)>&) override {
      return false;
    }
  };
  std::promise<void> given_up;
  WaitedReads reads([&] { given_up.set_value(); });
  reads.Use(std::make_shared<GivesUp>());
  int later_reads = 0;
  Fault later = Fault::kOther;
  EXPECT_EQ(RefusalOf([&] {
              reads.Run("ledger", [&] {
                given_up.get_future().wait();
                later =
                    RefusalOf([&] { WaitedReads::Nested("ledger", [&] { ++later_reads; }); }).fault;
              });
            }).fault,
            Fault::kAbandoned);
  EXPECT_EQ(later, Fault::kAbandoned);
  EXPECT_EQ(later_reads, 0);
}

}  // namespace
}  // namespace glnamelist::ledger
