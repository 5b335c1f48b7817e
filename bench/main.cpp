// `make bench`: one table, one row per terminal size. Time is the median of compose + diff +
// render of one frame of the real animation (its output taken by a sink, so no device time is
// in it); the other columns are figures over the same frame sequence:
//   first_B, walk_B, carry_B   our bytes for the first frame, per walking and per carrying frame
//   walk_xLB, carry_xLB        those divided by the UTF-8 bytes of the changed cells' symbols
//   nc_walk_B, nc_carry_B      ncurses's bytes for the same frames (xterm-256color, doupdate)
//   walk_xNC, carry_xNC        ours / ncurses
//   allocs                     heap allocations per steady-state frame
//   t/cell                     the frame time divided by the cells of the screen
//   first_xB, walk_xB, carry_xB, t_xB
//                              our bytes and CPU time per frame divided by the baseline's
//                              (kSizes)
// Our figures are for the terminal TERM names (xterm-256color without it); ncurses's always for
// xterm-256color, and the baseline's ratios are only given on it. Below the table: the peak
// resident memory of a process playing the 200 x 50 sequence.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "frame_measurements.hpp"
#include "frame_sequence.hpp"
#include "redirected_system_calls.hpp"
#include "tavvik/scene.hpp"
#include "tty/device_backend.hpp"
#include "tty/terminfo/environment.hpp"
#include "tui/terminal.hpp"

namespace {

/// What the row-by-row renderer (commit ddd8eac) measured on xterm-256color, the baseline the
/// bench compares against: bytes per frame as above, and the CPU time of a frame on the
/// development machine (2 cores shared with other work: the least of several runs, so the time
/// ratio is a rough one).
struct Baseline {
  double first_B;
  double walk_B;
  double carry_B;
  double cpu_us;
};

/// The sizes measured, each with its baseline.
constexpr struct {
  tui::Size size;
  Baseline baseline;
} kSizes[] = {
    {{80, 24}, {2078, 256.8, 0, 14.1}},
    {{200, 50}, {3205, 772.9, 869.8, 50.5}},
    {{400, 120}, {5392, 767.1, 869.8, 91.8}},
    {{1000, 300}, {11512, 765.1, 869.8, 491.8}},
};

/// The console table, with one row per benchmark: the median of its repetitions. The counter
/// t_xB arrives holding the baseline's time and leaves as the frame's time over it.
class MedianOnly final : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> medians;
    for (const Run& run : runs) {
      if (run.aggregate_name != "median") continue;
      medians.push_back(run);
      if (auto found = medians.back().counters.find("t_xB");
          found != medians.back().counters.end()) {
        constexpr double kNanosecondsPerMicrosecond = 1e3;
        found->second.value =
            run.GetAdjustedCPUTime() / (found->second.value * kNanosecondsPerMicrosecond);
      }
    }
    if (!medians.empty()) ConsoleReporter::ReportRuns(medians);
  }
};

double ratio(double ours, double theirs) {
  return theirs > 0 ? ours / theirs : 0;
}

/// Our figures beside the baseline's, as ratios, when measured on the baseline's terminal.
void compare_with_baseline(benchmark::State& state, const Baseline& baseline,
                           const bench::FrameMeasurements& figures) {
  if (bench::measured_terminal().raw("TERM") != "xterm-256color") return;
  auto& c = state.counters;
  c["first_xB"] = ratio(figures.ours.first, baseline.first_B);
  c["walk_xB"] = ratio(figures.ours.walking, baseline.walk_B);
  c["carry_xB"] = ratio(figures.ours.carrying, baseline.carry_B);
  c["t_xB"] = baseline.cpu_us;
}

void frame(benchmark::State& state, tui::Size size, const Baseline& baseline,
           const bench::FrameMeasurements& figures) {
  bench::RedirectedSystemCalls calls(-1);
  calls.set_sink_size(size.width, size.height);
  auto backend = tty::open_device_backend(calls, bench::measured_terminal());
  if (!backend) {
    state.SkipWithError(backend.error().text().c_str());
    return;
  }
  tui::Terminal terminal(std::move(*backend));
  tavvik::Scene scene;
  const auto frames = bench::animation_frames(size);
  // The first frame is a full repaint; the steady state is what repeats.
  std::size_t next = 0;
  for (auto _ : state) {
    tavvik::AnimationState animation = frames[next].state;
    auto drawn = terminal.try_draw([&](tui::Frame& f) { scene.draw_frame(f, animation); });
    benchmark::DoNotOptimize(drawn);
    next = next + 1 == frames.size() ? 1 : next + 1;
  }

  const double cells = static_cast<double>(size.width) * size.height;
  auto& c = state.counters;
  c["cells"] = cells;
  // Seconds per cell: the frame time over the screen's cells.
  c["t/cell"] = benchmark::Counter(
      cells, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  c["first_B"] = figures.ours.first;
  c["walk_B"] = figures.ours.walking;
  c["carry_B"] = figures.ours.carrying;
  c["walk_xLB"] = ratio(figures.ours.walking, figures.lower_bound.walking);
  c["carry_xLB"] = ratio(figures.ours.carrying, figures.lower_bound.carrying);
  c["nc_walk_B"] = figures.ncurses.walking;
  c["nc_carry_B"] = figures.ncurses.carrying;
  c["walk_xNC"] = ratio(figures.ours.walking, figures.ncurses.walking);
  c["carry_xNC"] = ratio(figures.ours.carrying, figures.ncurses.carrying);
  c["allocs"] = figures.allocations_per_steady_frame;
  compare_with_baseline(state, baseline, figures);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (const auto& [size, baseline] : kSizes) {
    const bench::FrameMeasurements figures = bench::measure(size);
    const std::string name =
        "frame/" + std::to_string(size.width) + "x" + std::to_string(size.height);
    benchmark::RegisterBenchmark(name.c_str(),
                                 [size, baseline, figures](benchmark::State& state) {
                                   frame(state, size, baseline, figures);
                                 })
        ->Repetitions(7)
        ->ReportAggregatesOnly(true);
  }
  MedianOnly reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("peak resident memory, 200 x 50: %ld KiB\n", bench::peak_resident_kib({200, 50}));
  benchmark::Shutdown();
  return 0;
}
