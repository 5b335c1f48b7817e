#pragma once

#include <chrono>

namespace tavvik {

/// Time as the animation sees it: a monotonic reading and a plain sleep on the calling thread.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::chrono::steady_clock::time_point now() = 0;
  virtual void sleep(std::chrono::milliseconds duration) = 0;
};

/// The real monotonic clock.
class SteadyClock final : public Clock {
 public:
  std::chrono::steady_clock::time_point now() override;
  void sleep(std::chrono::milliseconds duration) override;
};

}  // namespace tavvik
