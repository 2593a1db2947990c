// Learning of the writes other programs make to a ledger file, without reading it: the
// kernel's notices (inotify) of the file, its rollback journal and its write-ahead log.
#ifndef GLNAMELIST_LEDGER_SQLITE_FILE_WATCH_H_
#define GLNAMELIST_LEDGER_SQLITE_FILE_WATCH_H_

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace glnamelist::ledger {

class FileWatch {
 public:
  // Calls seen(true) from a thread of its own soon after the file at path (or its journal or
  // log) is written, and again a moment after the last of a run of writes (a commit to a
  // write-ahead log is seen by a reader only once its index is written, which the kernel does
  // not tell); seen(false) every `tick` while nothing happens. When the folder cannot be
  // watched, every call every tick / 4 is seen(true).
  FileWatch(const std::string& path, std::chrono::milliseconds tick,
            std::function<void(bool seen)> seen);
  // Stops the thread and waits for it.
  ~FileWatch();
  FileWatch(const FileWatch&) = delete;
  FileWatch& operator=(const FileWatch&) = delete;

 private:
  void Run(const std::stop_token& stop);
  // True when the notices read name one of the ledger's files.
  bool ReadNotices();

  std::string folder_, name_;
  std::chrono::milliseconds tick_;
  std::function<void(bool)> seen_;
  int notices_ = -1;  // the inotify descriptor, -1 when the folder cannot be watched
  int wake_ = -1;     // written to stop the thread
  std::jthread thread_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SQLITE_FILE_WATCH_H_
