// The whole acquisition, animation and release on a real pseudo-terminal, in a child process
// whose controlling terminal it is.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cstring>
#include <optional>

#include "support/fake_clock.hpp"
#include "support/pty_harness.hpp"
#include "tavvik/driver.hpp"
#include "tty/device_backend.hpp"
#include "tui/terminal.hpp"

namespace {

using namespace std::chrono_literals;
using support::ChildChannel;
using support::ChildTerminal;
using support::FakeClock;
using support::PtyChild;

void use_xterm() {
  ::setenv("TERM", "xterm-256color", 1);
  for (const char* name : {"TERMINFO", "TERMINFO_DIRS"}) {
    ::unsetenv(name);
  }
}

/// Whatever is waiting in the terminal's input queue, read without waiting for a line.
std::string pending_input() {
  const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (fd < 0) return "no tty";
  termios saved{};
  ::tcgetattr(fd, &saved);
  termios peek = saved;
  peek.c_lflag &= ~(ICANON | ECHO);
  peek.c_cc[VMIN] = 0;
  peek.c_cc[VTIME] = 2;
  ::tcsetattr(fd, TCSANOW, &peek);
  char bytes[16];
  const ssize_t n = ::read(fd, bytes, sizeof bytes);
  ::tcsetattr(fd, TCSANOW, &saved);
  ::close(fd);
  return n > 0 ? std::string(bytes, static_cast<std::size_t>(n)) : "";
}

/// Waits until typed input has passed the line discipline and waits in `fd`'s input queue. The
/// kernel hands typed bytes on asynchronously, so the animation must not end (and turn signals
/// back on) before this.
bool wait_for_queued_input(int fd, std::chrono::milliseconds timeout) {
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, static_cast<int>(timeout.count())) == 1;
}

TEST(PtyAnimation, TakesOverAndHandsBackTheTerminal) {
  auto child = PtyChild::start([](ChildChannel& channel) {
    // Not before the parent has read the terminal's attributes as they were.
    channel.wait_for_parent(5s);
    use_xterm();
    termios before{};
    const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    ::tcgetattr(fd, &before);
    // Time passes only when slept, and 50 times as fast, so the animation takes a moment.
    FakeClock clock(50);
    clock.after_sleep = [&](std::chrono::milliseconds) {
      if (clock.sleeps.size() > 1) return;  // the first frame is on the screen
      channel.wait_for_parent(5s);
      channel.report(wait_for_queued_input(fd, 5s) ? "queued;" : "nothing-queued;");
    };
    auto played = tavvik::run_tavvik([] { return tty::open_device_backend(); }, clock);
    channel.report(played ? "played;" : "failed: " + played.error().text() + ";");
    termios after{};
    ::tcgetattr(fd, &after);
    channel.report(support::same_attributes(before, after) ? "attributes-same;"
                                                           : "attributes-differ;");
    channel.report("input=" + pending_input() + ";");
    return 0;
  });
  const auto attributes_before = child.attributes();
  ASSERT_TRUE(attributes_before);
  child.go_ahead();
  ASSERT_TRUE(child.read_until("\x1b[2J", 5s)) << "no first frame";
  // While it plays, the child waits on its first sleep: every flag is as cfmakeraw makes it
  // of those before, so that no key (Ctrl-S, say) can act on the output or the process.
  termios raw = *attributes_before;
  ::cfmakeraw(&raw);
  EXPECT_TRUE(child.has_attributes(raw));
  // Ctrl-C during the animation: no signal, no echo; it waits for the next reader.
  child.type("\x03");
  child.go_ahead();
  ASSERT_EQ(child.finish(20s), 0);

  const std::string& out = child.output();
  const std::size_t modes = out.find("\x1b[?2004h");
  ASSERT_EQ(modes, 0u) << "the mode sequences come first, in order";
  const std::size_t frame = out.find("\x1b[?1049h\x1b[?25l\x1b[m\x1b[H\x1b[2J");
  EXPECT_NE(frame, std::string::npos) << "the first frame opens the alternate screen, cleared";
  EXPECT_NE(out.find("WheekHigh", frame), std::string::npos) << "the title is drawn";
  const std::string release = "\x1b[?12l\x1b[?25h\x1b[?2004l\x1b[24H\x1b[?1049l";
  EXPECT_TRUE(out.ends_with(release)) << "the release comes last, in order";
  EXPECT_EQ(out.find("^C"), std::string::npos) << "no echo";

  EXPECT_NE(child.reports().find("queued;played;"), std::string::npos) << child.reports();
  EXPECT_NE(child.reports().find("attributes-same;"), std::string::npos);
  EXPECT_NE(child.reports().find("input=\x03;"), std::string::npos) << child.reports();
  EXPECT_TRUE(child.has_attributes(*attributes_before));
}

