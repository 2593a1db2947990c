#include "apps/glledger/progress.h"

#include <unistd.h>

#include <algorithm>
#include <utility>

namespace glnamelist::ledger {
namespace {
constexpr int kBarWidth = 40;
}  // namespace

Progress::Progress(std::string label, long total, std::FILE* out)
    : label_(std::move(label)),
      total_(std::max(total, 1L)),
      out_(out),
      terminal_(isatty(fileno(out)) != 0) {}

Progress::~Progress() { Finish(); }

void Progress::Advance(long steps) {
  done_ += steps;
  long permille = done_ >= total_ ? 1000 : done_ * 1000 / total_;
  // A terminal is redrawn each 0.1 %, a log gets a line each 10 %.
  long step = terminal_ ? 1 : 100;
  if (permille / step != shown_ / step) Show(permille);
}

void Progress::Finish() {
  if (finished_) return;
  finished_ = true;
  if (shown_ != 1000) Show(1000);
  if (terminal_) std::fputc('\n', out_);
  std::fflush(out_);
}

void Progress::Show(long permille) {
  shown_ = permille;
  long shown_done = permille == 1000 ? std::max(done_, total_) : done_;
  if (terminal_) {
    int filled = static_cast<int>(permille * kBarWidth / 1000);
    std::fprintf(out_, "\r%s [%s%s] %5.1f%% %ld/%ld", label_.c_str(),
                 std::string(filled, '#').c_str(), std::string(kBarWidth - filled, ' ').c_str(),
                 permille / 10.0, shown_done, total_);
  } else {
    std::fprintf(out_, "%s: %ld%% (%ld of %ld)\n", label_.c_str(), permille / 10, shown_done,
                 total_);
  }
  std::fflush(out_);
}

}  // namespace glnamelist::ledger
