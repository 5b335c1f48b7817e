#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tui/cell.hpp"
#include "tui/rect.hpp"

namespace tools {

/// A pixel that belongs to a cell showing a character rather than a block.
inline constexpr std::uint16_t kText = 257;

/// A screen as half-block pixels: one column and two rows per cell (upper, lower). A pixel
/// holds `tui::Color::code()` of its colour (256 is the terminal's default background) or
/// `kText` for both halves of a character cell.
struct PixelScreen {
  int width = 0;
  int height = 0;
  std::vector<std::uint16_t> pixels;

  std::uint16_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

/// Whether a cell shows pixels (a space, a half block or a full block) rather than a character.
bool is_pixel_cell(const tui::Cell& cell);

/// The pixels a row-major screen of `size` shows.
PixelScreen pixels_of(std::span<const tui::Cell> cells, tui::Size size);

}  // namespace tools
