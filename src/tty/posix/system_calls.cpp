#include "tty/posix/system_calls.hpp"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "tty/posix/interrupted.hpp"

namespace tty {

namespace {

SystemCalls::Result check(int status) {
  if (status == -1) return std::unexpected(errno);
  return {};
}

/// The C library behind the seam.
class RealSystemCalls final : public SystemCalls {
 public:
  std::expected<int, int> open(const char* path, int flags) override {
    const int fd = ::open(path, flags | O_CLOEXEC);
    if (fd == -1) return std::unexpected(errno);
    return fd;
  }
  std::expected<int, int> duplicate(int fd) override {
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy == -1) return std::unexpected(errno);
    return copy;
  }
  Result close(int fd) override { return check(::close(fd)); }
  Result set_nonblocking(int fd, bool nonblocking) override {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags == -1) return std::unexpected(errno);
    const int wanted = nonblocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return check(::fcntl(fd, F_SETFL, wanted));
  }
  Result get_attributes(int fd, termios& attributes) override {
    return check(::tcgetattr(fd, &attributes));
  }
  Result set_attributes(int fd, int when, const termios& attributes) override {
    return check(::tcsetattr(fd, when, &attributes));
  }
  Result drain(int fd) override { return check(::tcdrain(fd)); }
  Result window_size(int fd, winsize& size) override {
    return check(::ioctl(fd, TIOCGWINSZ, &size));
  }
  std::expected<std::size_t, int> write(int fd, const char* data, std::size_t size) override {
    const ssize_t written = ::write(fd, data, size);
    if (written == -1) return std::unexpected(errno);
    return static_cast<std::size_t>(written);
  }
  Result signal_action(int signal, const struct sigaction* action,
                       struct sigaction* previous) override {
    return check(::sigaction(signal, action, previous));
  }
};

}  // namespace

SystemCalls& real_system_calls() {
  static RealSystemCalls calls;
  return calls;
}

std::expected<void, int> write_all(SystemCalls& calls, int fd, std::string_view& data) {
  while (!data.empty()) {
    auto written = retrying_interrupted([&] { return calls.write(fd, data.data(), data.size()); });
    if (!written) return std::unexpected(written.error());
    // A descriptor that takes nothing without saying why would make this loop spin forever.
    if (*written == 0) return std::unexpected(0);
    data.remove_prefix(*written);
  }
  return {};
}

}  // namespace tty
