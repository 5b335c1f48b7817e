#include "tui/layer.hpp"

#include <algorithm>
#include <cstddef>

namespace tui {

void Layer::save(const HalfBlockGrid& grid) {
  width_ = grid.width();
  const std::uint32_t rows = grid.height() / 2;
  cells_.resize(std::size_t{width_} * rows);
  Cell* out = cells_.data();
  for (std::uint32_t row = 0; row < rows; ++row) {
    for (std::uint32_t column = 0; column < width_; ++column) {
      *out++ = half_block_cell(grid.at(column, 2 * row), grid.at(column, 2 * row + 1));
    }
  }
}

void Layer::copy_into(Buffer& buffer, Rect inner) const {
  if (width_ == 0) return;
  const Rect& bounds = buffer.area();
  // Clip once per picture so the loop below touches only cells the buffer has.
  const std::uint32_t first_column = std::max<std::uint32_t>(inner.x, bounds.x);
  const std::uint32_t end_column =
      std::min<std::uint32_t>(std::uint32_t{inner.x} + width_, bounds.right());
  if (first_column >= end_column) return;
  const std::size_t rows = cells_.size() / width_;
  for (std::size_t row = 0; row < rows; ++row) {
    const std::uint32_t y = inner.y + static_cast<std::uint32_t>(row);
    if (y < bounds.y) continue;
    if (y >= bounds.bottom()) break;
    const Cell* source = cells_.data() + row * width_ + (first_column - inner.x);
    Cell* target =
        &buffer.at(static_cast<std::uint16_t>(first_column), static_cast<std::uint16_t>(y));
    for (std::uint32_t x = first_column; x < end_column; ++x, ++source, ++target) {
      if (source->symbol == U' ') continue;
      target->symbol = source->symbol;
      if (!source->fg.is_reset()) target->fg = source->fg;
      if (!source->bg.is_reset()) target->bg = source->bg;
    }
  }
}

}  // namespace tui
