#pragma once

#include <cstddef>
#include <vector>

#include "tavvik/animation_state.hpp"
#include "tui/rect.hpp"

namespace bench {

/// Where a frame stands in the animation: the steps the loop goes through.
enum class FrameKind { First, Walking, Arrival, Carrying };

const char* to_string(FrameKind kind);

/// A frame of the real animation: the state the loop holds when it draws it.
struct SequenceFrame {
  FrameKind kind;
  tavvik::AnimationState state;
};

/// The frames a terminal of `size` shows, in order: the first frame, every walking frame up to
/// the arrival (at most `walking_limit` when the fruit is never reached), the arrival, then
/// `carrying` carrying frames.
std::vector<SequenceFrame> animation_frames(tui::Size size, std::size_t carrying = 40,
                                            std::size_t walking_limit = 250);

}  // namespace bench
