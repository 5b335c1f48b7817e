#pragma once

#include <array>
#include <string>
#include <string_view>

#include "tavvik/sprite_frames.hpp"

namespace tools {

/// A sprite frame and the name the code knows it by.
struct NamedFrame {
  std::string_view name;
  const tavvik::SpriteFrame* frame;
};

/// The five frames in the order the animation first shows them.
inline constexpr std::array<NamedFrame, 5> SPRITE_FRAMES{{
    {"FRONT", &tavvik::FRONT},
    {"STEP_HIGH", &tavvik::STEP_HIGH},
    {"STEP_LOW", &tavvik::STEP_LOW},
    {"CARRY_HIGH", &tavvik::CARRY_HIGH},
    {"CARRY_LOW", &tavvik::CARRY_LOW},
}};

/// The frame called `name`, or null when there is none.
inline const tavvik::SpriteFrame* find_frame(std::string_view name) {
  for (const NamedFrame& entry : SPRITE_FRAMES) {
    if (entry.name == name) return entry.frame;
  }
  return nullptr;
}

/// The names for a usage message, separated by spaces.
inline std::string frame_names() {
  std::string names;
  for (const NamedFrame& entry : SPRITE_FRAMES) {
    if (!names.empty()) names += ' ';
    names += entry.name;
  }
  return names;
}

}  // namespace tools
