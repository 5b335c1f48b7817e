#pragma once

// Areas and sizes of the terminal in cells.

#include <algorithm>
#include <cstdint>

namespace tui {

/// An area of the terminal in cells; edges never pass each other, whatever the arithmetic.
struct Rect {
  std::uint16_t x = 0;
  std::uint16_t y = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;

  constexpr std::uint32_t area() const { return std::uint32_t{width} * height; }
  constexpr bool empty() const { return width == 0 || height == 0; }
  /// One past the last column, saturated at 65535 like every coordinate here.
  constexpr std::uint16_t right() const { return saturating_add(x, width); }
  constexpr std::uint16_t bottom() const { return saturating_add(y, height); }

  /// The area less a margin of `margin` cells on every side: sizes stop at 0 and a moved
  /// edge never passes the opposite one.
  constexpr Rect shrink(std::uint16_t margin) const {
    const std::uint16_t doubled =
        static_cast<std::uint16_t>(std::min<unsigned>(2u * margin, 65535u));
    Rect inner;
    inner.x =
        static_cast<std::uint16_t>(std::min<unsigned>(unsigned{x} + margin, unsigned{x} + width));
    inner.y =
        static_cast<std::uint16_t>(std::min<unsigned>(unsigned{y} + margin, unsigned{y} + height));
    inner.width = width > doubled ? static_cast<std::uint16_t>(width - doubled) : 0;
    inner.height = height > doubled ? static_cast<std::uint16_t>(height - doubled) : 0;
    return inner;
  }

  friend constexpr bool operator==(const Rect&, const Rect&) = default;

 private:
  static constexpr std::uint16_t saturating_add(std::uint16_t a, std::uint16_t b) {
    return static_cast<std::uint16_t>(std::min<unsigned>(unsigned{a} + b, 65535u));
  }
};

/// A terminal's extent in cells.
struct Size {
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  friend constexpr bool operator==(const Size&, const Size&) = default;
};

}  // namespace tui
