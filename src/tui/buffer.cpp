#include "tui/buffer.hpp"

#include <algorithm>

namespace tui {

void Buffer::reset() {
  std::fill(cells_.begin(), cells_.end(), Cell{});
}

void Buffer::resize(Rect area) {
  area_ = area;
  cells_.assign(area.area(), Cell{});
}

void Buffer::diff(const Buffer& previous, std::vector<CellUpdate>& out) const {
  const std::size_t width = area_.width;
  const std::size_t count = std::min(cells_.size(), previous.cells_.size());
  const Cell* now = cells_.data();
  const Cell* before = previous.cells_.data();
  for (std::size_t i = 0; i < count; ++i) {
    if (now[i] == before[i]) continue;
    out.push_back(CellUpdate{static_cast<std::uint16_t>(area_.x + i % width),
                             static_cast<std::uint16_t>(area_.y + i / width), now[i]});
  }
}

}  // namespace tui