TEST(PtyAnimation, WithoutControllingTerminalFailsToOpenAndWritesNothing) {
  auto child = PtyChild::start(
      [](ChildChannel& channel) {
        auto backend = tty::open_device_backend();
        channel.report(backend ? "opened" : backend.error().text());
        return 0;
      },
      ChildTerminal::None);
  ASSERT_EQ(child.finish(10s), 0);
  EXPECT_EQ(child.reports(), "No such device or address (os error 6)");
}

TEST(PtyAnimation, TerminalGoneMidAnimationFailsTheFramePromptly) {
  auto child = PtyChild::start([](ChildChannel& channel) {
    ::signal(SIGHUP, SIG_IGN);  // the report must outlive the hang-up
    use_xterm();
    auto backend = tty::open_device_backend();
    if (!backend) return 2;
    tui::Terminal terminal(std::move(*backend));
    if (!terminal.try_draw([](tui::Frame& f) { f.buffer().set_symbol(1, 1, U'a'); })) return 3;
    channel.report("drawn;");
    channel.wait_for_parent(5s);
    const auto start = std::chrono::steady_clock::now();
    auto drawn = terminal.try_draw([](tui::Frame& f) { f.buffer().set_symbol(2, 1, U'b'); });
    const auto took = std::chrono::steady_clock::now() - start;
    channel.report(drawn ? "drawn again;" : drawn.error().text() + ";");
    channel.report(took < 2s ? "prompt;" : "slow;");
    return 0;
  });
  ASSERT_TRUE(child.read_until("\x1b[2J", 5s));
  child.await_report("drawn;", 5s);
  child.hang_up();
  child.go_ahead();
  ASSERT_EQ(child.finish(10s), 0);
  EXPECT_NE(child.reports().find("Input/output error (os error 5);"), std::string::npos)
      << child.reports();
  EXPECT_NE(child.reports().find("prompt;"), std::string::npos);
}

struct Size {
  unsigned columns;
  unsigned rows;
  /// How the output ends: the cursor on the last row played, the alternate screen left.
  const char* ending;
  /// COLUMNS and LINES, where set.
  const char* columns_variable = nullptr;
  const char* lines_variable = nullptr;
};

class PtySizes : public testing::TestWithParam<Size> {};

TEST_P(PtySizes, WholeAnimationPlays) {
  const Size size = GetParam();
  auto child = PtyChild::start(
      [&size](ChildChannel& channel) {
        use_xterm();
        if (size.columns_variable) ::setenv("COLUMNS", size.columns_variable, 1);
        if (size.lines_variable) ::setenv("LINES", size.lines_variable, 1);
        // A whole second per pause keeps huge screens to a handful of frames.
        FakeClock clock(200);
        auto played = tavvik::run_tavvik([] { return tty::open_device_backend(); }, clock);
        channel.report(played ? "played" : played.error().text());
        return 0;
      },
      ChildTerminal::Pty, static_cast<unsigned short>(size.columns),
      static_cast<unsigned short>(size.rows));
  ASSERT_EQ(child.finish(60s), 0);
  EXPECT_EQ(child.reports(), "played");
  EXPECT_TRUE(child.output().ends_with(size.ending)) << child.output();
}

