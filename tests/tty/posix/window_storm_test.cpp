// The whole animation on a real pseudo-terminal while its window size changes a thousand times
// and SIGWINCH is sent a thousand more: the screen keeps the size it had when it was taken
// over, no frame waits on the signals, and nothing leaks onto standard output or error.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "support/fake_backend.hpp"
#include "support/fake_clock.hpp"
#include "support/pty_harness.hpp"
#include "tavvik/driver.hpp"
#include "tty/device_backend.hpp"

namespace {

using namespace std::chrono_literals;
using support::ChildChannel;
using support::ChildTerminal;
using support::PtyChild;
using SteadyTime = std::chrono::steady_clock;

constexpr unsigned short kColumns = 100;
constexpr unsigned short kRows = 30;
constexpr int kResizes = 1000;
constexpr int kSignals = 1000;
// The storm's 2000 steps over the 150 or so frames before the animation's last second.
constexpr int kStepsPerBurst = 12;

// Larger and smaller than the starting size, and none at all.
constexpr winsize kStormSizes[] = {
    {0, 0, 0, 0},       {60, 200, 0, 0}, {10, 40, 0, 0},  {1, 1, 0, 0},
    {1000, 3000, 0, 0}, {24, 80, 0, 0},  {31, 101, 0, 0}, {29, 99, 0, 0},
};

// Counted by the host program's own handler, which the device must keep calling.
std::atomic<int> g_window_signals{0};

void count_window_signal(int) {
  g_window_signals.fetch_add(1, std::memory_order_relaxed);
}

/// Waits for the parent even while signals keep interrupting the wait.
bool wait_for_parent(const ChildChannel& channel, std::chrono::milliseconds timeout) {
  const auto deadline = SteadyTime::now() + timeout;
  while (SteadyTime::now() < deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyTime::now());
    if (channel.wait_for_parent(std::max(left, 1ms))) return true;
  }
  return false;
}

std::string milliseconds(SteadyTime::duration duration) {
  return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(duration).count());
}

int play_through_storm(ChildChannel& channel, int out, int err) {
  ::dup2(out, STDOUT_FILENO);
  ::dup2(err, STDERR_FILENO);
  ::setenv("TERM", "xterm-256color", 1);
  struct sigaction counting {};
  counting.sa_handler = count_window_signal;
  counting.sa_flags = SA_RESTART;
  sigemptyset(&counting.sa_mask);
  ::sigaction(SIGWINCH, &counting, nullptr);

  channel.report("pid=" + std::to_string(::getpid()) + ";");
  if (!wait_for_parent(channel, 10s)) return 10;

  // Virtual time moves by what is asked, while each sleep really takes about a millisecond, so
  // the 17-second timeline plays in a second or two. The parent hears when the first frame is
  // on the screen, and the last second is held until its storm is over, so that the storm falls
  // entirely within the animation. A frame is what happens between two sleeps.
  support::FakeClock clock;
  int frames_after_a_signal = 0;  // frames with a window signal since the previous one
  int signals_before = g_window_signals.load();
  SteadyTime::duration longest_frame{};
  SteadyTime::time_point frame_end = SteadyTime::now();
  bool held = false;
  clock.after_sleep = [&](std::chrono::milliseconds) {
    longest_frame = std::max(longest_frame, SteadyTime::now() - frame_end);
    const int signals = g_window_signals.load();
    if (signals != signals_before) ++frames_after_a_signal;
    signals_before = signals;
    if (clock.sleeps.size() == 1) channel.report("first-frame;");
    std::this_thread::sleep_for(1ms);
    if (!held && clock.elapsed() >= 16s) {
      held = true;
      channel.report("last-second;");
      if (!wait_for_parent(channel, 20s)) channel.report("storm-never-ended;");
    }
    frame_end = SteadyTime::now();
  };
  auto log = std::make_shared<support::BackendLog>();
  tui::Size size{};
  const auto started = SteadyTime::now();
  auto played = tavvik::run_tavvik(
      [&]() -> std::expected<std::unique_ptr<tui::Backend>, tui::Error> {
        auto real = tty::open_device_backend();
        if (!real) return std::unexpected(std::move(real.error()));
        size = (*real)->size();
        return std::make_unique<support::FakeBackend>(std::move(*real), log);
      },
      clock);
  const auto took = SteadyTime::now() - started;
  int max_x = -1;
  int max_y = -1;
  for (const auto& draw : log->draws) {
    for (const tui::CellUpdate& update : draw) {
      max_x = std::max<int>(max_x, update.x);
      max_y = std::max<int>(max_y, update.y);
    }
  }
  channel.report(played ? std::string("played;") : "failed: " + played.error().text() + ";");
  channel.report("size=" + std::to_string(size.width) + "x" + std::to_string(size.height) + ";");
  channel.report("max-cell=" + std::to_string(max_x) + "," + std::to_string(max_y) + ";");
  channel.report("frames=" + std::to_string(log->flushes) + ";");
  channel.report("frames-after-a-signal=" + std::to_string(frames_after_a_signal) + ";");
  channel.report("longest-frame-ms=" + milliseconds(longest_frame) + ";");
  channel.report("run-ms=" + milliseconds(took) + ";");
  // _exit drops what stdio still holds; whatever the animation left there must show.
  ::fflush(nullptr);
  return played ? 0 : 1;
}

