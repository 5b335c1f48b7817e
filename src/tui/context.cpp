#include "tui/context.hpp"

namespace tui {

Context::Context(CanvasStorage& storage, std::uint16_t columns, std::uint16_t rows,
                 std::array<double, 2> x_bounds, std::array<double, 2> y_bounds)
    : storage_(storage), x_bounds_(x_bounds), y_bounds_(y_bounds) {
  storage_.grid.resize(columns, 2u * rows);
}

void Context::draw(const Shape& shape) {
  dirty_ = true;
  Painter painter(storage_.grid);
  shape.draw(painter);
}

void Context::finish() {
  if (!dirty_) return;
  // Slots past the ones in use are kept from earlier frames so their cells are reused.
  if (saved_ == storage_.layers.size()) storage_.layers.emplace_back();
  storage_.layers[saved_].save(storage_.grid);
  ++saved_;
  storage_.grid.clear();
  dirty_ = false;
}

}  // namespace tui