// A terminal that reports no size plays at the size of COLUMNS and LINES where they are
// positive, else at its description's (80 x 24).
INSTANTIATE_TEST_SUITE_P(
    Extremes, PtySizes,
    testing::Values(Size{0, 0, "\x1b[24H\x1b[?1049l"}, Size{1, 1, "\x1b[H\x1b[?1049l"},
                    Size{3000, 1000, "\x1b[1000H\x1b[?1049l"},
                    Size{0, 0, "\x1b[12H\x1b[?1049l", "50", "12"},
                    Size{0, 0, "\x1b[24H\x1b[?1049l", "0", "0"}),
    [](const testing::TestParamInfo<Size>& tested) {
      const Size& size = tested.param;
      return std::to_string(size.columns) + "x" + std::to_string(size.rows) +
             (size.columns_variable ? std::string("_COLUMNS_") + size.columns_variable : "");
    });

/// Plays the animation held at its first pause until the parent's go-ahead.
int play_held(ChildChannel& channel) {
  use_xterm();
  const rlimit no_core{0, 0};
  ::setrlimit(RLIMIT_CORE, &no_core);
  FakeClock clock;
  clock.after_sleep = [&](std::chrono::milliseconds) {
    if (clock.sleeps.size() == 1) channel.wait_for_parent(20s);
  };
  auto played = tavvik::run_tavvik([] { return tty::open_device_backend(); }, clock);
  channel.report(played ? "played;" : "failed: " + played.error().text() + ";");
  for (const int signal : {SIGCONT, SIGWINCH}) {
    struct sigaction action {};
    ::sigaction(signal, nullptr, &action);
    if (action.sa_handler == SIG_IGN)
      channel.report(std::string(::strsignal(signal)) + " ignored;");
  }
  return 0;
}

/// A child on its own terminal playing as a shell's job does: in a process group of its own
/// in the foreground, under a session leader that waits for it. Only then does a stop really
/// stop it: the kernel drops SIGTSTP in a process group that no shell watches over.
struct Job {
  PtyChild child;
  std::optional<termios> before;  ///< the terminal's attributes before the animation
  pid_t pid = 0;                  ///< the player's
  bool drawn = false;             ///< its first frame is on the screen
};

