#include "tavvik/clock.hpp"

#include <time.h>

namespace tavvik {

std::chrono::steady_clock::time_point SteadyClock::now() {
  return std::chrono::steady_clock::now();
}

void SteadyClock::sleep(std::chrono::milliseconds duration) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
  const timespec request{static_cast<time_t>(seconds.count()),
                         static_cast<long>((duration - seconds).count() * 1'000'000)};
  // Not resumed after an interruption (EINTR), unlike std::this_thread::sleep_for.
  (void)::clock_nanosleep(CLOCK_MONOTONIC, 0, &request, nullptr);
}

}  // namespace tavvik
