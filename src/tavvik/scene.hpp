#pragma once

// Composing a frame: the titled border, the fruit and the guinea pig.

#include "tavvik/animation_state.hpp"
#include "tui/context.hpp"
#include "tui/rect.hpp"
#include "tui/terminal.hpp"

namespace tavvik {

/// The title set into the top border line.
inline constexpr char32_t kTitle[] = U"WheekHigh, RIP TAVVIK";

/// The frame painter: the fruit while the guinea pig has not reached it, then the guinea pig
/// over it, both placed from the frame area's full size (border included). Reads `state`,
/// changes nothing in it.
void paint_frame(tui::Context& context, tui::Rect frame_area, const AnimationState& state);

/// Composes the animation's frames: the bordered, titled block over the whole frame and the
/// half-block canvas inside it. Owned by the loop for the whole animation so that its pixel
/// grid and saved picture are reused; no picture carries over from one frame to the next.
class Scene {
 public:
  /// The drawing callback: records the frame's area in `state` first, then composes the frame
  /// into the frame's buffer. Allocates only when a frame is larger than any before it.
  void draw_frame(tui::Frame& frame, AnimationState& state);

 private:
  tui::CanvasStorage storage_;
};

}  // namespace tavvik
