#pragma once

// A file descriptor closed by its owner.

#include <utility>

#include "tty/posix/system_calls.hpp"

namespace tty {

/// A descriptor that is closed (through the seam, errors ignored) when its owner goes away.
class OwnedFd {
 public:
  OwnedFd() = default;
  OwnedFd(SystemCalls& calls, int fd) : calls_(&calls), fd_(fd) {}
  OwnedFd(OwnedFd&& other) noexcept : calls_(other.calls_), fd_(std::exchange(other.fd_, -1)) {}
  OwnedFd& operator=(OwnedFd&& other) noexcept {
    if (this != &other) {
      reset();
      calls_ = other.calls_;
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  OwnedFd(const OwnedFd&) = delete;
  OwnedFd& operator=(const OwnedFd&) = delete;
  ~OwnedFd() { reset(); }

  int get() const { return fd_; }
  void reset() {
    if (fd_ >= 0) (void)calls_->close(std::exchange(fd_, -1));
  }

 private:
  SystemCalls* calls_ = nullptr;
  int fd_ = -1;
};

}  // namespace tty
