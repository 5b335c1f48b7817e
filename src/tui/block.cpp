#include "tui/block.hpp"

#include <algorithm>
#include <cstdint>

namespace tui {

void Block::render(Rect area, Buffer& buffer) const {
  if (area.empty()) return;
  // Computed wide: the last column or row of an area at the screen's edge must not wrap.
  const std::uint32_t left = area.x;
  const std::uint32_t top = area.y;
  const std::uint32_t right = left + area.width - 1;
  const std::uint32_t bottom = top + area.height - 1;

  for (std::uint32_t y = top; y <= bottom; ++y) buffer.set_symbol(left, y, symbols_.vertical);
  for (std::uint32_t x = left; x <= right; ++x) buffer.set_symbol(x, top, symbols_.horizontal);
  for (std::uint32_t y = top; y <= bottom; ++y) buffer.set_symbol(right, y, symbols_.vertical);
  for (std::uint32_t x = left; x <= right; ++x) buffer.set_symbol(x, bottom, symbols_.horizontal);

  buffer.set_symbol(right, bottom, symbols_.bottom_right);
  buffer.set_symbol(right, top, symbols_.top_right);
  buffer.set_symbol(left, bottom, symbols_.bottom_left);
  buffer.set_symbol(left, top, symbols_.top_left);

  const std::size_t title_space = area.width >= 2 ? area.width - 2u : 0u;
  const std::size_t shown = std::min(title_space, title_.size());
  for (std::size_t i = 0; i < shown; ++i) {
    buffer.set_symbol(left + 1 + static_cast<std::uint32_t>(i), top, title_[i]);
  }
}

}  // namespace tui
