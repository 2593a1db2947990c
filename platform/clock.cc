#include "platform/clock.h"

#include <ctime>

namespace glnamelist::platform {

float SecondsSinceLocalMidnight(std::chrono::system_clock::time_point t) {
  using std::chrono::duration;
  using std::chrono::system_clock;
  std::time_t seconds = system_clock::to_time_t(t);
  // to_time_t may round; take the whole second at or before t.
  if (system_clock::from_time_t(seconds) > t) --seconds;
  std::tm local{};
  localtime_r(&seconds, &local);
  double fraction = duration<double>(t - system_clock::from_time_t(seconds)).count();
  double sinceMidnight = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
  return static_cast<float>(sinceMidnight);
}

float Clock::Timer() const {
  if (source_) return source_();
  return SecondsSinceLocalMidnight(std::chrono::system_clock::now());
}

}  // namespace glnamelist::platform
