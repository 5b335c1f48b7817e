#include "tavvik/animation_state.hpp"

namespace tavvik {

namespace {
// How far left of the middle the sprite's left edge may be when it reaches the fruit, so that
// the fruit in its mouth shows about where the loose fruit stood.
constexpr std::uint64_t kReachFromMiddle = 45;
}  // namespace

bool AnimationState::advance() {
  pose = !pose;

  const std::uint16_t width = area.width;
  x += 2;
  // The walk ends at twice the width taken as a 16-bit value, so beyond 32767 columns it wraps.
  const auto walk_end = static_cast<std::uint16_t>(2u * width);
  if (x > walk_end) x = 0;

  // Unsigned on purpose: narrower than 90 columns the arrival point wraps to a huge value and
  // the guinea pig never reaches the fruit.
  const std::uint64_t arrival = static_cast<std::uint64_t>(width * 0.5) - kReachFromMiddle;
  if (x >= arrival) {
    arrived = true;
    return true;
  }
  return false;
}

}  // namespace tavvik
