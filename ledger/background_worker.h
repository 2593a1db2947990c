// One thread that runs tasks in the order they are posted: the data service builds the
// look-up structures of the tables it has loaded there, while the user starts to work.
//
// A task that throws is dropped (what it would have built is built on first use instead).
// Stopping the worker (or destroying it) drops the tasks still waiting and waits for the one
// running, which its owner makes end promptly (LedgerDb::Interrupt).
#ifndef GLNAMELIST_LEDGER_BACKGROUND_WORKER_H_
#define GLNAMELIST_LEDGER_BACKGROUND_WORKER_H_

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

namespace glnamelist::ledger {

class BackgroundWorker {
 public:
  BackgroundWorker() = default;
  BackgroundWorker(const BackgroundWorker&) = delete;
  BackgroundWorker& operator=(const BackgroundWorker&) = delete;

  // Runs task after those posted before; once stopped, drops it.
  void Post(std::function<void()> task);
  // Waits until every task posted before has run (or was dropped by a stop), and the memory
  // they freed is handed back to the system.
  void Drain();
  // Drops the waiting tasks and waits for the running one to end, at most `wait` (for ever
  // when not given): true once the thread has ended. Stopped, the worker runs no more tasks.
  bool Stop(std::optional<std::chrono::milliseconds> wait = std::nullopt);
  // True on the thread of a BackgroundWorker (any), while it runs a task.
  static bool OnWorkerThread();
  ~BackgroundWorker() { Stop(); }

 private:
  void Run(std::stop_token stop);
  // Hands the memory freed back to the system when a long task ran since it last was.
  void HandBackAfterLongWork();

  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::deque<std::function<void()>> tasks_;
  bool stopped_ = false;
  bool ended_ = false;  // the thread has left its loop
  std::condition_variable ended_cv_;
  bool long_work_ = false;  // worker's thread: a long task ran since the memory was handed back
  // Started by the first Post; declared last, so that it is stopped and joined first.
  std::jthread thread_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_BACKGROUND_WORKER_H_
