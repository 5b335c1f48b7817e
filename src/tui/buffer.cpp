#include "tui/buffer.hpp"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace tui {

namespace {
// Cells compare and copy as plain bytes.
static_assert(std::has_unique_object_representations_v<Cell>);
// Unchanged stretches are the rule between frames; they are skipped this many cells at a time.
constexpr std::size_t kDiffChunk = 16;
}  // namespace

void Buffer::reset() {
  if (cells_.empty()) return;
  // Doubling copies of the first blank cell: a memcpy does what a cell-by-cell fill would.
  cells_[0] = Cell{};
  for (std::size_t done = 1; done < cells_.size();) {
    const std::size_t count = std::min(done, cells_.size() - done);
    std::memcpy(cells_.data() + done, cells_.data(), count * sizeof(Cell));
    done += count;
  }
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
  for (std::size_t i = 0; i < count;) {
    const std::size_t end = std::min(i + kDiffChunk, count);
    if (std::memcmp(now + i, before + i, (end - i) * sizeof(Cell)) == 0) {
      i = end;
      continue;
    }
    for (; i < end; ++i) {
      if (now[i] == before[i]) continue;
      out.push_back(CellUpdate{static_cast<std::uint16_t>(area_.x + i % width),
                               static_cast<std::uint16_t>(area_.y + i / width), now[i]});
    }
  }
}

}  // namespace tui
