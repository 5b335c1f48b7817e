#include "frame_sequence.hpp"

namespace bench {

const char* to_string(FrameKind kind) {
  switch (kind) {
    case FrameKind::First:
      return "first";
    case FrameKind::Walking:
      return "walking";
    case FrameKind::Arrival:
      return "arrival";
    case FrameKind::Carrying:
      return "carrying";
  }
  return "?";
}

std::vector<SequenceFrame> animation_frames(tui::Size size, std::size_t carrying,
                                            std::size_t walking_limit) {
  tavvik::AnimationState state;
  // The drawing callback stores the area before anything reads it; the loop's advance reads it.
  state.area = tui::Rect{0, 0, size.width, size.height};
  std::vector<SequenceFrame> frames{{FrameKind::First, state}};
  state.first_frame = false;

  std::size_t walking = 0;
  std::size_t carried = 0;
  while (true) {
    const bool was_arrived = state.arrived;
    state.advance();
    if (!state.arrived) {
      if (walking++ == walking_limit) break;
      frames.push_back({FrameKind::Walking, state});
    } else if (!was_arrived) {
      frames.push_back({FrameKind::Arrival, state});
    } else {
      if (carried++ == carrying) break;
      frames.push_back({FrameKind::Carrying, state});
    }
  }
  return frames;
}

}  // namespace bench
