#pragma once

// One character cell of the screen, and a cell with its position.

#include <cstdint>

#include "tui/color.hpp"

namespace tui {

/// One character cell of the screen: a symbol and its two colours. A blank cell is a space in
/// default colours; cells are equal only when all three parts are.
struct Cell {
  char32_t symbol = U' ';
  Color fg = Color::Reset;
  Color bg = Color::Reset;

  constexpr bool is_blank() const { return *this == Cell{}; }
  friend constexpr bool operator==(const Cell&, const Cell&) = default;
};

/// A cell to send to the device, with its position on the screen.
struct CellUpdate {
  std::uint16_t x = 0;
  std::uint16_t y = 0;
  Cell cell;
};

}  // namespace tui
