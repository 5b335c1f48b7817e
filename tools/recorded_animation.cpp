#include "recorded_animation.hpp"

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

/// A screen in memory: cells are written as they are drawn and kept as a shot when sent.
class RecordingBackend final : public tui::Backend {
 public:
  RecordingBackend(Recording& recording, const SteppedClock& clock)
      : recording_(recording),
        clock_(clock),
        screen_(std::size_t{recording.size.width} * recording.size.height) {}

  tui::Size size() const override { return recording_.size; }
  void draw(std::span<const tui::CellUpdate> cells) override {
    for (const tui::CellUpdate& update : cells) {
      if (update.x < recording_.size.width && update.y < recording_.size.height) {
        screen_[std::size_t{update.y} * recording_.size.width + update.x] = update.cell;
      }
    }
  }
  void hide_cursor() override {}
  void show_cursor() override {}
  void clear() override { screen_.assign(screen_.size(), tui::Cell{}); }
  std::expected<void, tui::Error> flush() override {
    auto& shots = recording_.shots;
    if (shots.empty() || shots.back().cells != screen_)
      shots.push_back({clock_.elapsed(), screen_});
    return {};
  }

 private:
  Recording& recording_;
  const SteppedClock& clock_;
  std::vector<tui::Cell> screen_;
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
