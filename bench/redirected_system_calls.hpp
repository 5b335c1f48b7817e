#pragma once

#include <cstring>

#include "tty/posix/system_calls.hpp"

namespace bench {

/// The real system calls, except that "/dev/tty" is a terminal of the benchmark's choosing,
/// or, with no terminal, a sink that takes every byte at once and waits for nothing.
class RedirectedSystemCalls final : public tty::SystemCalls {
 public:
  /// `terminal_fd` < 0 makes the sink.
  explicit RedirectedSystemCalls(int terminal_fd) : terminal_fd_(terminal_fd) {}

  std::expected<int, int> open(const char* path, int flags) override {
    if (std::strcmp(path, "/dev/tty") != 0) return real().open(path, flags);
    return real().duplicate(terminal_fd_ >= 0 ? terminal_fd_ : sink_fd());
  }
  std::expected<int, int> duplicate(int fd) override { return real().duplicate(fd); }
  Result close(int fd) override { return real().close(fd); }
  Result set_nonblocking(int fd, bool on) override { return real().set_nonblocking(fd, on); }
  Result get_attributes(int fd, termios& attributes) override {
    if (terminal_fd_ < 0) return {};
    return real().get_attributes(fd, attributes);
  }
  Result set_attributes(int fd, int when, const termios& attributes) override {
    if (terminal_fd_ < 0) return {};
    return real().set_attributes(fd, when, attributes);
  }
  Result drain(int fd) override {
    if (terminal_fd_ < 0) return {};
    return real().drain(fd);
  }
  Result window_size(int fd, winsize& size) override {
    if (terminal_fd_ < 0) {
      size = sink_size_;
      return {};
    }
    return real().window_size(fd, size);
  }
  std::expected<std::size_t, int> write(int fd, const char* data, std::size_t size) override {
    if (terminal_fd_ < 0) {
      written_ += size;
      return size;
    }
    return real().write(fd, data, size);
  }
  Result signal_action(int signal, const struct sigaction* action,
                       struct sigaction* previous) override {
    return real().signal_action(signal, action, previous);
  }

  void set_sink_size(unsigned short columns, unsigned short rows) {
    sink_size_.ws_col = columns;
    sink_size_.ws_row = rows;
  }
  std::size_t sink_bytes() const { return written_; }

 private:
  static tty::SystemCalls& real() { return tty::real_system_calls(); }
  static int sink_fd();

  int terminal_fd_;
  winsize sink_size_{};
  std::size_t written_ = 0;
};

}  // namespace bench
