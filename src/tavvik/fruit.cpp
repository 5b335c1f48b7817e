#include "tavvik/fruit.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tavvik {

namespace {

void paint_outline(const Fruit& fruit, tui::Painter& painter) {
  const std::int64_t r = to_signed_point(fruit.radius);
  if (r < 0) return;
  const double cx = fruit.center_x;
  const double cy = fruit.center_y;
  auto put = [&](std::int64_t dx, std::int64_t dy) {
    painter.paint(to_pixel_index(cx + static_cast<double>(dx)),
                  to_pixel_index(cy + static_cast<double>(dy)), tui::Color::Red);
  };
  std::int64_t x = 0;
  std::int64_t y = r;
  std::int64_t d = 3 - 2 * r;  // 64-bit: a radius near the 32-bit limit must not overflow
  while (x <= y) {
    put(x, y);
    put(-x, y);
    put(x, -y);
    put(-x, -y);
    put(y, x);
    put(-y, x);
    put(y, -x);
    put(-y, -x);
    if (d < 0) {
      d += 4 * x + 6;
    } else {
      d += 4 * (x - y) + 10;
      --y;
    }
    ++x;
  }
}

// Filling from the centre's truncated position over the points within the radius reaches every
// such point, since each row of them is an interval inside the rows nearer the centre; it
// reaches none when that position lies outside. So the disc's points on the canvas are found by
// scanning its bounding box, widened by a pixel against rounding.
void paint_fill(const Fruit& fruit, tui::Painter& painter) {
  const double radius_squared = fruit.radius * fruit.radius;
  const auto inside = [&](double x, double y) {
    const double dx = x - fruit.center_x;
    const double dy = y - fruit.center_y;
    return radius_squared >= dx * dx + dy * dy;
  };
  if (!inside(to_signed_point(fruit.center_x), to_signed_point(fruit.center_y))) return;
  const double reach = std::fabs(fruit.radius) + 1.0;
  const auto span = [reach](double center, std::uint64_t size) {
    return std::pair{to_pixel_index(center - reach),
                     std::min<std::uint64_t>(to_pixel_index(center + reach + 1.0), size)};
  };
  const auto [left, right] = span(fruit.center_x, painter.width());
  const auto [top, bottom] = span(fruit.center_y, painter.height());
  for (std::uint64_t y = top; y < bottom; ++y) {
    for (std::uint64_t x = left; x < right; ++x) {
      if (inside(static_cast<double>(x), static_cast<double>(y))) {
        painter.paint(x, y, tui::Color::Red);
      }
    }
  }
}

void paint_stem(const Fruit& fruit, tui::Painter& painter) {
  const std::int32_t length = std::max(to_signed_point(fruit.radius / 1.5), 0);
  const std::uint64_t x = to_pixel_index(fruit.center_x);
  const double top = fruit.center_y - fruit.radius;
  for (std::int32_t i = 0; i < length; ++i) {
    painter.paint(x, to_pixel_index(top - static_cast<double>(i)), tui::Color::Green);
  }
}

}  // namespace

void Fruit::draw(tui::Painter& painter) const {
  paint_outline(*this, painter);
  paint_fill(*this, painter);
  paint_stem(*this, painter);
}

}  // namespace tavvik
