#include "tui/layer.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>

namespace tui {

namespace {

// This runs over every unpainted row of every frame, so it leans on the library's vectorised
// memcmp: a row is unpainted when its first pixel is and every pixel equals its neighbour.
bool unpainted(std::span<const Color> pixels) {
  static_assert(sizeof(Color) == sizeof(std::uint16_t), "pixels compare as plain bytes");
  if (pixels.empty()) return true;
  if (!pixels.front().is_reset()) return false;
  return std::memcmp(pixels.data(), pixels.data() + 1, (pixels.size() - 1) * sizeof(Color)) == 0;
}

}  // namespace

void Layer::save(const HalfBlockGrid& grid) {
  width_ = grid.width();
  const std::uint32_t height = grid.height() / 2;
  auto blank_row = [&grid](std::uint32_t row) {
    return unpainted(grid.row(2 * row)) && unpainted(grid.row(2 * row + 1));
  };
  band_first_ = 0;
  while (band_first_ < height && blank_row(band_first_)) ++band_first_;
  band_end_ = height;
  while (band_end_ > band_first_ && blank_row(band_end_ - 1)) --band_end_;

  // Room for the whole picture, so a band that grows later in the animation reuses the memory.
  cells_.reserve(std::size_t{width_} * height);
  cells_.resize(std::size_t{width_} * (band_end_ - band_first_));
  Cell* out = cells_.data();
  for (std::uint32_t row = band_first_; row < band_end_; ++row) {
    const Color* upper = grid.row(2 * row).data();
    const Color* lower = grid.row(2 * row + 1).data();
    for (std::uint32_t column = 0; column < width_; ++column) {
      *out++ = half_block_cell(upper[column], lower[column]);
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
  for (std::uint32_t row = band_first_; row < band_end_; ++row) {
    const std::uint32_t y = inner.y + row;
    if (y < bounds.y) continue;
    if (y >= bounds.bottom()) break;
    const Cell* source =
        cells_.data() + std::size_t{row - band_first_} * width_ + (first_column - inner.x);
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
