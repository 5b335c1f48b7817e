#pragma once

#include <signal.h>

namespace tty {

/// Whether `action` runs a function of its own, rather than the default or nothing.
inline bool runs_function(const struct sigaction& action) {
  if (action.sa_flags & SA_SIGINFO) return action.sa_sigaction != nullptr;
  return action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN &&
         action.sa_handler != nullptr;
}

/// Whether `action` is the SA_SIGINFO handler `handler`.
inline bool is_handler(const struct sigaction& action, void (*handler)(int, siginfo_t*, void*)) {
  return (action.sa_flags & SA_SIGINFO) && action.sa_sigaction == handler;
}

/// Calls the function `action` runs, if any: how a handler of ours passes the signal on to the
/// one it replaced, so that the host program's still works. Async-signal-safe.
inline void pass_on(const struct sigaction& action, int signal, siginfo_t* info, void* context) {
  if (!runs_function(action)) return;
  if (action.sa_flags & SA_SIGINFO) {
    action.sa_sigaction(signal, info, context);
  } else {
    action.sa_handler(signal);
  }
}

}  // namespace tty
