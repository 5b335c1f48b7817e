#pragma once

// The animation's clock: what the timeline reads and sleeps on.

#include <chrono>

namespace tavvik {

/// Time as the animation sees it: a monotonic reading and a plain sleep on the calling thread.
/// A sleep may end early when a signal is caught, so that the caller can look at it; the
/// caller sleeps again for what is left.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::chrono::steady_clock::time_point now() = 0;
  virtual void sleep(std::chrono::milliseconds duration) = 0;
};

/// The real monotonic clock; a caught signal ends its sleep.
class SteadyClock final : public Clock {
 public:
  std::chrono::steady_clock::time_point now() override;
  void sleep(std::chrono::milliseconds duration) override;
};

}  // namespace tavvik
