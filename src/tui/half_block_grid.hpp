#pragma once

// The pixels of a half-block canvas: two per cell.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "tui/color.hpp"

namespace tui {

/// Pixels for a canvas drawn with half blocks: one pixel column per cell and two pixel rows per
/// cell (upper half, lower half). A `Reset` pixel is unpainted.
class HalfBlockGrid {
 public:
  HalfBlockGrid() = default;
  HalfBlockGrid(std::uint16_t columns, std::uint32_t rows) { resize(columns, rows); }

  /// Resizes to `columns` x `rows` pixels, all unpainted; keeps the allocation when it fits.
  void resize(std::uint16_t columns, std::uint32_t rows) {
    width_ = columns;
    height_ = rows;
    pixels_.assign(std::size_t{columns} * rows, Color::Reset);
  }

  std::uint16_t width() const { return width_; }
  std::uint32_t height() const { return height_; }
  /// Pixel (x, y) takes `color` when it lies inside the grid; any other position is dropped.
  void paint(std::uint64_t x, std::uint64_t y, Color color) {
    if (x < width_ && y < height_) pixels_[y * width_ + x] = color;
  }
  Color at(std::uint32_t x, std::uint32_t y) const { return pixels_[std::size_t{y} * width_ + x]; }
  /// The pixels of row `y` (which must lie inside the grid), left to right.
  std::span<const Color> row(std::uint32_t y) const {
    return {pixels_.data() + std::size_t{y} * width_, width_};
  }
  /// Makes rows `first` to `first + count - 1` unpainted: painting touches only a band of the
  /// grid, so only that band needs blanking.
  void clear_rows(std::uint32_t first, std::uint32_t count) {
    std::fill_n(pixels_.begin() + static_cast<std::ptrdiff_t>(std::size_t{first} * width_),
                std::size_t{count} * width_, Color::Reset);
  }

 private:
  std::uint16_t width_ = 0;
  std::uint32_t height_ = 0;
  std::vector<Color> pixels_;
};

}  // namespace tui
