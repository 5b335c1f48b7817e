#pragma once

// The operating-system calls of the terminal layer, behind one seam.

#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <cstddef>
#include <expected>
#include <string_view>

namespace tty {

/// The operating-system calls the terminal layer makes, behind one seam so tests can make any
/// of them fail. Every call returns its result or the error number (errno) it failed with.
class SystemCalls {
 public:
  using Result = std::expected<void, int>;

  virtual ~SystemCalls() = default;

  /// open(2) of a path, always close-on-exec.
  virtual std::expected<int, int> open(const char* path, int flags) = 0;
  /// A close-on-exec duplicate of `fd` (fcntl F_DUPFD_CLOEXEC).
  virtual std::expected<int, int> duplicate(int fd) = 0;
  virtual Result close(int fd) = 0;
  virtual Result set_nonblocking(int fd, bool nonblocking) = 0;
  virtual Result get_attributes(int fd, termios& attributes) = 0;
  virtual Result set_attributes(int fd, int when, const termios& attributes) = 0;
  virtual Result drain(int fd) = 0;
  virtual Result window_size(int fd, winsize& size) = 0;
  /// One write(2); may write less than asked.
  virtual std::expected<std::size_t, int> write(int fd, const char* data, std::size_t size) = 0;
  virtual Result signal_action(int signal, const struct sigaction* action,
                               struct sigaction* previous) = 0;
};

/// The calls as the C library makes them.
SystemCalls& real_system_calls();

/// Writes all of `data`, carrying on after partial writes and interrupted calls. On failure it
/// returns the error number, or 0 when a write took nothing without one, and leaves in `data`
/// what was not written. Allocates nothing.
std::expected<void, int> write_all(SystemCalls& calls, int fd, std::string_view& data);

}  // namespace tty
