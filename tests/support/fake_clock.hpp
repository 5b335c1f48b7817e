#pragma once

// A clock for the animation that moves only when the animation sleeps, or when a test moves it.

#include <chrono>
#include <functional>
#include <vector>

#include "tavvik/clock.hpp"

namespace support {

/// Every sleep returns at once, moving time on by what was asked times `speedup`, and is kept in
/// `sleeps`; `after_sleep`, when set, runs after each one, with time already moved.
class FakeClock final : public tavvik::Clock {
 public:
  explicit FakeClock(int speedup = 1) : speedup_(speedup) {}

  std::chrono::steady_clock::time_point now() override { return now_; }
  void sleep(std::chrono::milliseconds duration) override {
    sleeps.push_back(duration);
    now_ += duration * speedup_;
    if (after_sleep) after_sleep(duration);
  }
  void advance(std::chrono::steady_clock::duration by) { now_ += by; }
  /// The time passed since the clock was made.
  std::chrono::steady_clock::duration elapsed() const { return now_.time_since_epoch(); }

  std::vector<std::chrono::milliseconds> sleeps;
  std::function<void(std::chrono::milliseconds slept)> after_sleep;

 private:
  int speedup_;
  std::chrono::steady_clock::time_point now_{};
};

}  // namespace support
