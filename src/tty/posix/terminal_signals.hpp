// The table of signal dispositions the terminal takes while it is held, and their handlers.
#pragma once

#include <signal.h>
#include <termios.h>

#include <array>
#include <cstddef>
#include <memory>
#include <string_view>

#include "tty/posix/system_calls.hpp"

namespace tty {

/// A text that ends with the switch to or from the alternate screen: written whole once the
/// screen has been entered, and only its first `before_screen` bytes while it never was.
struct ScreenSwitchText {
  std::string_view text;
  std::size_t before_screen = 0;
  /// What is written, the screen entered or not. Allocates nothing: handlers call it too.
  std::string_view as_written(bool screen_entered) const {
    return screen_entered ? text : text.substr(0, before_screen);
  }
};

/// What the handlers need to give the terminal back and take it again, fixed before they are
/// installed.
struct SignalTexts {
  int fd = -1;
  ScreenSwitchText give_back;
  ScreenSwitchText take_again;
  termios saved{};
  termios raw{};
};

/// One row of the table of signals: which signal, whether our action replaced what was there,
/// and what that was (for putting it back, and for passing the signal on).
struct TakenSignal {
  int signal = 0;
  bool replaced = false;
  struct sigaction previous {};
};
inline constexpr std::size_t kTakenSignals = 6;

/// While the terminal is held, the signals that end or stop the process hand it back first, and
/// a window change is noted for the next frame. SIGTERM, SIGHUP and SIGQUIT give the terminal
/// back, put the default action back and are raised again, so the process still dies of them;
/// SIGTSTP gives it back and then stops the process; SIGCONT takes it again (raw attributes,
/// modes, alternate screen), as does a stop that the kernel drops (in an orphaned process
/// group); SIGWINCH only raises a flag. Those four are taken only from their default
/// disposition: the application's choice (ignored, or a handler) stands. SIGCONT and SIGWINCH
/// are taken whatever they were, and a handler the application had for them still runs after
/// ours. Every handler calls only write, tcsetattr, sigaction, sigprocmask and raise, on
/// what was prepared before it was installed, and atomic flags. Only one may exist at a time;
/// one installed inside another's lifetime puts the other's state back when it goes.
class TerminalSignals {
 public:
  /// Installs the handlers; a disposition that cannot be read or set is left as it was.
  /// Destroying the result puts back every disposition it replaced, unless the application
  /// replaced ours meanwhile.
  static std::unique_ptr<TerminalSignals> install(SystemCalls& calls, const SignalTexts& texts);
  ~TerminalSignals();
  TerminalSignals(const TerminalSignals&) = delete;
  TerminalSignals& operator=(const TerminalSignals&) = delete;

  /// From now on giving back leaves the alternate screen and taking again enters it.
  void screen_entered();
  /// Whether the terminal was taken again since the last call, so what it shows is unknown.
  bool taken_again();
  /// Whether the window changed since the last call (at the first call: since installation).
  bool window_changed();

  /// Holds the handled signals back on the calling thread while it lives: a handler's text must
  /// never land inside a sequence that is being written.
  class Deferred {
   public:
    Deferred();
    ~Deferred();
    Deferred(const Deferred&) = delete;
    Deferred& operator=(const Deferred&) = delete;

   private:
    sigset_t previous_{};
  };

 private:
  explicit TerminalSignals(SystemCalls& calls) : calls_(calls) {}

  SystemCalls& calls_;
  /// The state of an animation around this one, if any, put back when this one goes.
  struct Outer {
    SignalTexts texts;
    bool screen_entered;
    std::array<TakenSignal, kTakenSignals> taken;
  } outer_{};
};

}  // namespace tty
