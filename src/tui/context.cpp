#include "tui/context.hpp"

namespace tui {

Context::Context(CanvasStorage& storage, std::uint16_t columns, std::uint16_t rows)
    : storage_(storage) {
  HalfBlockGrid& grid = storage_.grid_;
  const std::uint32_t pixel_rows = 2u * rows;
  // A grid left blank by the last frame's save need not be blanked again.
  if (!storage_.grid_blank_ || grid.width() != columns || grid.height() != pixel_rows) {
    grid.resize(columns, pixel_rows);
    storage_.grid_blank_ = true;
  }
}

void Context::draw(const Shape& shape) {
  dirty_ = true;
  storage_.grid_blank_ = false;
  Painter painter(storage_.grid_);
  shape.draw(painter);
}

void Context::finish() {
  if (!dirty_) return;
  // Slots past the ones in use are kept from earlier frames so their cells are reused.
  if (saved_ == storage_.layers_.size()) storage_.layers_.emplace_back();
  Layer& layer = storage_.layers_[saved_];
  layer.save(storage_.grid_);
  ++saved_;
  // Everything outside the saved band is unpainted already.
  storage_.grid_.clear_rows(2 * layer.band_first(), 2 * (layer.band_end() - layer.band_first()));
  storage_.grid_blank_ = true;
  dirty_ = false;
}

}  // namespace tui
