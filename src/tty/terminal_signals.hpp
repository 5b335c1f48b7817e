#pragma once

#include <signal.h>
#include <termios.h>

#include <array>
#include <cstddef>
#include <memory>
#include <string_view>

#include "tty/system_calls.hpp"

namespace tty {

/// What the signal handlers need to give the terminal back and take it again, fixed before they
/// are installed. Each text is written whole once the alternate screen has been entered, and
/// only its first `*_before_screen` bytes before that.
struct SignalTexts {
  int fd = -1;
  std::string_view give_back;
  std::size_t give_back_before_screen = 0;
  std::string_view take_again;
  std::size_t take_again_before_screen = 0;
  termios saved{};
  termios raw{};
};

/// While the terminal is taken, the signals that end or stop the process hand it back first.
/// SIGTERM, SIGHUP and SIGQUIT give the terminal back, put the default action back and are
/// raised again, so the process still dies of them; SIGTSTP gives it back and then stops the
/// process; SIGCONT takes it again (raw attributes, modes, alternate screen) and marks the
/// screen for a full redraw, as does a stop that the kernel drops (in an orphaned process
/// group). Only default dispositions are taken over: one the application chose (ignored, or
/// its own handler) is left alone, and a SIGCONT handler of its own still runs after ours. The
/// handlers call only write, tcsetattr, sigaction, pthread_sigmask and raise, on what was
/// prepared before them. Only one may exist at a time.
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

  /// Holds these signals back on the calling thread while it lives: a handler's text must never
  /// land inside a sequence that is being written.
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
  /// Sets `action` for `signal`, remembering what it replaces; a failure leaves it as it was.
  void take_over(int signal, const struct sigaction& action);
  /// The same, only when the disposition is the default: the application's choice stands.
  void take_over_default(int signal, const struct sigaction& action);

  SystemCalls& calls_;
  struct Replaced {
    int signal;
    struct sigaction previous;
    struct sigaction ours;
  };
  std::array<Replaced, 5> replaced_{};
  std::size_t replaced_count_ = 0;
  /// What the handlers used before these were installed, put back with the dispositions.
  struct Outer {
    SignalTexts texts;
    bool screen_entered;
    struct sigaction continue_chained;
  } outer_{};
};

}  // namespace tty
