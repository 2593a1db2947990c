#include "ledger/background_worker.h"

#include <future>
#include <utility>

namespace glnamelist::ledger {

void BackgroundWorker::Post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  if (!thread_.joinable()) {
    thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
  }
  wake_.notify_one();
}

void BackgroundWorker::Drain() {
  std::promise<void> done;
  Post([&done] { done.set_value(); });
  done.get_future().wait();
}

void BackgroundWorker::Run(std::stop_token stop) {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock lock(mutex_);
      if (!wake_.wait(lock, stop, [this] { return !tasks_.empty(); })) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    try {
      task();
    } catch (...) {
      // Built on first use instead.
    }
  }
}

}  // namespace glnamelist::ledger
