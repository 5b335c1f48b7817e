#pragma once

// Half-block cells and the saved pictures of a canvas.

#include <vector>

#include "tui/buffer.hpp"
#include "tui/cell.hpp"
#include "tui/color.hpp"
#include "tui/half_block_grid.hpp"
#include "tui/rect.hpp"

namespace tui {

inline constexpr char32_t kUpperHalfBlock = U'▀';
inline constexpr char32_t kLowerHalfBlock = U'▄';
inline constexpr char32_t kFullBlock = U'█';

/// The cell showing an upper and a lower pixel: a space when both are unpainted (`Reset`),
/// otherwise a half or full block whose unpainted side stays in the default colour.
constexpr Cell half_block_cell(Color upper, Color lower) {
  if (upper.is_reset()) {
    if (lower.is_reset()) return Cell{};
    return Cell{kLowerHalfBlock, lower, Color::Reset};
  }
  if (lower == upper) return Cell{kFullBlock, upper, upper};
  return Cell{kUpperHalfBlock, upper, lower};
}

/// A saved canvas picture: one symbol and colour pair per cell, row-major. Copying it into a
/// buffer skips spaces and leaves `Reset` colours unwritten, so unpainted cells show through.
/// Only the band of rows between the first and the last painted one is stored: every cell
/// outside it is a space, and a frame usually paints a small part of the canvas.
class Layer {
 public:
  /// Replaces the picture with `grid` read two pixel rows per cell. Keeps the allocation when
  /// the size does not grow, so saving every frame allocates nothing.
  void save(const HalfBlockGrid& grid);

  /// Writes the picture into `buffer` with its top-left cell at (inner.x, inner.y); `inner` has
  /// the size of the grid that was saved. Cells outside the buffer are skipped.
  void copy_into(Buffer& buffer, Rect inner) const;

  /// The cell at column `x`, row `y` of the picture.
  Cell at(std::uint32_t x, std::uint32_t y) const {
    if (y < band_first_ || y >= band_end_) return Cell{};
    return cells_[std::size_t{y - band_first_} * width_ + x];
  }
  /// The rows that may hold something other than spaces: `band_first()` to `band_end() - 1`.
  std::uint32_t band_first() const { return band_first_; }
  std::uint32_t band_end() const { return band_end_; }

 private:
  std::uint16_t width_ = 0;
  std::uint32_t band_first_ = 0;
  std::uint32_t band_end_ = 0;
  std::vector<Cell> cells_;  // the band only
};

}  // namespace tui
