#pragma once

// Terminal colours: the default and the 256-colour palette.

#include <cstdint>

namespace tui {

/// A terminal colour: the terminal's default (`Reset`) or an entry of its 256-colour palette.
/// Two colours are equal exactly when they would look the same on any terminal.
class Color {
 public:
  /// The terminal's default colour; on a canvas, an unpainted pixel.
  static const Color Reset;
  static const Color Black;  ///< palette colour 0
  static const Color Red;    ///< palette colour 1
  static const Color Green;  ///< palette colour 2
  static const Color White;  ///< palette colour 15, the bright white
  static constexpr Color Indexed(std::uint8_t n) { return Color(n); }

  constexpr Color() = default;  // Reset
  constexpr bool is_reset() const { return code_ == kReset; }
  /// The palette index; meaningless for `Reset`.
  constexpr std::uint8_t index() const { return static_cast<std::uint8_t>(code_); }
  /// A dense code 0..256 (256 = Reset), handy as a table index.
  constexpr std::uint16_t code() const { return code_; }

  friend constexpr bool operator==(Color, Color) = default;

 private:
  static constexpr std::uint16_t kReset = 256;
  constexpr explicit Color(std::uint16_t code) : code_(code) {}
  std::uint16_t code_ = kReset;
};

inline constexpr Color Color::Reset{};
inline constexpr Color Color::Black = Color::Indexed(0);
inline constexpr Color Color::Red = Color::Indexed(1);
inline constexpr Color Color::Green = Color::Indexed(2);
inline constexpr Color Color::White = Color::Indexed(15);

}  // namespace tui
