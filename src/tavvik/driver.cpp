#include "tavvik/driver.hpp"

#include <algorithm>
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
// While the first frame is held it is drawn again at least this often, so that a window change
// or a return from a stop is repaired within the hold too, as it is by the next frame later on.
// Drawing the same picture again sends nothing while the terminal still shows it.
constexpr std::chrono::milliseconds kLongestHeldSleep = 100ms;
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

/// Holds the first frame for `kFirstFramePause`, drawing it again with `redraw` after every
/// sleep that leaves time to go, one that a caught signal cut short included. Asks
/// `stop_requested` before and after every sleep: false as soon as it asks to stop; a failed
/// redraw is returned.
template <typename Redraw>
std::expected<bool, tui::Error> hold_first_frame(Clock& clock, const StopCheck& stop_requested,
                                                 Redraw&& redraw) {
  const auto until = clock.now() + kFirstFramePause;
  for (bool slept = false;; slept = true) {
    if (stop_requested && stop_requested()) return false;
    const auto now = clock.now();
    if (now >= until) return true;
    if (slept) {
      if (auto drawn = redraw(); !drawn) return std::unexpected(std::move(drawn.error()));
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - now);
    clock.sleep(std::min(left, kLongestHeldSleep));
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

  auto draw = [&] {
    return terminal.try_draw([&](tui::Frame& frame) { scene.draw_frame(frame, state); });
  };
  // Whole seconds only: the last frame may start up to a second before the limit.
  while (std::chrono::duration_cast<std::chrono::seconds>(clock.now() - start) < kRunTime) {
    if (auto drawn = draw(); !drawn) return std::unexpected(std::move(drawn.error()));

    if (state.first_frame) {
      auto held = hold_first_frame(clock, stop_requested, draw);
      if (!held) return std::unexpected(std::move(held.error()));
      if (!*held) break;
      state.first_frame = false;
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
