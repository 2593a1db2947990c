#include "ledger/service/waited_reads.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "ledger/db/ledger_error.h"

namespace glnamelist::ledger {
namespace {

// One request, shared by the host's thread and the request's own.
struct Request {
  std::mutex mutex;
  std::condition_variable ended_cv;
  bool ended = false;
  std::exception_ptr error;
  std::atomic<bool> given_up = false;

  // Waits for the end at most slice: whether it has ended.
  bool Answered(std::chrono::milliseconds slice) {
    std::unique_lock lock(mutex);
    return ended_cv.wait_for(lock, slice, [this] { return ended; });
  }
};

thread_local Request* request_here = nullptr;

[[noreturn]] void Abandon(const std::string& ledger) {
  throw ReadError(ledger, "cannot read", Fault::kAbandoned,
                  "abandoned: the wait for the answer was given up");
}

}  // namespace

bool WaitedReads::OnRequestThread() { return request_here != nullptr; }

void WaitedReads::Nested(const std::string& ledger, const std::function<void()>& read) {
  if (request_here && request_here->given_up) Abandon(ledger);
  read();
}

void WaitedReads::Run(const std::string& ledger, const std::function<void()>& read) {
  if (request_here) return Nested(ledger, read);
  const std::shared_ptr<ReadWaiter> waiter = waiter_;
  if (!waiter) return read();
  if (waiter->GivingUp()) Abandon(ledger);
  Request request;
  std::thread thread([&request, &read] {
    request_here = &request;
    try {
      read();
    } catch (...) {
      request.error = std::current_exception();
    }
    request_here = nullptr;
    std::lock_guard lock(request.mutex);
    request.ended = true;
    request.ended_cv.notify_all();
  });
  bool answered = request.Answered(ReadWaiter::kQuietWait);
  try {
    if (!answered) {
      answered = waiter->Wait(
          pending_, [&](std::chrono::milliseconds slice) { return request.Answered(slice); });
    }
  } catch (...) {
    answered = false;  // the waiter failed: the request is given up
  }
  answered = answered || request.Answered(std::chrono::milliseconds(0));
  if (!answered) {
    request.given_up = true;
    give_up_();  // the request then ends at once
  }
  thread.join();
  if (!answered) Abandon(ledger);
  if (request.error) std::rethrow_exception(request.error);
}

}  // namespace glnamelist::ledger
