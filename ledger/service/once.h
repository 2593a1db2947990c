// Work that must be done once before what depends on it, and is tried again when it failed:
// a cheap test on every call once done, a lock only while it is being done.
#ifndef GLNAMELIST_LEDGER_SERVICE_ONCE_H_
#define GLNAMELIST_LEDGER_SERVICE_ONCE_H_

#include <atomic>
#include <mutex>

namespace glnamelist::ledger {

class Once {
 public:
  bool done() const { return done_; }
  // For a holder that needs none of the work.
  void MarkDone() { done_ = true; }

  // Does work unless it is done: one caller at a time, and it is done only when work returned
  // (what it raised goes to the caller, and the next call tries again).
  template <class Work>
  void Do(Work work) {
    if (done_) return;
    std::lock_guard lock(mutex_);
    if (done_) return;
    work();
    done_ = true;
  }

  // Whether the caller is the one to post the work elsewhere: true for one caller until the
  // posted work calls Unpost (as it starts, so that a failure lets the next caller post again).
  bool Post() { return !posted_.exchange(true); }
  void Unpost() { posted_ = false; }

 private:
  std::mutex mutex_;
  std::atomic<bool> done_ = false;
  std::atomic<bool> posted_ = false;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SERVICE_ONCE_H_
