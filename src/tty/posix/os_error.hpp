#pragma once

// Operating-system error numbers as the text users read.

#include <string>
#include <string_view>

#include "tui/error.hpp"

namespace tty {

/// The text of an operating-system error number as users know it from other tools:
/// the C library's description followed by " (os error N)".
std::string os_error_text(int error_number);

/// An expected failure carrying `os_error_text(error_number)`, optionally after a prefix.
tui::Error os_error(int error_number, std::string_view prefix = {});

}  // namespace tty
