#include "recorded_animation.hpp"

#include <algorithm>
#include <memory>
#include <utility>

#include "tavvik/clock.hpp"
#include "tavvik/driver.hpp"
#include "tui/backend.hpp"

namespace tools {

namespace {

/// A clock that stands still until the animation sleeps.
class SteppedClock final : public tavvik::Clock {
 public:
  std::chrono::steady_clock::time_point now() override { return now_; }
  void sleep(std::chrono::milliseconds duration) override { now_ += duration; }
  std::chrono::milliseconds elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(now_.time_since_epoch());
  }

 private:
  std::chrono::steady_clock::time_point now_{};
};

/// A screen in memory: each frame sent is kept as a shot, unless it shows what the last one did.
class RecordingBackend final : public tui::Backend {
 public:
  RecordingBackend(Recording& recording, const SteppedClock& clock)
      : recording_(recording), clock_(clock) {}

  tui::Size size() const override { return recording_.size; }
  std::expected<void, tui::Error> send(const tui::FrameToSend& frame) override {
    std::span<const tui::Cell> cells = frame.wanted.cells();
    auto& shots = recording_.shots;
    if (shots.empty() || !std::ranges::equal(shots.back().cells, cells))
      shots.push_back({clock_.elapsed(), {cells.begin(), cells.end()}});
    return {};
  }

 private:
  Recording& recording_;
  const SteppedClock& clock_;
};

}  // namespace

std::expected<Recording, std::string> record_animation(tui::Size size) {
  Recording recording{size, {}, {}};
  SteppedClock clock;
  auto played = tavvik::run_tavvik(
      [&]() -> std::expected<std::unique_ptr<tui::Backend>, tui::Error> {
        return std::make_unique<RecordingBackend>(recording, clock);
      },
      clock);
  if (!played) return std::unexpected(played.error().text());
  recording.end = clock.elapsed();
  return recording;
}

}  // namespace tools
