#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "tui/cell.hpp"
#include "tui/rect.hpp"

namespace tools {

// The pictures measure in pixels: a cell is 1 wide and 2 high, a half-block pixel 1 x 1.

/// A number as SVG reads it, to `digits` decimals without trailing zeros.
std::string number(double value, int digits = 4);

/// The colour a terminal with xterm's palette shows for a colour code (`tui::Color::code()`);
/// the default colour (256) shows as `default_rgb`.
std::string rgb_of(std::uint16_t code, const char* default_rgb);

/// The terminal's own background and foreground in the pictures.
inline constexpr const char* kScreenBackground = "#262626";
inline constexpr const char* kScreenForeground = "#D0D0D0";

/// One <path> per colour filling the pixels of a `width` x `height` grid, merged into
/// rectangles, with the grid's top-left pixel at (0, 0). `code_at(x, y)` gives a pixel's colour
/// code or a negative value for a pixel left undrawn.
std::string pixel_paths(int width, int height, const std::function<int(int, int)>& code_at);

/// The character cells of a row-major screen of `size`: box-drawing characters as lines and
/// every other character (not a space or a block) as text in a monospace font, each held to its
/// cell.
std::string character_cells(std::span<const tui::Cell> cells, tui::Size size);

}  // namespace tools
