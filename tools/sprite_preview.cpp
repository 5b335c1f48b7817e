// Prints the sprite frames in colour on a 256-colour terminal, two frame rows per text line
// with half blocks, in the colours the animation uses:
//
//   sprite_preview            every frame, in the order the animation shows them
//   sprite_preview STEP_LOW   one frame by name
//
// Every frame is cut to the same rectangle, the one holding all five, so that the poses can be
// compared line by line.

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "sprite_frame_names.hpp"
#include "tavvik/sprite_palette.hpp"

namespace {

using tavvik::SPRITE_SIZE;
using tavvik::SpriteFrame;

/// Rows and columns (inclusive) that hold an opaque pixel of any frame; rows start even so
/// that the text lines pair the same rows in every frame.
struct Window {
  int top = SPRITE_SIZE, bottom = -1, left = SPRITE_SIZE, right = -1;
};

Window window_of_all_frames() {
  Window window;
  for (const tools::NamedFrame& entry : tools::SPRITE_FRAMES) {
    for (int row = 0; row < SPRITE_SIZE; ++row) {
      for (int column = 0; column < SPRITE_SIZE; ++column) {
        if ((*entry.frame)[row * SPRITE_SIZE + column] == 0) continue;
        window.top = std::min(window.top, row);
        window.bottom = std::max(window.bottom, row);
        window.left = std::min(window.left, column);
        window.right = std::max(window.right, column);
      }
    }
  }
  window.top -= window.top % 2;
  return window;
}

/// The palette index a frame pixel shows in, or none for an unpainted pixel.
std::optional<int> shown_index(const SpriteFrame& frame, int row, int column) {
  if (row >= SPRITE_SIZE) return std::nullopt;
  const auto color = tavvik::sprite_color(frame[row * SPRITE_SIZE + column]);
  if (!color) return std::nullopt;
  return color->index();
}

/// One text cell for two stacked pixels: its SGR parameters and its glyph. The upper half
/// block takes the upper pixel as foreground and the lower one as background; a lone lower
/// pixel uses the lower half block.
struct Cell {
  std::string sgr;
  const char* glyph;
};

Cell cell(std::optional<int> upper, std::optional<int> lower) {
  if (!upper && !lower) return {"0", " "};
  if (!upper) return {"0;38;5;" + std::to_string(*lower), "\u2584"};
  std::string sgr = "0;38;5;" + std::to_string(*upper);
  if (lower) sgr += ";48;5;" + std::to_string(*lower);
  return {sgr, "\u2580"};
}

void print_frame(const tools::NamedFrame& entry, const Window& window) {
  std::printf("%.*s (rows %d-%d, columns %d-%d)\n", static_cast<int>(entry.name.size()),
              entry.name.data(), window.top, window.bottom, window.left, window.right);
  for (int row = window.top; row <= window.bottom; row += 2) {
    std::string line;
    std::string current = "0";  // every line starts from default colours
    for (int column = window.left; column <= window.right; ++column) {
      const Cell next =
          cell(shown_index(*entry.frame, row, column), shown_index(*entry.frame, row + 1, column));
      if (next.sgr != current) line += "\x1b[" + next.sgr + "m";
      current = next.sgr;
      line += next.glyph;
    }
    std::printf("%s\x1b[0m\n", line.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: sprite_preview [%s]\n", tools::frame_names().c_str());
    return 2;
  }
  const Window window = window_of_all_frames();
  if (argc == 2) {
    const std::string_view name = argv[1];
    if (tools::find_frame(name) == nullptr) {
      std::fprintf(stderr, "sprite_preview: no frame called \"%s\"; the frames are: %s\n", argv[1],
                   tools::frame_names().c_str());
      return 2;
    }
    print_frame({name, tools::find_frame(name)}, window);
    return 0;
  }
  for (const tools::NamedFrame& entry : tools::SPRITE_FRAMES) print_frame(entry, window);
  return 0;
}
