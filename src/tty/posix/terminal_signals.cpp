#include "tty/posix/terminal_signals.hpp"

#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "tty/posix/interrupted.hpp"

namespace tty {

namespace {

/// How a row of the table treats what it finds: take it only from the default disposition, or
/// take it whatever it is and pass the signal on to what was there.
enum class Takes { FromDefault, Always };

void on_fatal(int signal, siginfo_t* info, void* context);
void on_stop(int signal, siginfo_t* info, void* context);
void on_continue(int signal, siginfo_t* info, void* context);
void on_window_change(int signal, siginfo_t* info, void* context);

struct Row {
  int signal;
  Takes takes;
  void (*handler)(int, siginfo_t*, void*);
};

enum Index : std::size_t { kTerm, kHangUp, kQuit, kStop, kContinue, kWindow };

// clang-format off
constexpr Row kTable[kTakenSignals] = {
    {SIGTERM,  Takes::FromDefault, on_fatal},
    {SIGHUP,   Takes::FromDefault, on_fatal},
    {SIGQUIT,  Takes::FromDefault, on_fatal},
    {SIGTSTP,  Takes::FromDefault, on_stop},
    {SIGCONT,  Takes::Always,      on_continue},
    {SIGWINCH, Takes::Always,      on_window_change},
};
// clang-format on

// The handlers can only reach what is global. Everything here is written before they are
// installed, but for the flags, which are atomic.
// NOLINTBEGIN(cppcoreguidelines-avoid-non-const-global-variables)
SignalTexts g_texts;
std::atomic<bool> g_screen_entered{false};
std::atomic<bool> g_taken_again{false};
std::atomic<bool> g_window_changed{false};
std::atomic<unsigned> g_continued{0};
sigset_t g_stop_set;
const struct sigaction g_default_action {};  // SIG_DFL
struct sigaction g_ours[kTakenSignals];
std::array<TakenSignal, kTakenSignals> g_taken;
// NOLINTEND(cppcoreguidelines-avoid-non-const-global-variables)

sigset_t handled_signals() {
  sigset_t set;
  sigemptyset(&set);
  for (const Row& row : kTable) sigaddset(&set, row.signal);
  return set;
}

bool runs_function(const struct sigaction& action) {
  if (action.sa_flags & SA_SIGINFO) return action.sa_sigaction != nullptr;
  return action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN;
}

bool same_function(const struct sigaction& a, const struct sigaction& b) {
  if ((a.sa_flags & SA_SIGINFO) != (b.sa_flags & SA_SIGINFO)) return false;
  return (a.sa_flags & SA_SIGINFO) ? a.sa_sigaction == b.sa_sigaction
                                   : a.sa_handler == b.sa_handler;
}

/// Changes the calling thread's signal mask, async-signal-safely. sigprocmask rather than
/// pthread_sigmask: glibc's is the same per-thread rt_sigprocmask call, but an older symbol (2.2.5
/// against 2.32), so the module still loads on the systems of its wheels' manylinux_2_28 tag.
void change_thread_mask(int how, const sigset_t* set, sigset_t* previous) {
  ::sigprocmask(how, set, previous);  // NOLINT(concurrency-mt-unsafe): per thread in glibc
}

bool is_default(const struct sigaction& action) {
  return !(action.sa_flags & SA_SIGINFO) && action.sa_handler == SIG_DFL;
}

/// Calls what the row found, if it runs a function: the application's handler keeps working.
void pass_on(Index row, int signal, siginfo_t* info, void* context) {
  const struct sigaction& previous = g_taken[row].previous;
  if (!runs_function(previous)) return;
  if (previous.sa_flags & SA_SIGINFO) {
    previous.sa_sigaction(signal, info, context);
  } else {
    previous.sa_handler(signal);
  }
}

/// write(2) until all is out or the terminal refuses; nothing else is possible in a handler.
void write_whole(std::string_view text) {
  while (!text.empty()) {
    const ssize_t written =
        retrying_interrupted([&] { return ::write(g_texts.fd, text.data(), text.size()); });
    if (written <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

void write_whole(const ScreenSwitchText& text) {
  write_whole(text.as_written(g_screen_entered.load(std::memory_order_relaxed)));
}

void give_back() {
  write_whole(g_texts.give_back);
  ::tcsetattr(g_texts.fd, TCSANOW, &g_texts.saved);
}

void take_again() {
  // In the background this stops the process (SIGTTOU) until it is brought to the foreground.
  ::tcsetattr(g_texts.fd, TCSANOW, &g_texts.raw);
  write_whole(g_texts.take_again);
  g_taken_again.store(true, std::memory_order_relaxed);
}

void on_fatal(int signal, siginfo_t*, void*) {
  give_back();
  ::sigaction(signal, &g_default_action, nullptr);
  // Held back while this handler runs; once it returns the default action ends the process.
  (void)::raise(signal);
}

void on_stop(int signal, siginfo_t*, void*) {
  const int saved_errno = errno;
  give_back();
  ::sigaction(signal, &g_default_action, nullptr);
  const unsigned continued = g_continued.load(std::memory_order_relaxed);
  change_thread_mask(SIG_UNBLOCK, &g_stop_set, nullptr);
  // The process stops here, and on_continue runs as it goes on.
  (void)::raise(signal);
  change_thread_mask(SIG_BLOCK, &g_stop_set, nullptr);
  ::sigaction(signal, &g_ours[kStop], nullptr);
  // The kernel drops the stop in a process group that no shell watches over: go on at once.
  if (g_continued.load(std::memory_order_relaxed) == continued) take_again();
  errno = saved_errno;
}

void on_continue(int signal, siginfo_t* info, void* context) {
  const int saved_errno = errno;
  g_continued.fetch_add(1, std::memory_order_relaxed);
  take_again();
  pass_on(kContinue, signal, info, context);
  errno = saved_errno;
}

void on_window_change(int signal, siginfo_t* info, void* context) {
  const int saved_errno = errno;
  g_window_changed.store(true, std::memory_order_relaxed);
  pass_on(kWindow, signal, info, context);
  errno = saved_errno;
}

/// Our action for a row: SA_RESTART, and the other handled signals held back while it runs.
struct sigaction action_for(const Row& row) {
  struct sigaction action {};
  action.sa_mask = handled_signals();
  action.sa_flags = SA_RESTART | SA_SIGINFO;
  action.sa_sigaction = row.handler;
  // Continuing must reach its handler while the stop's handler waits in raise.
  if (row.signal == SIGTSTP) sigdelset(&action.sa_mask, SIGCONT);
  return action;
}

}  // namespace

std::unique_ptr<TerminalSignals> TerminalSignals::install(SystemCalls& calls,
                                                          const SignalTexts& texts) {
  std::unique_ptr<TerminalSignals> signals(new TerminalSignals(calls));
  signals->outer_ = Outer{g_texts, g_screen_entered, g_taken};
  g_texts = texts;
  g_screen_entered = false;
  g_taken_again = false;
  // The window may have changed since it was measured, before the handler was there to see it.
  g_window_changed = true;
  sigemptyset(&g_stop_set);
  sigaddset(&g_stop_set, SIGTSTP);
  for (std::size_t i = 0; i < kTakenSignals; ++i) {
    const Row& row = kTable[i];
    g_ours[i] = action_for(row);
    struct sigaction found {};
    const bool known = calls.signal_action(row.signal, nullptr, &found).has_value();
    if (known && same_function(found, g_ours[i])) {
      // Ours already, from an animation around this one: its signal is still passed on, and
      // that animation puts it back.
      g_taken[i].replaced = false;
    } else if (!known || (row.takes == Takes::FromDefault && !is_default(found))) {
      g_taken[i] = TakenSignal{row.signal, false, {}};
    } else {
      // The handler must see what it passes the signal on to before it can first run.
      g_taken[i] = TakenSignal{row.signal, false, found};
      g_taken[i].replaced = calls.signal_action(row.signal, &g_ours[i], nullptr).has_value();
    }
  }
  return signals;
}

TerminalSignals::~TerminalSignals() {
  for (std::size_t i = kTakenSignals; i-- > 0;) {
    if (!g_taken[i].replaced) continue;
    struct sigaction current {};
    // Someone who replaced our action after us keeps theirs.
    if (calls_.signal_action(g_taken[i].signal, nullptr, &current) &&
        same_function(current, g_ours[i])) {
      (void)calls_.signal_action(g_taken[i].signal, &g_taken[i].previous, nullptr);
    }
  }
  g_texts = outer_.texts;
  g_screen_entered = outer_.screen_entered;
  g_taken = outer_.taken;
}

void TerminalSignals::screen_entered() {
  g_screen_entered.store(true, std::memory_order_relaxed);
}

bool TerminalSignals::taken_again() {
  return g_taken_again.exchange(false, std::memory_order_relaxed);
}

bool TerminalSignals::window_changed() {
  return g_window_changed.exchange(false, std::memory_order_relaxed);
}

TerminalSignals::Deferred::Deferred() {
  static const sigset_t handled = handled_signals();
  change_thread_mask(SIG_BLOCK, &handled, &previous_);
}

TerminalSignals::Deferred::~Deferred() {
  change_thread_mask(SIG_SETMASK, &previous_, nullptr);
}

}  // namespace tty
