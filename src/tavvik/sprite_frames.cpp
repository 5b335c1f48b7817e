#include "tavvik/sprite_frames.hpp"

// Placeholder until the art lands.
namespace tavvik {
const SpriteFrame FRONT{};
const SpriteFrame STEP_LOW{};
const SpriteFrame STEP_HIGH{};
const SpriteFrame CARRY_LOW{};
const SpriteFrame CARRY_HIGH{};
}  // namespace tavvik