/// The session leader: starts the player as its job and waits for it, as a shell does.
int play_as_job(ChildChannel& channel) {
  channel.wait_for_parent(5s);
  const pid_t player = ::fork();
  if (player == 0) {
    ::signal(SIGTTOU, SIG_IGN);
    ::setpgid(0, 0);
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    ::tcsetpgrp(tty, ::getpgrp());
    ::close(tty);
    ::signal(SIGTTOU, SIG_DFL);
    channel.report("job=" + std::to_string(::getpid()) + ";");
    // Ignored by the application: the signals must still be seen, and not passed on.
    ::signal(SIGCONT, SIG_IGN);
    ::signal(SIGWINCH, SIG_IGN);
    ::_exit(play_held(channel));
  }
  int status = 0;
  while (::waitpid(player, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

/// Starts a job and waits until its first frame is on the screen, held there until the next
/// `go_ahead`.
Job start_job() {
  Job job{PtyChild::start(play_as_job), std::nullopt};
  job.before = job.child.attributes();
  job.child.go_ahead();
  job.child.await_report(";", 5s);
  job.pid = static_cast<pid_t>(std::atoi(job.child.reports().c_str() + std::strlen("job=")));
  job.drawn = job.child.read_until("WheekHigh", 5s);
  return job;
}

// The cursor goes to the last row first, for terminals that have no alternate screen.
const std::string kTakeAgain = "\x1b[?2004h\x1b[?1049h\x1b[?25l";
const std::string kReleaseText = "\x1b[?12l\x1b[?25h\x1b[?2004l\x1b[24H\x1b[?1049l";

TEST(PtySignals, AFatalSignalHandsTheTerminalBackAndStillEndsTheProcess) {
  for (const int signal : {SIGTERM, SIGHUP, SIGQUIT}) {
    SCOPED_TRACE(::strsignal(signal));
    auto job = start_job();
    ASSERT_TRUE(job.before && job.drawn);
    ::kill(job.pid, signal);
    EXPECT_EQ(job.child.finish(10s), 128 + signal) << "dies of the same signal";
    EXPECT_TRUE(job.child.output().ends_with(kReleaseText));
    EXPECT_TRUE(job.child.has_attributes(*job.before));
  }
}

/// The real calls, but the first write that carries the title sends half of it, raises SIGTERM
/// and sends the rest: a signal in the middle of a frame. The frame's last bytes are reported
/// first.
class SignalInsideAFrame final : public tty::SystemCalls {
 public:
  explicit SignalInsideAFrame(const ChildChannel& channel) : channel_(channel) {}
  std::expected<std::size_t, int> write(int fd, const char* data, std::size_t size) override {
    const std::string_view text(data, size);
    if (raised_ || text.find("WheekHigh") == std::string_view::npos) {
      return real_.write(fd, data, size);
    }
    raised_ = true;
    channel_.report(text.substr(size - 16));
    std::string_view first = text.substr(0, size / 2);
    std::string_view rest = text.substr(size / 2);
    if (!tty::write_all(real_, fd, first)) return std::unexpected(EIO);
    (void)::raise(SIGTERM);
    if (!tty::write_all(real_, fd, rest)) return std::unexpected(EIO);
    return size;
  }
  std::expected<int, int> open(const char* path, int flags) override {
    return real_.open(path, flags);
  }
  std::expected<int, int> duplicate(int fd) override { return real_.duplicate(fd); }
  Result close(int fd) override { return real_.close(fd); }
  Result set_nonblocking(int fd, bool on) override { return real_.set_nonblocking(fd, on); }
  Result get_attributes(int fd, termios& out) override { return real_.get_attributes(fd, out); }
  Result set_attributes(int fd, int when, const termios& in) override {
    return real_.set_attributes(fd, when, in);
  }
  Result drain(int fd) override { return real_.drain(fd); }
  Result window_size(int fd, winsize& out) override { return real_.window_size(fd, out); }
  Result signal_action(int signal, const struct sigaction* action,
                       struct sigaction* previous) override {
    return real_.signal_action(signal, action, previous);
  }

 private:
  const ChildChannel& channel_;
  tty::SystemCalls& real_ = tty::real_system_calls();
  bool raised_ = false;
};

TEST(PtySignals, ASignalDuringAFrameActsOnceTheWholeFrameIsOut) {
  auto child = PtyChild::start([](ChildChannel& channel) {
    use_xterm();
    SignalInsideAFrame calls(channel);
    const tty::ProcessEnvironment environment;
    auto backend = tty::open_device_backend(calls, environment);
    if (!backend) return 2;
    tui::Terminal terminal(std::move(*backend));
    (void)terminal.try_draw([](tui::Frame& f) {
      const std::u32string_view title = U"WheekHigh";
      for (std::uint32_t x = 0; x < title.size(); ++x) f.buffer().set_symbol(x, 0, title[x]);
    });
    return 0;
  });
  EXPECT_EQ(child.finish(10s), -SIGTERM);
  ASSERT_EQ(child.reports().size(), 16u) << "no frame was written";
  EXPECT_TRUE(child.output().ends_with(child.reports() + kReleaseText))
      << testing::PrintToString(child.output());
}

TEST(PtySignals, StoppedItGivesTheTerminalBackAndContinuedItTakesItAgainAndRedraws) {
  auto job = start_job();
  ASSERT_TRUE(job.before && job.drawn);
  PtyChild& child = job.child;

  winsize smaller{20, 60, 0, 0};
  ::ioctl(child.master(), TIOCSWINSZ, &smaller);
  ::kill(job.pid, SIGTSTP);
  ASSERT_TRUE(child.read_until(kReleaseText, 5s));
  ASSERT_TRUE(child.pump_until(5s, [&] { return support::state_of(job.pid).state == 'T'; }))
      << "stopped";
  auto while_stopped = child.attributes();
  ASSERT_TRUE(while_stopped);
  EXPECT_TRUE(support::same_attributes(*job.before, *while_stopped))
      << "the shell gets the attributes it had";
  // The shell changes them while it has the terminal, and hands it back on `fg`.
  while_stopped->c_lflag &= ~ECHO;
  while_stopped->c_iflag |= IXOFF;
  ::tcsetattr(child.master(), TCSANOW, &*while_stopped);

  const std::size_t resumed_at = child.output().size();
  ::kill(job.pid, SIGCONT);
  ASSERT_TRUE(child.read_until(kTakeAgain, 5s, resumed_at));
  termios raw = *job.before;
  ::cfmakeraw(&raw);
  EXPECT_TRUE(child.has_attributes(raw)) << "raw again, as at the start";

  child.go_ahead();
  ASSERT_EQ(child.finish(20s), 0);
  EXPECT_NE(child.reports().find("played;Continued ignored;Window changed ignored;"),
            std::string::npos)
      << child.reports();
  EXPECT_EQ(child.output().find(kTakeAgain, child.output().find(kTakeAgain, resumed_at) + 1),
            std::string::npos)
      << "taken again once";
  const std::size_t redraw = child.output().find("\x1b[2J", resumed_at);
  ASSERT_NE(redraw, std::string::npos) << "the next frame starts on a cleared screen";
  EXPECT_NE(child.output().find("WheekHigh", redraw), std::string::npos) << "drawn whole";
  EXPECT_TRUE(child.output().ends_with(kReleaseText));
  EXPECT_TRUE(child.has_attributes(*job.before));
}

TEST(PtySignals, AStopTheKernelDropsTakesTheTerminalBackAtOnce) {
  // Straight under the harness the player's process group is orphaned: no shell could
  // continue it, so the kernel drops the stop.
  auto child = PtyChild::start(play_held);
  ASSERT_TRUE(child.read_until("WheekHigh", 5s));
  const std::size_t stopped_at = child.output().size();
  ::kill(child.pid(), SIGTSTP);
  ASSERT_TRUE(child.read_until(kReleaseText + kTakeAgain, 5s, stopped_at));
  child.go_ahead();
  ASSERT_EQ(child.finish(20s), 0);
  EXPECT_NE(child.reports().find("played;"), std::string::npos) << child.reports();
}

TEST(PtyHarness, AChildThatOverstaysEndsWithEveryProcessItStarted) {
  pid_t left_behind = 0;
  {
    auto child = PtyChild::start([](ChildChannel& channel) -> int {
      const pid_t spinner = ::fork();
      if (spinner == 0) {
        // A group of its own, deaf to every signal that can be blocked, as a player can be.
        ::setpgid(0, 0);
        sigset_t all;
        ::sigfillset(&all);
        ::sigprocmask(SIG_BLOCK, &all, nullptr);
        for (;;) ::pause();
      }
      channel.report(std::to_string(spinner) + ";");
      for (;;) ::pause();
    });
    ASSERT_TRUE(child.await_report(";", 5s));
    EXPECT_FALSE(child.finish(500ms)) << "it had to be killed";
    left_behind = static_cast<pid_t>(std::atoi(child.reports().c_str()));
  }
  ASSERT_GT(left_behind, 0);
  const char state = support::state_of(left_behind).state;
  EXPECT_TRUE(state == 0 || state == 'Z') << state;
}

}  // namespace
