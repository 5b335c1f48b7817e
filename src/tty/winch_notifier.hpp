#pragma once

#include <signal.h>

#include <expected>
#include <memory>

#include "tty/owned_fd.hpp"
#include "tui/error.hpp"

namespace tty {

/// Window-change notification: a connected socket pair and a SIGWINCH action that sends one
/// byte into one end without waiting (the other end is non-blocking and only there to be
/// read; nothing reads it, as the screen keeps the size it had when taken over). The action
/// also calls the action that was there before, so a handler the host program set (Python's,
/// say) keeps working meanwhile. Removing it puts that action back, and an action installed
/// after ours is left alone. Only one notifier should be installed at a time.
class WinchNotifier {
 public:
  static std::expected<std::unique_ptr<WinchNotifier>, tui::Error> install(SystemCalls& calls);
  ~WinchNotifier();
  WinchNotifier(const WinchNotifier&) = delete;
  WinchNotifier& operator=(const WinchNotifier&) = delete;

  /// Puts back the earlier action; later calls do nothing. Failures are ignored.
  void remove_action();

 private:
  explicit WinchNotifier(SystemCalls& calls) : calls_(calls) {}

  SystemCalls& calls_;
  OwnedFd sender_;
  OwnedFd receiver_;
  bool installed_ = false;
  struct sigaction previous_ {};
  int previous_target_ = -1;
};

}  // namespace tty
