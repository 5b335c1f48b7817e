#include "tavvik/driver.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/fake_backend.hpp"
#include "support/fake_clock.hpp"
#include "tavvik/usage.hpp"

namespace {

using namespace std::chrono_literals;

using support::BackendLog;
using support::FakeBackend;
using support::FakeClock;

// The first frame is held 2 s in sleeps of 100 ms, drawn again after each but the last.
constexpr std::size_t kHeldSleeps = 20;
constexpr int kFrames = 500 + kHeldSleeps - 1;

struct Playback {
  std::shared_ptr<BackendLog> log = std::make_shared<BackendLog>();
  FakeClock clock;
  std::expected<void, tui::Error> outcome;
};

/// Plays on a fake backend of `size`; `after_sleep`, if any, is called by the clock after each
/// sleep.
Playback play(tui::Size size, int failing_flush = 0,
              std::function<void(FakeClock&, std::chrono::milliseconds)> after_sleep = {}) {
  Playback run;
  run.log->failing_flush = failing_flush;
  if (after_sleep) {
    run.clock.after_sleep = [&](std::chrono::milliseconds slept) { after_sleep(run.clock, slept); };
  }
  run.outcome = tavvik::run_tavvik(
      [&]() -> std::expected<std::unique_ptr<tui::Backend>, tui::Error> {
        return std::make_unique<FakeBackend>(size, run.log);
      },
      run.clock);
  return run;
}

TEST(Timeline, FirstFrameHoldsTwoSecondsThenFramesComeEvery30ms) {
  const Playback run = play({80, 24});
  ASSERT_TRUE(run.outcome);
  const auto& sleeps = run.clock.sleeps;
  ASSERT_GE(sleeps.size(), kHeldSleeps + 2);
  for (std::size_t i = 0; i < sleeps.size(); ++i) {
    EXPECT_EQ(sleeps[i], i < kHeldSleeps ? 100ms : 30ms) << i;
  }
  // Frames start at 0 ms and at 2030 + 30k ms while the whole seconds are below 17; the held
  // frame drawn again changes nothing.
  EXPECT_EQ(run.log->flushes, kFrames);
  for (std::size_t i = 1; i < kHeldSleeps; ++i) EXPECT_TRUE(run.log->draws[i].empty()) << i;
  EXPECT_FALSE(run.log->draws[kHeldSleeps].empty());
}

TEST(Timeline, ArrivalSlowsTheFramesTo100msForGood) {
  const Playback run = play({200, 50});
  ASSERT_TRUE(run.outcome);
  const auto& sleeps = run.clock.sleeps;
  // Pause after the first frame, 27 walking steps, then the 28th advance arrives.
  ASSERT_GT(sleeps.size(), kHeldSleeps + 30);
  EXPECT_EQ(sleeps[kHeldSleeps], 30ms);
  EXPECT_EQ(sleeps[kHeldSleeps + 26], 30ms);
  for (std::size_t i = kHeldSleeps + 27; i < sleeps.size(); ++i) EXPECT_EQ(sleeps[i], 100ms) << i;
}

TEST(Timeline, NinetyColumnsArriveRightAfterTheFirstPause) {
  const Playback run = play({90, 30});
  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.clock.sleeps[kHeldSleeps - 1], 100ms);
  EXPECT_EQ(run.clock.sleeps[kHeldSleeps], 100ms);
}

TEST(Timeline, TheLimitIsCheckedOnWholeSeconds) {
  // The pause after the first frame is stretched so that the next check reads 16.999 s:
  // that still counts as 16 whole seconds and draws one more frame; 17.029 s ends the loop.
  const Playback run = play({80, 24}, 0, [](FakeClock& clock, std::chrono::milliseconds) {
    if (clock.sleeps.size() == kHeldSleeps) clock.advance(16969ms - 2000ms);
  });
  ASSERT_TRUE(run.outcome);
  EXPECT_EQ(run.log->flushes, kHeldSleeps + 1);
}

