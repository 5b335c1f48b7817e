// The opening of the controlling terminal as the toolkit's backend.
#pragma once

#include <expected>
#include <memory>

#include "tty/posix/system_calls.hpp"
#include "tty/terminfo/environment.hpp"
#include "tui/backend.hpp"
#include "tui/error.hpp"

namespace tty {

/// Takes over the controlling terminal (/dev/tty) with the real system calls and environment,
/// unless its description says it cannot move the cursor (then nothing is touched). A terminal
/// that reports no size is taken to have the size curses programs would assume. Each frame the
/// backend is sent is rendered against what the screen shows, or whole on a cleared screen when
/// asked, after the terminal was taken again and after a window change (then within the window as
/// it is now); it is written once, and waited for once. Destroyed, the backend gives the terminal
/// back as it found it.
std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend();

/// The same over any system calls (which must outlive the backend) and environment.
std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend(
    SystemCalls& calls, const Environment& environment);

}  // namespace tty
