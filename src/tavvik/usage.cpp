#include "tavvik/usage.hpp"

#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>

#include "tty/posix/os_error.hpp"
#include "tty/posix/system_calls.hpp"

namespace tavvik {

void print_usage() {
  std::string_view line = USAGE_LINE;
  auto written = tty::write_all(tty::real_system_calls(), STDOUT_FILENO, line);
  if (written) return;
  // A process started with descriptor 1 closed has asked for no output at all.
  if (written.error() == EBADF) return;
  if (written.error() == 0) {
    throw std::runtime_error("failed printing to stdout: failed to write whole buffer");
  }
  // os_error_text, not strerror: the host interpreter may have threads of its own.
  throw std::runtime_error("failed printing to stdout: " + tty::os_error_text(written.error()));
}

}  // namespace tavvik
