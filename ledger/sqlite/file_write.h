// Writing a file so that it is never lost: the new contents go to a temporary file of their
// own beside the target, which is written through to the disk and renamed over the target
// only when whole (then the folder is written through too). One program writes a target at
// a time: a lock file beside it is held while it is written.
#ifndef GLNAMELIST_LEDGER_SQLITE_FILE_WRITE_H_
#define GLNAMELIST_LEDGER_SQLITE_FILE_WRITE_H_

#include <string>

namespace glnamelist::ledger {

class FileWrite {
 public:
  // Takes the target's lock (Error "Cannot write <target>: another program (process N) is
  // writing it" while another holds it), removes what runs that were killed left beside it,
  // and names a new temporary file "<target>.XXXXXX.part" (made empty).
  explicit FileWrite(const std::string& target);
  // Not committed: removes the temporary file. Releases the lock.
  ~FileWrite();
  FileWrite(const FileWrite&) = delete;
  FileWrite& operator=(const FileWrite&) = delete;

  const std::string& target() const { return target_; }
  const std::string& temp_path() const { return temp_path_; }

  // Writes the temporary file through to the disk, renames it over the target and writes
  // the folder through. Error "Cannot write <target>: <cause>" (the temporary file removed).
  void Commit();

 private:
  void Release() noexcept;

  std::string target_;
  std::string lock_path_;
  std::string temp_path_;
  int lock_fd_ = -1;
  bool committed_ = false;
  // Where RemoveTemporaryFilesOnSignals finds the two paths; -1: not there.
  int lock_slot_ = -1;
  int temp_slot_ = -1;
};

// Has the temporary files of the FileWrites of this process removed when it is ended by
// SIGINT, SIGTERM or SIGHUP (then the signal ends it as it would have). For programs.
void RemoveTemporaryFilesOnSignals();

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SQLITE_FILE_WRITE_H_
