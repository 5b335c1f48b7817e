#pragma once

// Shapes and the painter they paint onto a canvas through.

#include <cstdint>

#include "tui/color.hpp"
#include "tui/half_block_grid.hpp"

namespace tui {

/// The handle a shape paints through: later paints replace earlier ones, and points outside
/// the grid are dropped, so shapes never clip for themselves.
class Painter {
 public:
  explicit Painter(HalfBlockGrid& grid) : grid_(grid) {}
  void paint(std::uint64_t x, std::uint64_t y, Color color) { grid_.paint(x, y, color); }
  std::uint16_t width() const { return grid_.width(); }
  std::uint32_t height() const { return grid_.height(); }

 private:
  HalfBlockGrid& grid_;
};

/// Something that can paint itself onto a canvas, addressing pixels by index.
class Shape {
 public:
  virtual ~Shape() = default;
  virtual void draw(Painter& painter) const = 0;
};

}  // namespace tui
