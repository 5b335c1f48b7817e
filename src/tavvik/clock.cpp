#include "tavvik/clock.hpp"

#include <thread>

namespace tavvik {

std::chrono::steady_clock::time_point SteadyClock::now() {
  return std::chrono::steady_clock::now();
}

void SteadyClock::sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

}  // namespace tavvik
