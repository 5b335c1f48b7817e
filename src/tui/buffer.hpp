#pragma once

// A grid of cells over an area of the screen, and the cells where two grids differ.

#include <cstddef>
#include <span>
#include <vector>

#include "tui/cell.hpp"
#include "tui/rect.hpp"

namespace tui {

/// A grid of cells over an area of the screen, row-major. Positions outside the area are never
/// written: `set` ignores them, so widgets need no clipping of their own.
class Buffer {
 public:
  Buffer() = default;
  explicit Buffer(Rect area) : area_(area), cells_(area.area()) {}

  const Rect& area() const { return area_; }
  std::span<Cell> cells() { return cells_; }
  std::span<const Cell> cells() const { return cells_; }

  bool contains(std::uint32_t x, std::uint32_t y) const {
    return x >= area_.x && y >= area_.y && x < area_.right() && y < area_.bottom();
  }
  /// The cell at absolute position (x, y), which must lie inside the area.
  Cell& at(std::uint16_t x, std::uint16_t y) { return cells_[index_of(x, y)]; }
  const Cell& at(std::uint16_t x, std::uint16_t y) const { return cells_[index_of(x, y)]; }
  /// Writes a symbol at (x, y) keeping the cell's colours; outside the area it does nothing.
  void set_symbol(std::uint32_t x, std::uint32_t y, char32_t symbol) {
    if (contains(x, y)) cells_[index_of(x, y)].symbol = symbol;
  }

  /// Makes every cell blank, keeping the allocation.
  void reset();
  /// Changes the area; every cell becomes blank.
  void resize(Rect area);

  /// Appends to `out`, in row-major order, every cell of this buffer that differs from the cell
  /// at the same position of `previous` (which must cover the same area). `out` keeps its
  /// capacity between frames, so a steady animation allocates nothing here.
  void diff(const Buffer& previous, std::vector<CellUpdate>& out) const;

 private:
  std::size_t index_of(std::uint32_t x, std::uint32_t y) const {
    return std::size_t{y - area_.y} * area_.width + (x - area_.x);
  }

  Rect area_;
  std::vector<Cell> cells_;
};

}  // namespace tui
