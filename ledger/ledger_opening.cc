#include "ledger/ledger_opening.h"

#include <condition_variable>
#include <exception>
#include <thread>
#include <utility>

#include "ledger/ledger_at.h"

namespace glnamelist::ledger {

// One opening, shared by the thread that makes it and the ledger that waits for it.
struct OpeningLedger::Attempt {
  std::mutex mutex;
  std::condition_variable ended_cv;
  bool ended = false;
  // Nobody waits for it any more: what it opens is closed on its thread.
  bool stopped = false;
  std::unique_ptr<LedgerDb> db;
  std::optional<LedgerError> error;
  std::thread thread;
};

void OpeningLedger::Release(Attempt& attempt) {
  std::unique_lock lock(attempt.mutex);
  if (!attempt.thread.joinable()) return;
  if (!attempt.ended) return attempt.thread.detach();
  std::thread ended = std::move(attempt.thread);
  lock.unlock();
  ended.join();
}

OpeningLedger::OpeningLedger(std::string location, const LedgerLimits& limits)
    : location_(std::move(location)), shown_(Location(location_).Shown()), limits_(limits) {
  attempt_ = Start();
}

OpeningLedger::~OpeningLedger() {
  Interrupt();
  Release(*attempt_);
}

std::shared_ptr<OpeningLedger::Attempt> OpeningLedger::Start() {
  auto attempt = std::make_shared<Attempt>();
  std::lock_guard started(attempt->mutex);  // the thread handle kept before it can end
  attempt->thread = std::thread([attempt, location = location_, limits = limits_, shown = shown_] {
    std::unique_ptr<LedgerDb> db;
    std::optional<LedgerError> error;
    try {
      db = OpenLedger(location, limits);
    } catch (const LedgerError& e) {
      error = e;
    } catch (const std::exception& e) {
      error = LedgerError(Fault::kOther, shown, "Cannot open ledger " + shown + ": " + e.what(),
                          e.what());
    }
    std::lock_guard lock(attempt->mutex);
    if (!attempt->stopped) attempt->db = std::move(db);
    attempt->error = std::move(error);
    attempt->ended = true;
    attempt->ended_cv.notify_all();
  });
  return attempt;
}

const std::string& OpeningLedger::name() const {
  if (LedgerDb* db = opened_.load(std::memory_order_acquire)) return db->name();
  return shown_;
}

LedgerDb& OpeningLedger::Opened() {
  if (LedgerDb* db = opened_.load(std::memory_order_acquire)) return *db;
  std::shared_ptr<Attempt> attempt;
  {
    std::lock_guard lock(mutex_);
    if (db_) return *db_;
    if (!stopped_) {
      std::unique_lock ended(attempt_->mutex);
      if (attempt_->ended && attempt_->error) {  // failed: opened again
        failure_ = attempt_->error;
        ended.unlock();
        Release(*attempt_);
        attempt_.reset();
      }
    }
    if (!attempt_) attempt_ = Start();
    attempt = attempt_;
  }
  std::unique_lock wait(attempt->mutex);
  attempt->ended_cv.wait(wait, [&] { return attempt->ended || attempt->stopped; });
  if (attempt->stopped) {
    throw ReadError(shown_, "cannot open", Fault::kStopped, "stopped: the program is closing");
  }
  if (attempt->error) throw *attempt->error;
  wait.unlock();
  std::lock_guard lock(mutex_);
  std::lock_guard taken(attempt->mutex);
  if (!db_) {
    db_ = std::move(attempt->db);
    opened_.store(db_.get(), std::memory_order_release);
  }
  return *db_;
}

bool OpeningLedger::Settled(std::chrono::milliseconds wait) {
  std::shared_ptr<Attempt> attempt;
  {
    std::lock_guard lock(mutex_);
    if (db_) return true;
    attempt = attempt_;
  }
  std::unique_lock ended(attempt->mutex);
  return attempt->ended_cv.wait_for(ended, wait, [&] { return attempt->ended; });
}

std::optional<LedgerError> OpeningLedger::Failure() const {
  std::lock_guard lock(mutex_);
  if (db_) return std::nullopt;
  std::lock_guard ended(attempt_->mutex);
  return attempt_->ended ? attempt_->error : failure_;
}

void OpeningLedger::Interrupt() {
  std::lock_guard lock(mutex_);
  stopped_ = true;
  if (db_) db_->Interrupt();
  std::lock_guard ended(attempt_->mutex);
  attempt_->stopped = true;
  attempt_->ended_cv.notify_all();
}

}  // namespace glnamelist::ledger
