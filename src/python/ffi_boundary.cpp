#include "python/ffi_boundary.hpp"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tty/posix/system_calls.hpp"

namespace tavvik::python {

namespace {

constexpr std::string_view kFaultWithoutMessage = "internal fault without a message";
constexpr std::string_view kDoubleFault = "uncaught panic at ffi boundary\n";

// Straight to the descriptor: the report must come out even when stdio is in a bad state. A
// failure leaves nowhere to report to.
void write_to_stderr(std::string_view text) noexcept {
  (void)tty::write_all(tty::real_system_calls(), STDERR_FILENO, text);
}

}  // namespace

PyObject* raise_panic(std::string_view message) noexcept {
  try {
    const std::string text(message.empty() ? kFaultWithoutMessage : message);
    write_to_stderr("tavvik_pypi: internal fault: " + text + "\n");
    PyError::lazy(ErrorKind::panic, text).restore();
  } catch (...) {
    write_to_stderr(kDoubleFault);
    std::abort();
  }
  return nullptr;
}

}  // namespace tavvik::python
