#include "tui/canvas.hpp"

#include <algorithm>
#include <cstdint>

namespace tui {

void set_background(Buffer& buffer, Rect area, Color background) {
  const Rect& bounds = buffer.area();
  const std::uint32_t first_column = std::max(area.x, bounds.x);
  const std::uint32_t end_column = std::min(area.right(), bounds.right());
  const std::uint32_t first_row = std::max(area.y, bounds.y);
  const std::uint32_t end_row = std::min(area.bottom(), bounds.bottom());
  if (first_column >= end_column) return;
  for (std::uint32_t y = first_row; y < end_row; ++y) {
    Cell* cell =
        &buffer.at(static_cast<std::uint16_t>(first_column), static_cast<std::uint16_t>(y));
    for (std::uint32_t x = first_column; x < end_column; ++x, ++cell) cell->bg = background;
  }
}

}  // namespace tui