TEST(Finishing, SendsNothingAfterTheLastFrameButTheRelease) {
  const Playback run = play({80, 24});
  ASSERT_TRUE(run.outcome);
  const auto& events = run.log->events;
  ASSERT_EQ(events.size(), kFrames + 1u);
  EXPECT_EQ(events[kFrames - 1], "send");
  EXPECT_EQ(events.back(), "release");
}

TEST(Failures, AFailedFrameReleasesTheTerminalAndReturnsItsText) {
  const Playback run = play({80, 24}, /*failing_flush=*/3);
  ASSERT_FALSE(run.outcome);
  EXPECT_EQ(run.outcome.error().text(), BackendLog::kFlushFailure);
  EXPECT_EQ(run.log->events, (std::vector<std::string>{"send", "send", "send", "release"}));
}

TEST(Failures, AFailedAcquisitionDrawsNothing) {
  FakeClock clock;
  auto outcome = tavvik::run_tavvik(
      []() -> std::expected<std::unique_ptr<tui::Backend>, tui::Error> {
        return std::unexpected(tui::Error("No such device or address (os error 6)"));
      },
      clock);
  ASSERT_FALSE(outcome);
  EXPECT_EQ(outcome.error().text(), "No such device or address (os error 6)");
  EXPECT_TRUE(clock.sleeps.empty());
}

TEST(Timeline, TinyTerminalsPlayToTheEnd) {
  for (const tui::Size size : {tui::Size{0, 0}, tui::Size{1, 1}, tui::Size{2, 2}}) {
    const Playback run = play(size);
    EXPECT_TRUE(run.outcome) << size.width << "x" << size.height;
    EXPECT_EQ(run.log->flushes, kFrames);
  }
}

/// Descriptor 1 pointed somewhere else for the length of a test.
class StdoutRedirect {
 public:
  explicit StdoutRedirect(int target) : saved_(::dup(STDOUT_FILENO)) {
    ::fflush(stdout);
    (void)(target >= 0 ? ::dup2(target, STDOUT_FILENO) : ::close(STDOUT_FILENO));
  }
  ~StdoutRedirect() {
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
  }

 private:
  int saved_;
};

std::string usage_output_for(std::vector<std::string> args) {
  int pipe_fds[2];
  EXPECT_EQ(::pipe(pipe_fds), 0);
  {
    StdoutRedirect redirect(pipe_fds[1]);
    EXPECT_TRUE(tavvik::run(std::move(args)));
  }
  ::close(pipe_fds[1]);
  std::string out(256, '\0');
  const ssize_t n = ::read(pipe_fds[0], out.data(), out.size());
  ::close(pipe_fds[0]);
  out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return out;
}

TEST(CommandCheck, AnythingButRunPrintsTheUsageLine) {
  // clang-format off
  const std::vector<std::vector<std::string>> refused = {
      {}, {"tavvik"}, {"tavvik", "Playback"}, {"tavvik", "run "}, {"tavvik", ""},
      {"tavvik", "runrun"}};
  // clang-format on
  for (const auto& args : refused) {
    EXPECT_EQ(usage_output_for(args), "Usage: tavvik run\n") << args.size();
  }
}

TEST(CommandCheck, ClosedStdoutDropsTheLineSilently) {
  StdoutRedirect closed(-1);
  EXPECT_TRUE(tavvik::run({"tavvik", "help"}));
}

TEST(CommandCheck, AFullStdoutIsAnInternalFault) {
  const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(full, 0);
  StdoutRedirect redirect(full);
  ::close(full);
  try {
    (void)tavvik::run({"tavvik"});
    ADD_FAILURE() << "expected a fault";
  } catch (const std::runtime_error& fault) {
    EXPECT_STREQ(fault.what(), "failed printing to stdout: No space left on device (os error 28)");
  }
}

}  // namespace
