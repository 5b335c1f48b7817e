#pragma once

// The guinea pig's five 64 x 64 pictures.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavvik {

/// A 64 x 64 picture of the guinea pig, row-major from the top-left, one 0xAARRGGBB value per
/// pixel; 0x00000000 is the see-through background.
inline constexpr int SPRITE_SIZE = 64;
using SpriteFrame = std::array<std::uint32_t, std::size_t{SPRITE_SIZE} * SPRITE_SIZE>;

extern const SpriteFrame FRONT;       ///< facing the viewer, shown in the first frame
extern const SpriteFrame STEP_LOW;    ///< walking, head low
extern const SpriteFrame STEP_HIGH;   ///< walking, head high
extern const SpriteFrame CARRY_LOW;   ///< STEP_LOW with the fruit in its mouth
extern const SpriteFrame CARRY_HIGH;  ///< STEP_HIGH one column on, with the fruit in its mouth

}  // namespace tavvik