/// The number reported as `name=<number>;`, if there is one.
std::optional<long> reported_number(const std::string& reports, const std::string& name) {
  const std::size_t at = reports.find(name + "=");
  if (at == std::string::npos) return std::nullopt;
  return std::strtol(reports.c_str() + at + name.size() + 1, nullptr, 10);
}

bool has(const std::string& reports, const std::string& text) {
  return reports.find(text) != std::string::npos;
}

/// Everything written to a memory file.
std::string contents(int fd) {
  std::string text;
  char buffer[4096];
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
    if (n <= 0) return text;
    text.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
}

TEST(WindowStorm, FramesKeepTheFirstSizeNothingBlocksAndNothingReachesStdio) {
  const int out = ::memfd_create("storm-stdout", MFD_CLOEXEC);
  const int err = ::memfd_create("storm-stderr", MFD_CLOEXEC);
  ASSERT_GE(out, 0);
  ASSERT_GE(err, 0);
  // Anything buffered here would be written a second time by the child.
  ::fflush(nullptr);
  // A child that ended early must fail the checks below, not kill the test with its go-ahead.
  struct sigaction ignore_pipe {};
  ignore_pipe.sa_handler = SIG_IGN;
  struct sigaction saved_pipe {};
  ::sigaction(SIGPIPE, &ignore_pipe, &saved_pipe);
  auto child =
      PtyChild::start([&](ChildChannel& channel) { return play_through_storm(channel, out, err); },
                      ChildTerminal::Pty, kColumns, kRows);
  const auto run_start = SteadyTime::now();

  ASSERT_TRUE(child.await_report("pid=", 10s)) << child.reports();
  const auto pid = static_cast<pid_t>(*reported_number(child.reports(), "pid"));
  ASSERT_GT(pid, 0);
  const auto attributes_before = child.attributes();
  ASSERT_TRUE(attributes_before);
  child.go_ahead();
  ASSERT_TRUE(child.await_report("first-frame;", 10s)) << child.reports();

  // The storm comes in bursts, one for each piece of output, so that it is spread over the
  // frames (with a burst every few milliseconds while none come). The terminal keeps being
  // read, as a real one would be, so frames are never held up by it.
  int resizes = 0;
  int signals = 0;
  for (int step = 0; step < kResizes + kSignals;) {
    for (int burst = 0; burst < kStepsPerBurst && step < kResizes + kSignals; ++burst, ++step) {
      if (step % 2 == 0) {
        const winsize& size = kStormSizes[(step / 2) % std::size(kStormSizes)];
        if (::ioctl(child.master(), TIOCSWINSZ, &size) == 0) ++resizes;
      } else if (::kill(pid, SIGWINCH) == 0) {
        ++signals;
      }
    }
    pollfd output{child.master(), POLLIN, 0};
    if (::poll(&output, 1, 3) > 0) child.read_until("\x1b[never", 2ms);
  }
  child.go_ahead();
  const auto exit_code = child.finish(30s);
  ::sigaction(SIGPIPE, &saved_pipe, nullptr);
  const auto run_time = SteadyTime::now() - run_start;
  const std::string& reports = child.reports();

  ASSERT_EQ(exit_code, 0) << reports;
  EXPECT_EQ(resizes, kResizes);
  EXPECT_EQ(signals, kSignals);
  EXPECT_TRUE(has(reports, "played;")) << reports;
  EXPECT_FALSE(has(reports, "storm-never-ended;")) << reports;
  EXPECT_LT(run_time, 30s);

  // The screen is the one measured when the terminal was taken over.
  EXPECT_TRUE(has(reports, "size=100x30;")) << reports;
  EXPECT_EQ(reported_number(reports, "max-cell"), kColumns - 1) << reports;
  const std::size_t comma = reports.find(',', reports.find("max-cell="));
  ASSERT_NE(comma, std::string::npos);
  EXPECT_EQ(std::strtol(reports.c_str() + comma + 1, nullptr, 10), kRows - 1) << reports;

  // A full animation, with the storm landing between its frames rather than before or after.
  EXPECT_GT(reported_number(reports, "frames").value_or(0), 100) << reports;
  EXPECT_GE(reported_number(reports, "frames-after-a-signal").value_or(0), 20) << reports;
  EXPECT_LT(reported_number(reports, "longest-frame-ms").value_or(1 << 30), 1000) << reports;

  EXPECT_EQ(contents(out), "");
  EXPECT_EQ(contents(err), "");
  ::close(out);
  ::close(err);

  EXPECT_TRUE(child.output().ends_with("\x1b[?1049l")) << "the terminal was handed back";
  EXPECT_TRUE(child.has_attributes(*attributes_before));
}

}  // namespace
