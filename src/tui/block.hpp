#pragma once

// A bordered block with a title in its top line.

#include <string_view>

#include "tui/buffer.hpp"
#include "tui/rect.hpp"

namespace tui {

/// The characters of a plain single-line border.
struct BorderSymbols {
  char32_t top_left = U'┌';
  char32_t top_right = U'┐';
  char32_t bottom_left = U'└';
  char32_t bottom_right = U'┘';
  char32_t vertical = U'│';
  char32_t horizontal = U'─';
};

/// A border on all four sides with an optional left-aligned title set into its top line. It
/// writes symbols only, so every cell keeps its colours; the inner area begins right inside
/// the border.
class Block {
 public:
  /// Sets the title, one character per cell. The text is borrowed, not copied, so a frame can
  /// build a block without allocating: it must outlive the block (a literal does).
  Block& title(std::u32string_view text) {
    title_ = text;
    return *this;
  }

  /// The area less the border; sizes stop at 0 and edges never pass each other.
  Rect inner(Rect area) const { return area.shrink(1); }

  /// Draws the border over `area`: sides, then corners, then the title, so later symbols win
  /// where they overlap. A title wider than the top line is cut at the right, never shifted.
  void render(Rect area, Buffer& buffer) const;

 private:
  BorderSymbols symbols_;
  std::u32string_view title_;
};

}  // namespace tui
