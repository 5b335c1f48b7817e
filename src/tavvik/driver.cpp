#include "tavvik/driver.hpp"

#include <chrono>
#include <utility>

#include "tavvik/animation_state.hpp"
#include "tavvik/scene.hpp"
#include "tavvik/usage.hpp"
#include "tty/device_backend.hpp"
#include "tui/terminal.hpp"

namespace tavvik {

namespace {

using namespace std::chrono_literals;

// The whole animation, measured from the moment the terminal was taken over.
constexpr std::chrono::seconds kRunTime = 17s;
constexpr std::chrono::milliseconds kFirstFramePause = 2000ms;
constexpr std::chrono::milliseconds kWalkingDelay = 30ms;
constexpr std::chrono::milliseconds kCarryingDelay = 100ms;

/// Sleeps until `duration` has passed, asking `stop_requested` before and after every sleep (a
/// caught signal may cut one short); false as soon as it asks to stop.
bool pause(Clock& clock, std::chrono::milliseconds duration, const StopCheck& stop_requested) {
  const auto until = clock.now() + duration;
  for (;;) {
    if (stop_requested && stop_requested()) return false;
    const auto now = clock.now();
    if (now >= until) return true;
    clock.sleep(std::chrono::ceil<std::chrono::milliseconds>(until - now));
  }
}

}  // namespace

std::expected<void, std::string> run(std::vector<std::string> args,
                                     const StopCheck& stop_requested) {
  if (args.size() < 2 || args[1] != "run") {
    print_usage();
    return {};
  }
  SteadyClock clock;
  auto played = run_tavvik([] { return tty::open_device_backend(); }, clock, stop_requested);
  if (!played) return std::unexpected(played.error().text());
  return {};
}

std::expected<void, tui::Error> run_tavvik(const BackendFactory& open_backend, Clock& clock,
                                           const StopCheck& stop_requested) {
  auto backend = open_backend();
  if (!backend) return std::unexpected(std::move(backend.error()));
  // Declared before anything that can fail below, so it is released (and the terminal
  // restored) on every way out, before the caller sees the outcome.
  tui::Terminal terminal(std::move(*backend));
  Scene scene;

  const auto start = clock.now();
  AnimationState state;
  std::chrono::milliseconds frame_delay = kWalkingDelay;

  // Whole seconds only: the last frame may start up to a second before the limit.
  while (std::chrono::duration_cast<std::chrono::seconds>(clock.now() - start) < kRunTime) {
    auto drawn = terminal.try_draw([&](tui::Frame& frame) { scene.draw_frame(frame, state); });
    if (!drawn) return std::unexpected(std::move(drawn.error()));

    if (state.first_frame) {
      state.first_frame = false;
      if (!pause(clock, kFirstFramePause, stop_requested)) break;
    }
    if (state.advance()) frame_delay = kCarryingDelay;
    if (!pause(clock, frame_delay, stop_requested)) break;
  }

  // Recorded only: what the user sees at the end comes from releasing the terminal.
  terminal.show_cursor();
  terminal.flush();
  return {};
}

}  // namespace tavvik
