#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <vector>

#include "pixel_screen.hpp"

namespace tools {

/// A sprite pixel that shows what lies beneath.
inline constexpr std::uint16_t kClear = 0xFFFF;

/// A picture drawn once and shown wherever a screen needs it; `kClear` pixels are see-through.
struct Sprite {
  int width = 0;
  int height = 0;
  std::vector<std::uint16_t> pixels;  ///< row-major, colour codes as in `PixelScreen`
};

/// A rectangle of pixels: columns `left` to `right - 1`, rows `top` to `bottom - 1`.
struct PixelBox {
  int left = 0, top = 0, right = 0, bottom = 0;
};

/// What one screen shows over the background: sprite `sprite` with its top-left pixel at
/// (x, y), or nothing when `sprite` is -1.
struct Placement {
  int sprite = -1;
  int x = 0;
  int y = 0;
  friend bool operator==(const Placement&, const Placement&) = default;
};

/// Screens taken apart into one background and at most one sprite per screen, cut to
/// `window`. Laying each screen's sprite over the background gives that screen back exactly.
struct LayeredAnimation {
  PixelScreen background;
  PixelBox window;  ///< where sprites show: around every pixel that a screen ever changes
  std::vector<Sprite> sprites;
  std::vector<Placement> placements;  ///< one per screen
};

/// Takes `screens` apart. The background holds, at each pixel, what the screens show there for
/// the longest time (`durations` weigh each screen); what a screen shows otherwise becomes a
/// sprite, reused at another place whenever an earlier sprite moved there reproduces it. Fails
/// when a screen changes a character cell, which no sprite can show.
std::expected<LayeredAnimation, std::string> layer_screens(std::span<const PixelScreen> screens,
                                                           std::span<const long> durations);

}  // namespace tools
