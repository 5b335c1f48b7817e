#include "tavvik/sprite_frames.hpp"

#include <cstddef>
#include <string_view>

#include "tavvik/sprite_art.hpp"

namespace tavvik {

namespace {

constexpr std::size_t kSize = SPRITE_SIZE;

// The rows of a picture's text, each with its line break; the leading break only lines the
// rows up in the source.
constexpr std::string_view art_rows(const SpriteArt& art) {
  std::string_view rows = art.text;
  if (rows.starts_with('\n')) rows.remove_prefix(1);
  return rows;
}

// A picture is usable when it is a rectangle of legend characters that fits the frame where it
// is placed; checked at compile time so a slip while editing the art cannot build.
constexpr bool well_formed(const SpriteArt& art) {
  std::string_view rows = art_rows(art);
  const std::size_t width = rows.find('\n');
  if (width == 0 || width == std::string_view::npos) return false;
  std::size_t height = 0;
  while (!rows.empty()) {
    if (rows.find('\n') != width) return false;
    for (const char symbol : rows.substr(0, width)) {
      if (!art_pixel(symbol)) return false;
    }
    rows.remove_prefix(width + 1);
    ++height;
  }
  return art.top + height <= kSize && art.left + width <= kSize;
}

static_assert(well_formed(FRONT_ART), "FRONT_ART: ragged row, unknown character or off the frame");
static_assert(well_formed(STEP_LOW_ART),
              "STEP_LOW_ART: ragged row, unknown character or off the frame");
static_assert(well_formed(STEP_HIGH_ART),
              "STEP_HIGH_ART: ragged row, unknown character or off the frame");
static_assert(well_formed(FRUIT_ART), "FRUIT_ART: ragged row or unknown character");

// Paints the picture's opaque characters over `frame`; '.' leaves what is underneath, so a
// picture can be laid over another one.
constexpr void paint(SpriteFrame& frame, const SpriteArt& art) {
  std::size_t row = art.top;
  std::size_t column = art.left;
  for (const char symbol : art_rows(art)) {
    if (symbol == '\n') {
      ++row;
      column = art.left;
      continue;
    }
    const std::uint32_t pixel = *art_pixel(symbol);
    if (pixel != 0) frame[row * kSize + column] = pixel;
    ++column;
  }
}

constexpr SpriteFrame picture(const SpriteArt& art) {
  SpriteFrame frame{};
  paint(frame, art);
  return frame;
}

// The frame moved `columns` to the right; the animal never reaches the right edge, so nothing
// is pushed off.
constexpr SpriteFrame shifted_right(const SpriteFrame& frame, std::size_t columns) {
  SpriteFrame moved{};
  for (std::size_t row = 0; row < kSize; ++row) {
    for (std::size_t column = 0; column + columns < kSize; ++column) {
      moved[row * kSize + column + columns] = frame[row * kSize + column];
    }
  }
  return moved;
}

// The frame with the fruit held in the mouth, its disc centred on frame pixel (row, column).
constexpr SpriteFrame with_fruit(SpriteFrame frame, std::size_t row, std::size_t column) {
  paint(frame, {row - FRUIT_CENTER_ROW, column - FRUIT_CENTER_COLUMN, FRUIT_ART.text});
  return frame;
}

}  // namespace

// Defined constexpr (the header only promises const) so the carrying frames can be derived
// from the walking ones at compile time.
constexpr SpriteFrame FRONT = picture(FRONT_ART);
constexpr SpriteFrame STEP_LOW = picture(STEP_LOW_ART);
constexpr SpriteFrame STEP_HIGH = picture(STEP_HIGH_ART);
// The fruit sits just in front of the nose, which it hides by one pixel.
constexpr SpriteFrame CARRY_LOW = with_fruit(STEP_LOW, 31, 42);
constexpr SpriteFrame CARRY_HIGH = with_fruit(shifted_right(STEP_HIGH, 1), 29, 44);

}  // namespace tavvik
