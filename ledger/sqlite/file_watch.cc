#include "ledger/sqlite/file_watch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

namespace glnamelist::ledger {
namespace {

// How long after the last notice of a run of writes the file is looked at once more.
constexpr std::chrono::milliseconds kSettle(100);

using Clock = std::chrono::steady_clock;

}  // namespace

FileWatch::FileWatch(const std::string& path, std::chrono::milliseconds tick,
                     std::function<void(bool seen)> seen)
    : tick_(tick), seen_(std::move(seen)) {
  const std::filesystem::path file(path);
  folder_ = file.has_parent_path() ? file.parent_path().string() : ".";
  name_ = file.filename().string();
  wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  notices_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (notices_ >= 0 &&
      inotify_add_watch(notices_, folder_.c_str(),
                        IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_TO) < 0) {
    close(notices_);
    notices_ = -1;
  }
  thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

FileWatch::~FileWatch() {
  thread_.request_stop();
  if (wake_ >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(wake_, &one, sizeof one);
  }
  if (thread_.joinable()) thread_.join();
  if (notices_ >= 0) close(notices_);
  if (wake_ >= 0) close(wake_);
}

bool FileWatch::ReadNotices() {
  alignas(inotify_event) char buffer[16 * 1024];
  bool ours = false;
  for (;;) {
    const ssize_t got = read(notices_, buffer, sizeof buffer);
    if (got <= 0) return ours;
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      const std::string_view name = event->len ? std::string_view(event->name) : "";
      ours = ours || name == name_ || name == name_ + "-journal" || name == name_ + "-wal";
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
}

void FileWatch::Run(const std::stop_token& stop) {
  std::optional<Clock::time_point> settle;
  while (!stop.stop_requested()) {
    if (notices_ < 0) {
      pollfd wake{wake_, POLLIN, 0};
      if (poll(&wake, 1, static_cast<int>(tick_.count() / 4)) == 0) seen_(true);
      continue;
    }
    auto wait = tick_;
    if (settle) {
      wait =
          std::max(std::chrono::milliseconds(0),
                   std::chrono::duration_cast<std::chrono::milliseconds>(*settle - Clock::now()));
    }
    pollfd ready[2] = {{notices_, POLLIN, 0}, {wake_, POLLIN, 0}};
    const int n = poll(ready, 2, static_cast<int>(wait.count()));
    if (stop.stop_requested() || (n > 0 && ready[1].revents)) return;
    if (n > 0 && ready[0].revents) {
      if (ReadNotices()) {
        settle = Clock::now() + kSettle;
        seen_(true);
      }
    } else if (n == 0) {
      seen_(settle.has_value());
      settle.reset();
    }
  }
}

}  // namespace glnamelist::ledger
