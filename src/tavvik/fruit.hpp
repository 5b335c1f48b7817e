#pragma once

// The red fruit the guinea pig walks to, as a canvas shape.

#include <cstdint>

#include "tavvik/pixel_conversion.hpp"
#include "tui/painter.hpp"

namespace tavvik {

/// The loose fruit as a canvas shape: a red disc (a midpoint-circle outline, then a fill
/// bounded by distance from the centre) with a green stem rising from its top. Coordinates are
/// canvas pixels; whatever lands off the canvas is dropped by the painter.
struct Fruit final : tui::Shape {
  double center_x = 0.0;
  double center_y = 0.0;
  double radius = 0.0;

  Fruit() = default;
  Fruit(double center_x_, double center_y_, double radius_)
      : center_x(center_x_), center_y(center_y_), radius(radius_) {}

  void draw(tui::Painter& painter) const override;
};

}  // namespace tavvik
