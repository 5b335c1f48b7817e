#pragma once

// Playing the animation: the command line, the terminal's acquisition and the frame loop.

#include <expected>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tavvik/clock.hpp"
#include "tui/backend.hpp"
#include "tui/error.hpp"

namespace tavvik {

/// Asked before and after every pause, a pause cut short by a caught signal included: true ends
/// the animation at once, the terminal handed back, and the call succeeds. This is how a host
/// acts promptly on signals its own handlers caught; it knows why it asked to stop.
using StopCheck = std::function<bool()>;

/// Plays the animation when `args[1]` is exactly "run"; otherwise writes the usage line to
/// descriptor 1 and succeeds. A failure carries the text the user reads. A usage line that
/// cannot be written for any reason but a closed descriptor throws (an internal fault).
std::expected<void, std::string> run(std::vector<std::string> args,
                                     const StopCheck& stop_requested = {});

/// Makes the backend the animation draws through.
using BackendFactory = std::function<std::expected<std::unique_ptr<tui::Backend>, tui::Error>()>;

/// Takes over the backend's device (the controlling terminal, for `run`), plays the animation
/// for 17 seconds on `clock` and hands the device back; it is released before any failure is
/// returned. Any backend and clock will do, so the timeline can be checked without waiting.
std::expected<void, tui::Error> run_tavvik(const BackendFactory& open_backend, Clock& clock,
                                           const StopCheck& stop_requested = {});

}  // namespace tavvik
