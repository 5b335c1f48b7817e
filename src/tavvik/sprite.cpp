#include "tavvik/sprite.hpp"

#include <cmath>
#include <limits>

#include "tavvik/sprite_palette.hpp"

namespace tavvik {

namespace {
// Frame row that stands on the canvas row given as `y`.
constexpr std::uint64_t kAnchorRow = 27;
}  // namespace

std::uint64_t to_pixel_index(double value) {
  if (!(value > 0.0)) return 0;  // negative, zero and NaN
  if (value >= 18446744073709551616.0) return std::numeric_limits<std::uint64_t>::max();
  return static_cast<std::uint64_t>(value);
}

const SpriteFrame& Tavvik::frame() const {
  if (facing_front) return FRONT;
  if (carrying) return pose ? CARRY_LOW : CARRY_HIGH;
  return pose ? STEP_LOW : STEP_HIGH;
}

void Tavvik::draw(tui::Painter& painter) const {
  if (scale == 0) return;
  const SpriteFrame& pixels = frame();
  const std::uint64_t s = scale;
  const std::uint64_t top = to_pixel_index(y) - kAnchorRow;  // wraps above the canvas
  for (std::uint64_t i = 0; i < SPRITE_SIZE; ++i) {
    for (std::uint64_t j = 0; j < SPRITE_SIZE; ++j) {
      const auto color = sprite_color(pixels[i * SPRITE_SIZE + j]);
      if (!color) continue;
      for (std::uint64_t k = 0; k < s; ++k) {
        for (std::uint64_t l = 0; l < s; ++l) painter.paint(x + s * j + l, top + s * i + k, *color);
      }
    }
  }
}

}  // namespace tavvik
