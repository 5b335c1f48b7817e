// Taking over and giving back the terminal through the system-call seam: every failure of the
// acquisition with its text and exactly what it undoes, and the release after frames.

#include <errno.h>
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <stdexcept>

#include "support/fake_clock.hpp"
#include "support/fake_system_calls.hpp"
#include "tavvik/driver.hpp"
#include "tty/device_backend.hpp"
#include "tui/terminal.hpp"

namespace {

using namespace std::chrono_literals;
using support::FakeSystemCalls;

const std::string kModes = "\x1b[?2004h";
// xterm-256color spells the cursor-visible change with a cursor-blink reset first.
const std::string kResets = "\x1b[?2004l";
const std::string kShowCursor = "\x1b[?12l\x1b[?25h";

const tty::MapEnvironment kXterm{{"TERM", "xterm-256color"}};

bool same(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::equal(std::begin(a.c_cc), std::end(a.c_cc), b.c_cc);
}

/// The toolkit's terminal on the device backend over `calls`; a backend that cannot be opened
/// throws, which fails the test.
tui::Terminal open_terminal(FakeSystemCalls& calls) {
  auto backend = tty::open_device_backend(calls, kXterm);
  if (!backend) throw std::runtime_error(backend.error().text());
  return tui::Terminal(std::move(*backend));
}

/// The `nth` call of `call` fails with `error` (none: no call fails, TERM is `term`); the
/// acquisition must then fail with `text`.
struct InjectedFailure {
  const char* call;
  int error;
  int nth;
  const char* text;
  const char* term = "xterm-256color";
};

/// The case by its failing call, which one of them and its error: "open_1_ENXIO", in test
/// names and in failure messages alike; "TERM_dumb" when nothing fails.
std::string describe(const InjectedFailure& failure) {
  if (failure.error == 0) return std::string("TERM_") + failure.term;
  return std::string(failure.call) + "_" + std::to_string(failure.nth) + "_" +
         ::strerrorname_np(failure.error);
}
std::string name_of(const testing::TestParamInfo<InjectedFailure>& tested) {
  return describe(tested.param);
}
void PrintTo(const InjectedFailure& failure, std::ostream* out) {
  *out << describe(failure);
}

/// Acquires over fake system calls, one of which fails as the parameter says.
class AcquisitionFailure : public testing::TestWithParam<InjectedFailure> {
 protected:
  std::expected<std::unique_ptr<tui::Backend>, tui::Error> acquire() {
    calls.fail(GetParam().call, GetParam().error, GetParam().nth);
    return tty::open_device_backend(calls, tty::MapEnvironment{{"TERM", GetParam().term}});
  }

