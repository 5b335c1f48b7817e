#include "tavvik/usage.hpp"

#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>

#include "tty/os_error.hpp"

namespace tavvik {

void print_usage() {
  const char* data = USAGE_LINE;
  std::size_t left = sizeof(USAGE_LINE) - 1;
  while (left > 0) {
    const ssize_t written = ::write(STDOUT_FILENO, data, left);
    if (written > 0) {
      data += written;
      left -= static_cast<std::size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    // A process started with descriptor 1 closed has asked for no output at all.
    if (written < 0 && errno == EBADF) return;
    if (written == 0)
      throw std::runtime_error("failed printing to stdout: failed to write whole buffer");
    // os_error_text, not strerror: the host interpreter may have threads of its own.
    throw std::runtime_error("failed printing to stdout: " + tty::os_error_text(errno));
  }
}

}  // namespace tavvik
