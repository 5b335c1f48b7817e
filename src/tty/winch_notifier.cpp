#include "tty/winch_notifier.hpp"

#include <errno.h>
#include <sys/socket.h>

#include <atomic>

#include "tty/os_error.hpp"
#include "tty/signal_action.hpp"

namespace tty {

namespace {

// The handler can only reach what is global; a descriptor number is all it needs.
// NOLINTBEGIN(cppcoreguidelines-avoid-non-const-global-variables)
std::atomic<int> g_target{-1};
// The action found when ours was installed, so that it still runs.
struct sigaction g_chained {};
// NOLINTEND(cppcoreguidelines-avoid-non-const-global-variables)

void on_window_change(int signal, siginfo_t* info, void* context) {
  const int saved_errno = errno;
  const int fd = g_target.load(std::memory_order_relaxed);
  if (fd >= 0) {
    const char byte = 1;
    (void)::send(fd, &byte, 1, MSG_DONTWAIT | MSG_NOSIGNAL);
  }
  pass_on(g_chained, signal, info, context);
  errno = saved_errno;
}

}  // namespace

std::expected<std::unique_ptr<WinchNotifier>, tui::Error> WinchNotifier::install(
    SystemCalls& calls) {
  std::unique_ptr<WinchNotifier> notifier(new WinchNotifier(calls));
  int fds[2] = {-1, -1};
  if (auto made = calls.socket_pair(fds); !made) return std::unexpected(os_error(made.error()));
  notifier->receiver_ = OwnedFd(calls, fds[0]);
  notifier->sender_ = OwnedFd(calls, fds[1]);

  struct sigaction action {};
  action.sa_sigaction = on_window_change;
  action.sa_flags = SA_SIGINFO | SA_RESTART;
  sigemptyset(&action.sa_mask);
  struct sigaction previous {};
  if (auto found = calls.signal_action(SIGWINCH, nullptr, &previous); !found) {
    return std::unexpected(os_error(found.error()));
  }
  // The handler must see its target and the action it passes the signal on to before it can
  // first run.
  if (!is_handler(previous, on_window_change)) g_chained = previous;
  notifier->previous_target_ = g_target.exchange(notifier->sender_.get());
  if (auto set = calls.signal_action(SIGWINCH, &action, &previous); !set) {
    g_target.store(notifier->previous_target_);
    return std::unexpected(os_error(set.error()));
  }
  notifier->previous_ = previous;
  notifier->installed_ = true;

  if (auto nonblocking = calls.set_nonblocking(notifier->receiver_.get(), true); !nonblocking) {
    return std::unexpected(tui::Error("failed to change non-blocking mode"));
  }
  return notifier;
}

void WinchNotifier::remove_action() {
  if (!installed_) return;
  installed_ = false;
  struct sigaction current {};
  // Someone who replaced our action after us keeps theirs.
  if (calls_.signal_action(SIGWINCH, nullptr, &current) && is_handler(current, on_window_change)) {
    (void)calls_.signal_action(SIGWINCH, &previous_, nullptr);
  }
  g_target.store(previous_target_);
}

WinchNotifier::~WinchNotifier() {
  remove_action();
}

}  // namespace tty
