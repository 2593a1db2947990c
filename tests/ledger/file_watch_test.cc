// Learning of another program's writes to a ledger file, where the kernel can tell and where
// it cannot.
#include "ledger/sqlite/file_watch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace glnamelist::ledger {
namespace {

// A ledger whose folder cannot be watched is taken as changed every moment, so that a
// colleague's change is never missed, only looked for more often.
TEST(FileWatchTest, AFolderThatCannotBeWatchedIsSeenChangedEveryMoment) {
  std::mutex mutex;
  std::condition_variable cv;
  int seen_changed = 0, seen_unchanged = 0;
  {
    FileWatch watch("/no/such/folder/a.ledger", std::chrono::milliseconds(40), [&](bool seen) {
      std::lock_guard lock(mutex);
      ++(seen ? seen_changed : seen_unchanged);
      cv.notify_all();
    });
    std::unique_lock lock(mutex);
    EXPECT_TRUE(cv.wait_for(lock, std::chrono::minutes(1), [&] { return seen_changed >= 3; }));
  }
  EXPECT_EQ(seen_unchanged, 0);
}

}  // namespace
}  // namespace glnamelist::ledger
