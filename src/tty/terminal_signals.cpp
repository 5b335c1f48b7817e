#include "tty/terminal_signals.hpp"

#include <errno.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>

#include "tty/signal_action.hpp"

namespace tty {

namespace {

// The handlers can only reach what is global. Everything here is written before they are
// installed, but for the flags, which are atomic.
// NOLINTBEGIN(cppcoreguidelines-avoid-non-const-global-variables)
SignalTexts g_texts;
std::atomic<bool> g_screen_entered{false};
std::atomic<bool> g_taken_again{false};
std::atomic<unsigned> g_continued{0};
sigset_t g_stop_set;
struct sigaction g_default_action {};
struct sigaction g_stop_action {};
struct sigaction g_continue_chained {};
// NOLINTEND(cppcoreguidelines-avoid-non-const-global-variables)

sigset_t handled_signals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : {SIGTERM, SIGHUP, SIGQUIT, SIGTSTP, SIGCONT}) sigaddset(&set, signal);
  return set;
}

/// write(2) until all is out or the terminal refuses; nothing else is possible in a handler.
void write_whole(std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(g_texts.fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

std::string_view prepared(std::string_view text, std::size_t before_screen) {
  return g_screen_entered.load(std::memory_order_relaxed) ? text : text.substr(0, before_screen);
}

void give_back() {
  write_whole(prepared(g_texts.give_back, g_texts.give_back_before_screen));
  ::tcsetattr(g_texts.fd, TCSANOW, &g_texts.saved);
}

void on_fatal(int signal) {
  give_back();
  ::sigaction(signal, &g_default_action, nullptr);
  // Held back while this handler runs; once it returns the default action ends the process.
  (void)::raise(signal);
}

void take_again() {
  // In the background this stops the process (SIGTTOU) until it is brought to the foreground.
  ::tcsetattr(g_texts.fd, TCSANOW, &g_texts.raw);
  write_whole(prepared(g_texts.take_again, g_texts.take_again_before_screen));
  g_taken_again.store(true, std::memory_order_relaxed);
}

void on_stop(int signal) {
  const int saved_errno = errno;
  give_back();
  ::sigaction(signal, &g_default_action, nullptr);
  const unsigned continued = g_continued.load(std::memory_order_relaxed);
  ::pthread_sigmask(SIG_UNBLOCK, &g_stop_set, nullptr);
  // The process stops here, and on_continue runs as it goes on.
  (void)::raise(signal);
  ::pthread_sigmask(SIG_BLOCK, &g_stop_set, nullptr);
  ::sigaction(signal, &g_stop_action, nullptr);
  // The kernel drops the stop in a process group that no shell watches over: go on at once.
  if (g_continued.load(std::memory_order_relaxed) == continued) take_again();
  errno = saved_errno;
}

void on_continue(int signal, siginfo_t* info, void* context) {
  const int saved_errno = errno;
  g_continued.fetch_add(1, std::memory_order_relaxed);
  take_again();
  pass_on(g_continue_chained, signal, info, context);
  errno = saved_errno;
}

struct sigaction action_for(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_mask = handled_signals();
  action.sa_flags = SA_RESTART;
  return action;
}

}  // namespace

std::unique_ptr<TerminalSignals> TerminalSignals::install(SystemCalls& calls,
                                                          const SignalTexts& texts) {
  std::unique_ptr<TerminalSignals> signals(new TerminalSignals(calls));
  // An animation started from inside another's signal handler must leave the other's as it was.
  signals->outer_ = Outer{g_texts, g_screen_entered, g_continue_chained};
  g_texts = texts;
  g_screen_entered = false;
  g_taken_again = false;
  g_default_action = action_for(SIG_DFL);
  g_stop_action = action_for(on_stop);
  // Continuing must reach its handler while the stop's handler waits in raise.
  sigdelset(&g_stop_action.sa_mask, SIGCONT);
  sigemptyset(&g_stop_set);
  sigaddset(&g_stop_set, SIGTSTP);
  g_continue_chained = {};
  for (const int fatal : {SIGTERM, SIGHUP, SIGQUIT}) {
    signals->take_over_default(fatal, action_for(on_fatal));
  }
  signals->take_over_default(SIGTSTP, g_stop_action);
  struct sigaction current {};
  if (calls.signal_action(SIGCONT, nullptr, &current)) {
    // The process continues whatever the disposition; a handler of the application's still runs.
    if (!is_handler(current, on_continue)) g_continue_chained = current;
    struct sigaction action = action_for(nullptr);
    action.sa_sigaction = on_continue;
    action.sa_flags |= SA_SIGINFO;
    signals->take_over(SIGCONT, action);
  }
  return signals;
}

void TerminalSignals::take_over(int signal, const struct sigaction& action) {
  struct sigaction previous {};
  if (calls_.signal_action(signal, &action, &previous)) {
    replaced_[replaced_count_++] = Replaced{signal, previous, action};
  }
}

void TerminalSignals::take_over_default(int signal, const struct sigaction& action) {
  struct sigaction current {};
  if (calls_.signal_action(signal, nullptr, &current) && !(current.sa_flags & SA_SIGINFO) &&
      current.sa_handler == SIG_DFL) {
    take_over(signal, action);
  }
}

TerminalSignals::~TerminalSignals() {
  for (std::size_t i = replaced_count_; i-- > 0;) {
    const Replaced& replaced = replaced_[i];
    struct sigaction current {};
    // Someone who replaced our action after us keeps theirs.
    if (calls_.signal_action(replaced.signal, nullptr, &current) &&
        current.sa_handler == replaced.ours.sa_handler) {
      (void)calls_.signal_action(replaced.signal, &replaced.previous, nullptr);
    }
  }
  g_texts = outer_.texts;
  g_screen_entered = outer_.screen_entered;
  g_continue_chained = outer_.continue_chained;
}

void TerminalSignals::screen_entered() {
  g_screen_entered.store(true, std::memory_order_relaxed);
}

bool TerminalSignals::taken_again() {
  return g_taken_again.exchange(false, std::memory_order_relaxed);
}

TerminalSignals::Deferred::Deferred() {
  static const sigset_t handled = handled_signals();
  pthread_sigmask(SIG_BLOCK, &handled, &previous_);
}

TerminalSignals::Deferred::~Deferred() {
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

}  // namespace tty