  FakeSystemCalls calls;
  const termios before = calls.attributes;
};

class EarlyAcquisitionFailure : public AcquisitionFailure {};

// Steps 2 to 4, and a terminal refused before them: what was opened is closed; nothing is
// written and the attributes stay.
TEST_P(EarlyAcquisitionFailure, ClosesWhatWasOpenedAndTouchesNothing) {
  auto backend = acquire();

  ASSERT_FALSE(backend);
  EXPECT_EQ(backend.error().text(), GetParam().text);
  EXPECT_TRUE(calls.open_fds.empty());
  EXPECT_EQ(calls.bad_closes, 0);
  EXPECT_EQ(calls.written, "");
  EXPECT_EQ(calls.count("set_attributes"), 0);
  EXPECT_TRUE(same(calls.attributes, before));
  EXPECT_TRUE(calls.actions.empty()) << "no signal action was taken";
}

INSTANTIATE_TEST_SUITE_P(
    Steps2To4, EarlyAcquisitionFailure,
    testing::Values(InjectedFailure{"open", ENXIO, 1, "No such device or address (os error 6)"},
                    InjectedFailure{"open", EACCES, 1, "Permission denied (os error 13)"},
                    InjectedFailure{"duplicate", EMFILE, 1, "Too many open files (os error 24)"},
                    InjectedFailure{"duplicate", EMFILE, 2, "Too many open files (os error 24)"},
                    InjectedFailure{"get_attributes", ENOTTY, 1, "get_termios failed"},
                    InjectedFailure{"set_nonblocking", EBADF, 1,
                                    "failed to change non-blocking mode"},
                    InjectedFailure{"none", 0, 0,
                                    "TERM=dumb names a terminal that cannot move the cursor: set "
                                    "TERM to the terminal in use (xterm-256color, say)",
                                    "dumb"}),
    name_of);

class LateAcquisitionFailure : public AcquisitionFailure {};

// Steps 5 to 8: the full release runs, its reset sequences written even for modes never set,
// but the alternate screen is left alone, as it was never entered.
TEST_P(LateAcquisitionFailure, RunsTheFullReleaseThenCloses) {
  auto backend = acquire();

  ASSERT_FALSE(backend);
  EXPECT_EQ(backend.error().text(), GetParam().text);
  EXPECT_TRUE(calls.written.ends_with(kShowCursor + kResets)) << calls.written;
  EXPECT_EQ(calls.written.find("\x1b[?1049"), std::string::npos);
  EXPECT_TRUE(same(calls.attributes, before));
  ASSERT_FALSE(calls.set_attribute_whens.empty());
  EXPECT_EQ(calls.set_attribute_whens.back(), TCSANOW);
  EXPECT_TRUE(calls.open_fds.empty());
  EXPECT_EQ(calls.actions[SIGWINCH].sa_handler, SIG_DFL);
}

INSTANTIATE_TEST_SUITE_P(
    Steps5To8, LateAcquisitionFailure,
    testing::Values(
        InjectedFailure{
            "window_size", ENOTTY, 1,
            "failed to ioctl(TIOCGWINSZ): Inappropriate ioctl for device (os error 25)"},
        InjectedFailure{"get_attributes", EIO, 2, "get_termios failed"},
        InjectedFailure{"set_attributes", EIO, 1, "failed to set raw mode"},
        InjectedFailure{"write", EIO, 1, "Input/output error (os error 5)"},
        InjectedFailure{"drain", EIO, 1, "tcdrain failed"}),
    name_of);

TEST(Acquisition, WindowSizeFailureWritesOnlyTheResets) {
  FakeSystemCalls calls;
  calls.fail("window_size", ENOTTY);
  auto backend = tty::open_device_backend(calls, kXterm);
  ASSERT_FALSE(backend);
  EXPECT_EQ(calls.written, kShowCursor + kResets);
  EXPECT_EQ(calls.count("set_attributes"), 1) << "raw mode was never applied";
}

TEST(Acquisition, TakesOverInRawModeWithTheModesSentAndTheSwitchHeldBack) {
  FakeSystemCalls calls;
  calls.window = winsize{7, 33, 0, 0};
  auto backend = tty::open_device_backend(calls, kXterm);
  ASSERT_TRUE(backend) << backend.error().text();

  EXPECT_EQ(calls.written, kModes);
  EXPECT_EQ((*backend)->size(), (tui::Size{33, 7}));
  EXPECT_EQ(calls.set_attribute_whens, std::vector<int>{TCSAFLUSH});
  EXPECT_EQ(calls.attributes.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(calls.attributes.c_oflag & OPOST, 0u);
  EXPECT_EQ(calls.attributes.c_cc[VMIN], 1);
  // Reading and writing; the descriptor from the opening is gone.
  EXPECT_EQ(calls.open_fds.size(), 2u);
  EXPECT_EQ(calls.open_fds.count(100), 0u);
  EXPECT_NE(calls.actions[SIGWINCH].sa_handler, SIG_DFL);
}

TEST(Release, AfterFramesSendsOnlyTheTeardownAndRestoresEverything) {
  FakeSystemCalls calls;
  const termios before = calls.attributes;
  calls.actions[SIGWINCH].sa_handler = SIG_IGN;
  calls.actions[SIGHUP].sa_handler = SIG_IGN;  // as under nohup
  {
    tui::Terminal terminal = open_terminal(calls);
    for (const int taken : {SIGTERM, SIGQUIT, SIGTSTP, SIGCONT}) {
      EXPECT_NE(calls.actions[taken].sa_handler, SIG_DFL) << ::strsignal(taken);
    }
    EXPECT_EQ(calls.actions[SIGHUP].sa_handler, SIG_IGN) << "the application's choice stands";
    for (int frame = 0; frame < 3; ++frame) {
      const std::size_t mark = calls.written.size();
      const int writes = calls.count("write");
      const int drains = calls.count("drain");
      ASSERT_TRUE(terminal.try_draw([&](tui::Frame& f) {
        f.buffer().set_symbol(static_cast<std::uint32_t>(frame), 1, U'x');
      }));
      EXPECT_EQ(calls.count("write"), writes + 1) << "one write per frame";
      EXPECT_EQ(calls.count("drain"), drains + 1) << "one wait per frame";
      if (frame == 0) {
        EXPECT_EQ(calls.written.substr(mark, 24), "\x1b[?1049h\x1b[?25l\x1b[m\x1b[H\x1b[2J");
      } else {
        EXPECT_EQ(calls.written.find("\x1b[2J", mark), std::string::npos) << "only changes";
      }
    }
    const std::size_t mark = calls.written.size();
    terminal.show_cursor();
    terminal.flush();
    EXPECT_EQ(calls.written.size(), mark) << "recording sends nothing";
  }
  // The last row first, so that without an alternate screen the prompt comes below the picture.
  const std::string release = kShowCursor + kResets + "\x1b[24H\x1b[?1049l";
  EXPECT_TRUE(calls.written.ends_with(release));
  EXPECT_EQ(calls.written.find('x', calls.written.size() - release.size()), std::string::npos);
  EXPECT_TRUE(same(calls.attributes, before));
  EXPECT_EQ(calls.set_attribute_whens.back(), TCSANOW);
  EXPECT_EQ(calls.actions[SIGWINCH].sa_handler, SIG_IGN) << "the earlier action is back";
  EXPECT_EQ(calls.actions[SIGHUP].sa_handler, SIG_IGN);
  for (const int taken : {SIGTERM, SIGQUIT, SIGTSTP, SIGCONT}) {
    EXPECT_EQ(calls.actions[taken].sa_handler, SIG_DFL) << ::strsignal(taken);
  }
  EXPECT_TRUE(calls.open_fds.empty());
}

TEST(Release, WithoutAnyFrameLeavesTheScreenAlone) {
  FakeSystemCalls calls;
  {
    auto backend = tty::open_device_backend(calls, kXterm);
    ASSERT_TRUE(backend);
  }
  EXPECT_EQ(calls.written, kModes + kShowCursor + kResets);
}

TEST(Release, FailingWritesStillRestoreTheAttributes) {
  FakeSystemCalls calls;
  const termios before = calls.attributes;
  {
    tui::Terminal terminal = open_terminal(calls);
    calls.fail("write", EIO, calls.count("write") + 1);
    auto drawn = terminal.try_draw([](tui::Frame&) {});
    ASSERT_FALSE(drawn);
    EXPECT_EQ(drawn.error().text(), "Input/output error (os error 5)");
    calls.fail("write", EIO, calls.count("write") + 1);
    calls.fail("drain", EIO, calls.count("drain") + 1);
  }
  EXPECT_TRUE(same(calls.attributes, before));
  EXPECT_TRUE(calls.open_fds.empty());
}

TEST(Frame, FailedWaitReportsTcdrainAndTheNextFrameRepaintsInFull) {
  FakeSystemCalls calls;
  tui::Terminal terminal = open_terminal(calls);
  ASSERT_TRUE(terminal.try_draw([](tui::Frame& f) { f.buffer().set_symbol(2, 2, U'a'); }));
  calls.fail("drain", EIO, calls.count("drain") + 1);
  auto drawn = terminal.try_draw([](tui::Frame& f) { f.buffer().set_symbol(3, 2, U'b'); });
  ASSERT_FALSE(drawn);
  EXPECT_EQ(drawn.error().text(), "tcdrain failed");
  const std::size_t mark = calls.written.size();
  ASSERT_TRUE(terminal.try_draw([](tui::Frame& f) { f.buffer().set_symbol(3, 2, U'b'); }));
  const std::string frame = calls.written.substr(mark);
  EXPECT_TRUE(frame.starts_with("\x1b[?25l\x1b[m\x1b[H\x1b[2J")) << "no ?1049h twice: " << frame;
  EXPECT_NE(frame.find('b'), std::string::npos);
}

TEST(Frame, AfterAWindowChangeOneWholeFrameIsSentWithinTheWindow) {
  FakeSystemCalls calls;
  calls.actions[SIGWINCH].sa_handler = SIG_IGN;  // passing the signal on must not call it
  tui::Terminal terminal = open_terminal(calls);
  auto draw = [&](char32_t symbol) {
    return terminal.try_draw([&](tui::Frame& f) {
      f.buffer().set_symbol(1, 1, symbol);
      f.buffer().set_symbol(70, 20, symbol);  // outside the smaller window
    });
  };
  ASSERT_TRUE(draw(U'a'));
  const int asked = calls.count("window_size");
  calls.window = winsize{10, 40, 0, 0};
  for (int signal = 0; signal < 2; ++signal) {
    calls.actions[SIGWINCH].sa_sigaction(SIGWINCH, nullptr, nullptr);
  }
  std::size_t mark = calls.written.size();
  ASSERT_TRUE(draw(U'b'));
  std::string frame = calls.written.substr(mark);
  EXPECT_TRUE(frame.starts_with("\x1b[?25l\x1b[m\x1b[H\x1b[2J")) << frame;
  EXPECT_EQ(std::count(frame.begin(), frame.end(), 'b'), 1) << "only the cell in the window";
  EXPECT_EQ(calls.count("window_size"), asked + 1) << "asked once, after the change";
  mark = calls.written.size();
  ASSERT_TRUE(draw(U'c'));
  frame = calls.written.substr(mark);
  EXPECT_EQ(frame.find("\x1b[2J"), std::string::npos) << "one whole frame, then changes";
  EXPECT_EQ(std::count(frame.begin(), frame.end(), 'c'), 1);
  EXPECT_EQ(calls.count("window_size"), asked + 1) << "never asked per frame";
}

TEST(Frame, AWindowChangeWhileTheFirstFrameIsHeldIsRepairedAtOnceAndTheWalkKeepsItsTime) {
  FakeSystemCalls calls;
  support::FakeClock clock;
  std::vector<std::string> sent_by_sleep;  // what went out before each sleep
  clock.after_sleep = [&](std::chrono::milliseconds) {
    sent_by_sleep.push_back(std::exchange(calls.written, ""));
    if (clock.elapsed() != 300ms) return;
    calls.window = winsize{10, 40, 0, 0};
    calls.actions[SIGWINCH].sa_sigaction(SIGWINCH, nullptr, nullptr);
  };
  ASSERT_TRUE(tavvik::run_tavvik([&] { return tty::open_device_backend(calls, kXterm); }, clock));
  // The same front view, whole within the window, before the next sleep; then nothing until the
  // walk's first step at 2030 ms, as ever.
  ASSERT_GT(sent_by_sleep.size(), 22u);
  EXPECT_TRUE(sent_by_sleep[3].starts_with("\x1b[?25l\x1b[m\x1b[H\x1b[2J")) << sent_by_sleep[3];
  EXPECT_NE(sent_by_sleep[3].find("WheekHigh"), std::string::npos);
  EXPECT_EQ(sent_by_sleep[3].find("\x1b[11"), std::string::npos) << "nothing below the window";
  for (std::size_t sleep = 4; sleep <= 20; ++sleep) EXPECT_EQ(sent_by_sleep[sleep], "") << sleep;
  EXPECT_NE(sent_by_sleep[21], "") << "the walk's first frame, after 2000 + 30 ms";
}

TEST(Frame, PartialAndInterruptedWritesStillDeliverEverythingInOrder) {
  FakeSystemCalls calls;
  calls.short_writes = true;
  calls.fail("write", EINTR, 2);
  auto backend = tty::open_device_backend(calls, kXterm);
  ASSERT_TRUE(backend) << backend.error().text();
  EXPECT_EQ(calls.written, kModes);
}

TEST(Signals, AWaitCutShortByASignalIsMadeAgainNotAFailure) {
  // A window resize during the wait for a frame's transmission, or during the switch to raw
  // mode, interrupts the call: the animation must go on.
  FakeSystemCalls calls;
  calls.fail("set_attributes", EINTR, 1);
  calls.fail("drain", EINTR, 2);
  tui::Terminal terminal = open_terminal(calls);
  EXPECT_EQ(calls.count("set_attributes"), 2);
  EXPECT_FALSE(calls.attributes.c_lflag & ICANON) << "raw mode applied on the second try";
  auto drawn = terminal.try_draw([](tui::Frame& f) { f.buffer().set_symbol(2, 2, U'a'); });
  EXPECT_TRUE(drawn) << drawn.error().text();
  EXPECT_EQ(calls.count("drain"), 3);
}

}  // namespace
