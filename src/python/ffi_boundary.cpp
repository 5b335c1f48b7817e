#include "python/ffi_boundary.hpp"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace tavvik::python {

namespace {

constexpr std::string_view kFaultWithoutMessage = "internal fault without a message";
constexpr std::string_view kDoubleFault = "uncaught panic at ffi boundary\n";

// Straight to the descriptor: the report must come out even when stdio is in a bad state.
void write_to_stderr(std::string_view text) noexcept {
  while (!text.empty()) {
    const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
    if (written <= 0) return;  // nowhere left to report to
    text.remove_prefix(static_cast<std::size_t>(written));
  }
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
