#include "ledger/sqlite/file_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string_view>

#include "contracts/error.h"

namespace glnamelist::ledger {
namespace {

[[noreturn]] void CannotWrite(const std::string& target, const std::string& cause) {
  throw Error(errc::kDataService, "Cannot write " + target + ": " + cause);
}

// Paths the signal handler removes: buffers of their own, filled before they are armed, so
// that the handler reads nothing that is being changed.
struct Slot {
  std::array<char, 4096> path{};
  std::atomic<bool> armed = false;
};
std::array<Slot, 16> slots;
std::mutex slots_mutex;

// The slot that now holds path, -1 for none.
int Arm(const std::string& path) {
  std::lock_guard lock(slots_mutex);
  if (path.size() >= Slot{}.path.size()) return -1;
  for (size_t i = 0; i < slots.size(); ++i) {
    if (slots[i].armed) continue;
    std::memcpy(slots[i].path.data(), path.c_str(), path.size() + 1);
    slots[i].armed = true;
    return static_cast<int>(i);
  }
  return -1;  // more writes at once than slots: that one is left to the next run
}

void Disarm(int& slot) {
  std::lock_guard lock(slots_mutex);
  if (slot >= 0) slots[static_cast<size_t>(slot)].armed = false;
  slot = -1;
}

extern "C" void RemoveAndEnd(int signal) {
  for (Slot& slot : slots) {
    if (slot.armed) unlink(slot.path.data());
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// The folder of path and its file name.
std::pair<std::string, std::string> Split(const std::string& path) {
  std::filesystem::path p(path);
  std::string folder = p.parent_path().string();
  return {folder.empty() ? "." : folder, p.filename().string()};
}

// The permissions a new file gets from this process.
mode_t NewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Removes what killed runs left beside target: "<name>.XXXXXX.part" and the older
// "<name>.part". Only called with the target's lock held, so no live run owns them.
void RemoveLeftovers(const std::string& target) {
  auto [folder, name] = Split(target);
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (dirent* entry = readdir(dir)) {
    std::string_view file = entry->d_name;
    bool ours = file == name + ".part" || (file.size() == name.size() + 12 &&
                                           file.starts_with(name + ".") && file.ends_with(".part"));
    if (ours) unlink((folder + "/" + std::string(file)).c_str());
  }
  closedir(dir);
}

// Writes the file or folder at path through to the disk.
void Sync(const std::string& path, int flags, const std::string& target) {
  int fd = open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) CannotWrite(target, std::strerror(errno));
  int synced = fsync(fd);
  int error = errno;
  close(fd);
  if (synced != 0 && error != EINVAL) CannotWrite(target, std::strerror(error));
}

}  // namespace

FileWrite::FileWrite(const std::string& target) : target_(target), lock_path_(target + ".lock") {
  for (;;) {
    lock_fd_ = open(lock_path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock_fd_ < 0) CannotWrite(target_, std::strerror(errno));
    if (flock(lock_fd_, LOCK_EX | LOCK_NB) != 0) {
      char pid[32] = {};
      ssize_t n = pread(lock_fd_, pid, sizeof pid - 1, 0);
      close(lock_fd_);
      lock_fd_ = -1;
      std::string who = n > 0 ? " (process " + std::string(pid, static_cast<size_t>(n)) + ")" : "";
      CannotWrite(target_, "another program" + who + " is writing it; try again when it is done");
    }
    // Locked: unless its last holder removed the file meanwhile, then its successor's.
    struct stat locked {
    }, named{};
    if (fstat(lock_fd_, &locked) == 0 && stat(lock_path_.c_str(), &named) == 0 &&
        locked.st_dev == named.st_dev && locked.st_ino == named.st_ino) {
      break;
    }
    close(lock_fd_);
  }
  lock_slot_ = Arm(lock_path_);
  std::string pid = std::to_string(getpid());
  if (ftruncate(lock_fd_, 0) != 0 || pwrite(lock_fd_, pid.data(), pid.size(), 0) < 0) {
    // Only the message of a second writer loses the process id.
  }
  try {
    RemoveLeftovers(target_);
    std::string name = target_ + ".XXXXXX.part";
    int fd = mkstemps(name.data(), 5);
    if (fd < 0) CannotWrite(target_, std::strerror(errno));
    struct stat old {};
    fchmod(fd, stat(target_.c_str(), &old) == 0 ? old.st_mode & 07777 : NewFileMode());
    close(fd);
    temp_path_ = name;
    temp_slot_ = Arm(temp_path_);
  } catch (...) {
    Release();
    throw;
  }
}

FileWrite::~FileWrite() { Release(); }

void FileWrite::Commit() {
  try {
    Sync(temp_path_, O_RDONLY, target_);
    if (std::rename(temp_path_.c_str(), target_.c_str()) != 0) {
      CannotWrite(target_, std::strerror(errno));
    }
    committed_ = true;
    Sync(Split(target_).first, O_RDONLY | O_DIRECTORY, target_);
  } catch (...) {
    Release();
    throw;
  }
  Release();
}

void FileWrite::Release() noexcept {
  if (!temp_path_.empty() && !committed_) unlink(temp_path_.c_str());
  Disarm(temp_slot_);
  temp_path_.clear();
  if (lock_fd_ >= 0) {
    unlink(lock_path_.c_str());  // while still held: the next writer makes a new one
    close(lock_fd_);
    lock_fd_ = -1;
  }
  Disarm(lock_slot_);
}

void RemoveTemporaryFilesOnSignals() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction action {};
    sigaction(signal, nullptr, &action);
    if (action.sa_handler == SIG_IGN) continue;  // ignored by the parent: stays ignored
    action.sa_handler = RemoveAndEnd;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(signal, &action, nullptr);
  }
}

}  // namespace glnamelist::ledger
