#pragma once

#include <chrono>
#include <expected>
#include <string>
#include <vector>

#include "tui/cell.hpp"
#include "tui/rect.hpp"

namespace tools {

/// One screen as the terminal was sent it, shown from `at` (since the animation began) until
/// the next screen.
struct Shot {
  std::chrono::milliseconds at{};
  std::vector<tui::Cell> cells;  ///< row-major, the whole screen
};

/// A whole animation as a terminal of `size` received it: every screen that was sent, in
/// order, and the moment the terminal was handed back.
struct Recording {
  tui::Size size;
  std::vector<Shot> shots;
  std::chrono::milliseconds end{};
};

/// Plays the animation exactly as `tavvik run` does, on a screen of `size` kept in memory and a
/// clock that moves only when the animation sleeps, so 17 seconds take a moment. A screen sent
/// unchanged is not recorded again.
std::expected<Recording, std::string> record_animation(tui::Size size);

}  // namespace tools
