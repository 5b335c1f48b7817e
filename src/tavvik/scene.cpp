#include "tavvik/scene.hpp"

#include <array>
#include <cstdint>

#include "tavvik/fruit.hpp"
#include "tavvik/sprite.hpp"
#include "tui/block.hpp"
#include "tui/canvas.hpp"

namespace tavvik {

void paint_frame(tui::Context& context, tui::Rect frame_area, const AnimationState& state) {
  const double width = frame_area.width;
  const double height = frame_area.height;
  if (!state.arrived) context.draw(Fruit{width * 0.5, height, state.fruit_radius});
  const bool carrying = !state.first_frame && state.arrived;
  context.draw(Tavvik{state.x, height, state.scale, state.first_frame, state.pose, carrying});
}

void Scene::draw_frame(tui::Frame& frame, AnimationState& state) {
  const tui::Rect area = frame.area();
  state.area = area;

  tui::Block block;
  block.title(kTitle);
  tui::Canvas canvas;
  canvas.block = &block;
  canvas.background = tui::Color::Reset;

  canvas.render(area, frame.buffer(), storage_,
                [&](tui::Context& context) { paint_frame(context, area, state); });
}

}  // namespace tavvik
