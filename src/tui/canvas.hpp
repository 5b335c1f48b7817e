#pragma once

// A half-block pixel canvas inside an optional block.

#include <utility>

#include "tui/block.hpp"
#include "tui/buffer.hpp"
#include "tui/color.hpp"
#include "tui/context.hpp"
#include "tui/rect.hpp"

namespace tui {

/// Sets the background of every cell of `area` that lies in `buffer`; symbols and foregrounds
/// stay.
void set_background(Buffer& buffer, Rect area, Color background);

/// A half-block pixel canvas, optionally framed by a block. Rendering draws the block, then
/// hands a blank `Context` the size of the inner area to the paint callback and copies the
/// saved pictures into the buffer. An empty inner area draws only the block and never calls
/// the callback.
struct Canvas {
  const Block* block = nullptr;  ///< the frame, borrowed; none makes the canvas fill the area
  Color background = Color::Reset;

  /// `paint` is called as `paint(Context&)`. It is a template parameter rather than a
  /// type-erased function so that a frame allocates nothing; `storage` lends the pixel grid
  /// and the layers.
  template <typename PaintFn>
  void render(Rect area, Buffer& buffer, CanvasStorage& storage, PaintFn&& paint) const {
    Rect inner = area;
    if (block != nullptr) {
      block->render(area, buffer);
      inner = block->inner(area);
    }
    if (inner.empty()) return;
    set_background(buffer, inner, background);
    Context context(storage, inner.width, inner.height);
    std::forward<PaintFn>(paint)(context);
    context.finish();
    for (const Layer& layer : context.layers()) layer.copy_into(buffer, inner);
  }
};

}  // namespace tui
