#include "ledger/background_worker.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <chrono>
#include <future>
#include <memory>
#include <utility>

namespace glnamelist::ledger {
namespace {
thread_local bool on_worker_thread = false;

// Hands the memory the tasks freed back to the system. The allocator keeps freed blocks of a
// thread's arena for reuse, so that what building a set's look-up structures used for a
// moment would otherwise stay with the program as long as it runs. It walks every arena,
// holding each one's lock meanwhile: done only after work long enough to have freed much.
constexpr std::chrono::milliseconds kLongTask{50};

void ReleaseFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}
}  // namespace

bool BackgroundWorker::OnWorkerThread() { return on_worker_thread; }

void BackgroundWorker::Post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    if (stopped_) return;
    tasks_.push_back(std::move(task));
  }
  if (!thread_.joinable()) {
    thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
  }
  wake_.notify_one();
}

void BackgroundWorker::Drain() {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> drained = done->get_future();
  // Dropped unrun by a stop, the task's promise is broken: the wait ends all the same. What
  // the tasks before it freed is handed back before the wait ends.
  Post([this, done = std::move(done)] {
    HandBackAfterLongWork();
    done->set_value();
  });
  drained.wait();
}

bool BackgroundWorker::Stop(std::optional<std::chrono::milliseconds> wait) {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    dropped.swap(tasks_);
  }
  dropped.clear();  // what the dropped tasks hold goes now, before the wait
  if (!thread_.joinable()) return true;
  thread_.request_stop();
  if (wait) {
    std::unique_lock lock(mutex_);
    if (!ended_cv_.wait_for(lock, *wait, [this] { return ended_; })) return false;
  }
  thread_.join();
  return true;
}

void BackgroundWorker::HandBackAfterLongWork() {
  if (std::exchange(long_work_, false)) ReleaseFreedMemory();
}

void BackgroundWorker::Run(std::stop_token stop) {
  on_worker_thread = true;
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock lock(mutex_);
      if (!wake_.wait(lock, stop, [this] { return !tasks_.empty(); }) || stop.stop_requested()) {
        break;
      }
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    const auto start = std::chrono::steady_clock::now();
    try {
      task();
    } catch (...) {
      // Built on first use instead.
    }
    task = nullptr;  // what it held goes first
    long_work_ |= std::chrono::steady_clock::now() - start >= kLongTask;
    bool idle;
    {
      std::lock_guard lock(mutex_);
      idle = tasks_.empty();
    }
    if (idle) HandBackAfterLongWork();
  }
  std::lock_guard lock(mutex_);
  ended_ = true;
  ended_cv_.notify_all();
}

}  // namespace glnamelist::ledger
