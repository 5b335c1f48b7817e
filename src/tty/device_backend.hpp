#pragma once

#include <expected>
#include <memory>

#include "tui/backend.hpp"
#include "tui/error.hpp"

namespace tty {

/// Takes over the controlling terminal (/dev/tty) with the real system calls and environment;
/// the returned backend gives the terminal back, as it found it, when destroyed.
std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend();

}  // namespace tty
