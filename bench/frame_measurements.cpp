#include "frame_measurements.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ncurses_screen.hpp"
// The same counting operator new as the tests' allocation checks.
#include "pty_capture.hpp"
#include "redirected_system_calls.hpp"
#include "support/allocation_counter.hpp"
#include "tavvik/scene.hpp"
#include "tty/device_backend.hpp"
#include "tty/terminfo/environment.hpp"
#include "tui/terminal.hpp"
#include "tui/utf8.hpp"

namespace bench {

const tty::MapEnvironment& measured_terminal() {
  static const char* const term = std::getenv("TERM");
  static const tty::MapEnvironment environment(
      {{"TERM", term != nullptr && *term != '\0' ? term : "xterm-256color"}});
  return environment;
}

namespace {

/// Sums per kind and divides at the end.
class KindAverages {
 public:
  void add(FrameKind kind, double value) {
    Slot& slot = slot_for(kind);
    slot.total += value;
    ++slot.count;
  }
  BytesByKind averages() const { return {first_.mean(), walking_.mean(), carrying_.mean()}; }

 private:
  struct Slot {
    double total = 0;
    std::size_t count = 0;
    double mean() const { return count ? total / count : 0; }
  };
  Slot& slot_for(FrameKind kind) {
    switch (kind) {
      case FrameKind::First:
        return first_;
      case FrameKind::Walking:
        return walking_;
      default:
        return carrying_;
    }
  }
  Slot first_, walking_, carrying_;
};

tui::Buffer compose(tavvik::Scene& scene, tui::Size size, tavvik::AnimationState state) {
  const tui::Rect area{0, 0, size.width, size.height};
  tui::Buffer buffer(area);
  tui::Frame frame(area, buffer);
  scene.draw_frame(frame, state);
  return buffer;
}

}  // namespace

FrameMeasurements measure(tui::Size size) {
  const auto frames = animation_frames(size);
  FrameMeasurements result;

  // Ours: the production path (terminal, backend, renderer) onto a pseudo-terminal.
  {
    PtyCapture pty(size);
    RedirectedSystemCalls calls(pty.terminal_fd());
    auto backend = tty::open_device_backend(calls, measured_terminal());
    if (!backend) {
      std::fprintf(stderr, "bench: %s\n", backend.error().text().c_str());
      std::exit(1);
    }
    tui::Terminal terminal(std::move(*backend));
    tavvik::Scene scene;
    pty.mark();  // the mode sequences are not a frame
    KindAverages bytes;
    std::size_t steady_allocations = 0;
    std::size_t steady_frames = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
      tavvik::AnimationState state = frames[i].state;
      const long before = support::heap_allocations.load();
      auto drawn = terminal.try_draw([&](tui::Frame& frame) { scene.draw_frame(frame, state); });
      const auto made = static_cast<std::size_t>(support::heap_allocations.load() - before);
      if (!drawn) {
        std::fprintf(stderr, "bench: %s\n", drawn.error().text().c_str());
        std::exit(1);
      }
      bytes.add(frames[i].kind, static_cast<double>(pty.mark()));
      // The first frames grow the reusable storage; later ones must not allocate.
      if (i >= 3) {
        steady_allocations += made;
        ++steady_frames;
      }
      if (frames[i].kind == FrameKind::Walking) ++result.walking_frames;
      if (frames[i].kind != FrameKind::Walking && frames[i].kind != FrameKind::First) {
        ++result.carrying_frames;
      }
    }
    result.ours = bytes.averages();
    result.allocations_per_steady_frame =
        steady_frames ? static_cast<double>(steady_allocations) / steady_frames : 0;
  }

  // The lower bound and ncurses, over the same composed frames.
  {
    NcursesScreen reference(size);
    tavvik::Scene scene;
    tui::Buffer previous(tui::Rect{0, 0, size.width, size.height});
    KindAverages bound;
    KindAverages theirs;
    for (const SequenceFrame& frame : frames) {
      tui::Buffer current = compose(scene, size, frame.state);
      std::size_t symbols = 0;
      const auto now = current.cells();
      const auto before = previous.cells();
      for (std::size_t i = 0; i < now.size(); ++i) {
        if (now[i] != before[i]) symbols += tui::utf8_length(now[i].symbol);
      }
      bound.add(frame.kind, static_cast<double>(symbols));
      theirs.add(frame.kind, static_cast<double>(reference.present(current)));
      previous = std::move(current);
    }
    result.lower_bound = bound.averages();
    result.ncurses = theirs.averages();
  }
  return result;
}

long peak_resident_kib(tui::Size size) {
  int report[2];
  if (::pipe(report) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(report[0]);
    {
      RedirectedSystemCalls calls(-1);
      calls.set_sink_size(size.width, size.height);
      auto backend = tty::open_device_backend(calls, measured_terminal());
      if (backend) {
        tui::Terminal terminal(std::move(*backend));
        tavvik::Scene scene;
        for (const SequenceFrame& frame : animation_frames(size)) {
          tavvik::AnimationState state = frame.state;
          (void)terminal.try_draw([&](tui::Frame& f) { scene.draw_frame(f, state); });
        }
      }
    }
    long peak = -1;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmHWM:", 0) == 0) peak = std::stol(line.substr(6));
    }
    (void)!::write(report[1], &peak, sizeof peak);
    ::_exit(0);
  }
  ::close(report[1]);
  long peak = -1;
  if (::read(report[0], &peak, sizeof peak) != sizeof peak) peak = -1;
  ::close(report[0]);
  ::waitpid(child, nullptr, 0);
  return peak;
}

}  // namespace bench
