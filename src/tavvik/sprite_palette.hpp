#pragma once

// The colours the guinea pig's pixels are painted in.

#include <array>
#include <cstdint>
#include <optional>

#include "tui/color.hpp"

namespace tavvik {

/// One frame pixel value (0xAARRGGBB, alpha included) and the terminal colour it is painted in.
struct PaletteEntry {
  std::uint32_t argb = 0;
  tui::Color color;
};

/// The only pixel values that are painted; any other value, transparent black included, is
/// left out of the picture.
inline constexpr std::array<PaletteEntry, 11> SPRITE_PALETTE{{
    {0xFF000000, tui::Color::Black},
    {0xFF3434FE, tui::Color::Red},
    {0xFFF34242, tui::Color::Red},
    {0xFFFF0000, tui::Color::Red},
    {0xFF3E8F00, tui::Color::Green},
    {0xFF58FF00, tui::Color::Green},
    {0xFF7B5227, tui::Color::Indexed(130)},
    {0xFFF39442, tui::Color::Indexed(172)},
    {0xFFF8B1B1, tui::Color::Indexed(210)},
    {0xFFFF9C9C, tui::Color::Indexed(210)},
    {0xFFFFFFFF, tui::Color::White},
}};

/// The colour a pixel value is painted in, if any.
constexpr std::optional<tui::Color> sprite_color(std::uint32_t argb) {
  for (const PaletteEntry& entry : SPRITE_PALETTE) {
    if (entry.argb == argb) return entry.color;
  }
  return std::nullopt;
}

}  // namespace tavvik
