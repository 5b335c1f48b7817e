#pragma once

#include "tavvik/animation_state.hpp"
#include "tui/terminal.hpp"

namespace tavvik {

/// Composes the animation's frames. It lives for one animation so that the pixel grid and the
/// other scratch space are reused from frame to frame instead of allocated anew.
class Scene {
 public:
  /// The drawing callback: records the frame's area in `state`, then composes the bordered,
  /// titled canvas with the fruit and the guinea pig into the frame's buffer.
  void draw_frame(tui::Frame& frame, AnimationState& state);
};

}  // namespace tavvik
