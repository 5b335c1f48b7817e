#include "pixel_screen.hpp"

#include "tui/layer.hpp"

namespace tools {

bool is_pixel_cell(const tui::Cell& cell) {
  return cell.symbol == U' ' || cell.symbol == tui::kUpperHalfBlock ||
         cell.symbol == tui::kLowerHalfBlock || cell.symbol == tui::kFullBlock;
}

PixelScreen pixels_of(std::span<const tui::Cell> cells, tui::Size size) {
  PixelScreen screen{size.width, 2 * size.height, {}};
  screen.pixels.resize(static_cast<std::size_t>(screen.width) * screen.height);
  for (int row = 0; row < size.height; ++row) {
    for (int column = 0; column < size.width; ++column) {
      const tui::Cell& cell = cells[static_cast<std::size_t>(row) * size.width + column];
      std::uint16_t upper = kText, lower = kText;
      if (cell.symbol == U' ') {
        upper = lower = cell.bg.code();
      } else if (cell.symbol == tui::kUpperHalfBlock) {
        upper = cell.fg.code();
        lower = cell.bg.code();
      } else if (cell.symbol == tui::kLowerHalfBlock) {
        upper = cell.bg.code();
        lower = cell.fg.code();
      } else if (cell.symbol == tui::kFullBlock) {
        upper = lower = cell.fg.code();
      }
      const std::size_t top = static_cast<std::size_t>(2 * row) * screen.width + column;
      screen.pixels[top] = upper;
      screen.pixels[top + screen.width] = lower;
    }
  }
  return screen;
}

}  // namespace tools
