#pragma once

// What one animation remembers between frames.

#include <chrono>
#include <cstdint>

#include "tui/rect.hpp"

namespace tavvik {

/// Everything one animation remembers between frames. The drawing callback writes `area` and
/// reads the rest; only the loop changes the rest, between frames.
struct AnimationState {
  tui::Rect area{};           ///< the most recent frame's area, the whole terminal
  bool arrived = false;       ///< the sprite has reached the fruit; never cleared again
  double fruit_radius = 3.0;  ///< in canvas pixels
  bool first_frame = true;    ///< only the first frame shows the guinea pig from the front
  std::uint8_t scale = 1;     ///< canvas pixels per sprite pixel
  std::uint64_t x = 0;        ///< canvas column of the sprite's left edge
  bool pose = false;          ///< walking pose, flipped every frame

  /// One step of the walk: flips the pose, moves two columns (back to 0 past twice the width)
  /// and marks the arrival at the fruit. Returns true when this step ends at or past the fruit.
  bool advance();
};

}  // namespace tavvik
