#pragma once

// The guinea pig as a canvas shape, in any of its five frames.

#include <cstdint>

#include "tavvik/pixel_conversion.hpp"
#include "tavvik/sprite_frames.hpp"
#include "tui/painter.hpp"

namespace tavvik {

/// The guinea pig as a canvas shape: one of its five frames, painted `scale` canvas pixels per
/// frame pixel with frame row 27 on canvas row `y`. All position arithmetic wraps as unsigned
/// 64-bit values; what lands off the canvas is dropped by the painter.
struct Tavvik final : tui::Shape {
  std::uint64_t x = 0;
  double y = 0.0;
  std::uint8_t scale = 1;
  bool facing_front = false;
  bool pose = false;
  bool carrying = false;

  Tavvik() = default;
  Tavvik(std::uint64_t x_, double y_, std::uint8_t scale_, bool facing_front_, bool pose_,
         bool carrying_)
      : x(x_),
        y(y_),
        scale(scale_),
        facing_front(facing_front_),
        pose(pose_),
        carrying(carrying_) {}

  /// The frame these flags select.
  const SpriteFrame& frame() const;
  void draw(tui::Painter& painter) const override;
};

}  // namespace tavvik
