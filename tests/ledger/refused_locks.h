// Watches the ledger files' locks in this process: every lock SQLite asks for and is refused
// (another connection holds the file), by the thread that asked. A test waits on it to know
// that a read has met a lock, instead of sleeping and hoping it has.
#ifndef GLNAMELIST_TESTS_LEDGER_REFUSED_LOCKS_H_
#define GLNAMELIST_TESTS_LEDGER_REFUSED_LOCKS_H_

#include <sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace glnamelist::ledger {

class RefusedLocks {
 public:
  // Puts the watch between SQLite and its default file system, once for the process; files
  // opened from then on are watched.
  static RefusedLocks& Watch() {
    static RefusedLocks* watch = new RefusedLocks;
    return *watch;
  }

  // How many locks thread has been refused so far.
  int Of(std::thread::id thread) {
    std::lock_guard lock(mutex_);
    return refused_[thread];
  }

  // Waits until thread has been refused more than `after` locks (a minute at most).
  void WaitFor(std::thread::id thread, int after) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::minutes(1),
                           [&] { return refused_[thread] > after; })) {
      throw std::runtime_error("no lock refused within a minute");
    }
  }

 private:
  RefusedLocks() {
    real_ = sqlite3_vfs_find(nullptr);
    vfs_ = *real_;
    vfs_.zName = "refused-locks";
    vfs_.xOpen = &Open;
    sqlite3_vfs_register(&vfs_, 1);
  }

  static int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags,
                  int* out_flags) {
    RefusedLocks& watch = Watch();
    const int rc = watch.real_->xOpen(watch.real_, name, file, flags, out_flags);
    if (rc == SQLITE_OK && file->pMethods) {
      std::lock_guard lock(watch.mutex_);
      auto [it, added] = watch.methods_.try_emplace(file->pMethods, *file->pMethods);
      if (added) {
        watch.real_methods_[&it->second] = file->pMethods;
        it->second.xLock = &Lock;
      }
      file->pMethods = &it->second;
    }
    return rc;
  }

  static int Lock(sqlite3_file* file, int level) {
    RefusedLocks& watch = Watch();
    const sqlite3_io_methods* real;
    {
      std::lock_guard lock(watch.mutex_);
      real = watch.real_methods_.at(file->pMethods);
    }
    const int rc = real->xLock(file, level);
    if (rc == SQLITE_BUSY) {
      std::lock_guard lock(watch.mutex_);
      ++watch.refused_[std::this_thread::get_id()];
      watch.changed_.notify_all();
    }
    return rc;
  }

  sqlite3_vfs* real_;
  sqlite3_vfs vfs_;
  std::mutex mutex_;
  std::condition_variable changed_;
  // The watching methods of each kind of file, and the real ones behind them.
  std::map<const sqlite3_io_methods*, sqlite3_io_methods> methods_;
  std::map<const sqlite3_io_methods*, const sqlite3_io_methods*> real_methods_;
  std::map<std::thread::id, int> refused_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_TESTS_LEDGER_REFUSED_LOCKS_H_
