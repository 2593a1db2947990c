// The clock: seconds since local midnight, as a single-precision value.
#ifndef GLNAMELIST_PLATFORM_CLOCK_H_
#define GLNAMELIST_PLATFORM_CLOCK_H_

#include <chrono>
#include <functional>

namespace glnamelist::platform {

// Seconds between the local midnight before t and t (0 <= result < 86400 on ordinary days).
float SecondsSinceLocalMidnight(std::chrono::system_clock::time_point t);

class Clock {
 public:
  using Source = std::function<float()>;

  // Seconds since midnight: the source's reading, or the system clock's when none is set.
  float Timer() const;
  // Replaces the reading (tests, replays); an empty source restores the system clock.
  void SetSource(Source source) { source_ = std::move(source); }

 private:
  Source source_;
};

}  // namespace glnamelist::platform

#endif  // GLNAMELIST_PLATFORM_CLOCK_H_
