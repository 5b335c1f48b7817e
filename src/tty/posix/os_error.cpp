#include "tty/posix/os_error.hpp"

#include <string.h>

namespace tty {

namespace {
// glibc offers the GNU strerror_r (returning a pointer) under _GNU_SOURCE and the XSI one
// (returning an int) otherwise; both end up here.
[[maybe_unused]] const char* message_of(const char* result, const char*) {
  return result;
}
[[maybe_unused]] const char* message_of(int result, const char* buffer) {
  return result == 0 ? buffer : nullptr;
}
}  // namespace

std::string os_error_text(int error_number) {
  char buffer[256] = {};
  const char* message = message_of(strerror_r(error_number, buffer, sizeof buffer), buffer);
  std::string text = message != nullptr ? message : "Unknown error";
  text += " (os error ";
  text += std::to_string(error_number);
  text += ')';
  return text;
}

tui::Error os_error(int error_number, std::string_view prefix) {
  std::string text(prefix);
  text += os_error_text(error_number);
  return tui::Error(std::move(text));
}

}  // namespace tty
