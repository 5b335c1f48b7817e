#include "tavvik/sprite.hpp"

#include <array>
#include <cstddef>

#include "tavvik/sprite_palette.hpp"

namespace tavvik {

namespace {
// Frame row that stands on the canvas row given as `y`.
constexpr std::uint64_t kAnchorRow = 27;

/// The painted pixels of a frame with their colours, in row-major order: most of a frame is
/// see-through, and looking every pixel up in the palette each time would cost more than the
/// painting.
struct OpaquePixels {
  struct Pixel {
    std::uint8_t row;
    std::uint8_t column;
    tui::Color color;
  };
  std::array<Pixel, std::size_t{SPRITE_SIZE} * SPRITE_SIZE> pixels{};
  std::size_t count = 0;

  explicit OpaquePixels(const SpriteFrame& frame) {
    for (int i = 0; i < SPRITE_SIZE; ++i) {
      for (int j = 0; j < SPRITE_SIZE; ++j) {
        if (const auto color = sprite_color(frame[i * SPRITE_SIZE + j])) {
          pixels[count++] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(j), *color};
        }
      }
    }
  }
};

/// The opaque pixels of one of the five frames, worked out once on first use.
const OpaquePixels& opaque_pixels(const SpriteFrame& frame) {
  static const OpaquePixels front(FRONT), step_low(STEP_LOW), step_high(STEP_HIGH),
      carry_low(CARRY_LOW), carry_high(CARRY_HIGH);
  if (&frame == &FRONT) return front;
  if (&frame == &STEP_LOW) return step_low;
  if (&frame == &STEP_HIGH) return step_high;
  if (&frame == &CARRY_LOW) return carry_low;
  return carry_high;
}
}  // namespace

const SpriteFrame& Tavvik::frame() const {
  if (facing_front) return FRONT;
  if (carrying) return pose ? CARRY_LOW : CARRY_HIGH;
  return pose ? STEP_LOW : STEP_HIGH;
}

void Tavvik::draw(tui::Painter& painter) const {
  if (scale == 0) return;
  const OpaquePixels& pixels = opaque_pixels(frame());
  const std::uint64_t s = scale;
  const std::uint64_t top = to_pixel_index(y) - kAnchorRow;  // wraps above the canvas
  for (std::size_t n = 0; n < pixels.count; ++n) {
    const auto& pixel = pixels.pixels[n];
    const std::uint64_t i = pixel.row;
    const std::uint64_t j = pixel.column;
    for (std::uint64_t k = 0; k < s; ++k) {
      for (std::uint64_t l = 0; l < s; ++l) {
        painter.paint(x + s * j + l, top + s * i + k, pixel.color);
      }
    }
  }
}

}  // namespace tavvik
