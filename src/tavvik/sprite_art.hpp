#pragma once

// The text form the guinea pig's pictures are drawn in, and its legend.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tavvik {

/// A picture drawn as text, one character per pixel and one line per row, whose first character
/// lands on frame pixel (`top`, `left`). The text starts with a line break so that the rows line
/// up in the source; every row, the last included, ends with one.
struct SpriteArt {
  std::size_t top;
  std::size_t left;
  std::string_view text;
};

/// One picture character and the frame pixel value (0xAARRGGBB) it stands for.
struct ArtSymbol {
  char symbol;
  std::uint32_t argb;
};

/// The characters the pictures are drawn with.
inline constexpr std::array<ArtSymbol, 9> ART_LEGEND{{
    {'.', 0x00000000},  // see-through
    {'K', 0xFF000000},  // black: eyes
    {'B', 0xFF7B5227},  // brown: rump
    {'O', 0xFFF39442},  // orange: patches over back and head
    {'W', 0xFFFFFFFF},  // white: body, blaze and legs
    {'p', 0xFFF8B1B1},  // light pink: feet
    {'P', 0xFFFF9C9C},  // deep pink: ears and nose
    {'R', 0xFFFF0000},  // red: fruit
    {'G', 0xFF58FF00},  // green: stem
}};

/// The frame pixel value a picture character stands for; none for a character outside the
/// legend.
constexpr std::optional<std::uint32_t> art_pixel(char symbol) {
  for (const ArtSymbol& entry : ART_LEGEND) {
    if (entry.symbol == symbol) return entry.argb;
  }
  return std::nullopt;
}

// The animal stands on frame row 37 with its rump at column 13; the walking pictures share the
// body and differ in the head (raised two rows and moved one column on in STEP_HIGH) and in the
// legs. Only the rows and columns that hold the animal are drawn.
// clang-format off

/// Facing the viewer: the head turned towards us at the right, the body trailing left.
inline constexpr SpriteArt FRONT_ART{17, 13, R"(
...............PP.......PP.
...............PPP......PPP
...............OOOOOWOOOOO.
.............OWOOOOOWWOOOOO
......OOOOOOOOWOOOOOWWOOOOO
...BBBOOOOOOOOWOOOKKWWKKOOO
..BBBBOOOOOOOOWOOOKKWWKKOOO
.BBBBBOOOOOOOOWOOOOWWWWOOOO
.BBBBBOOOOOOOOWOOOWWWWWWOOO
BBBBBBOOOOOOWWWOOWWWPPWWWOO
BBBBBOOOOOOWWWWWOWWWPPWWWO.
..BBBOOOOOWWWWWWWWWWWWWWWW.
...WOOOOOWWWWWWWWWWWWWWWW..
......WWWWWWWWWWWWWWWWWW...
........WWWWWWWWWWWWWWWW...
..........WWWWWWWWWWWWWW...
......WWW.......WWW..WWW...
......WW........WW....WW...
......WW........WW....WW...
.....ppp........WW....WW...
....pppp.......ppp...ppp...
)"};

/// Walking, head low: hind foot back, fore foot forward.
inline constexpr SpriteArt STEP_LOW_ART{18, 13, R"(
...................PP........
..................PPPP.......
...........OOO....PPPOO......
........OOOOOOOO..OOOOOOOO...
......OOOOOOOOOOOOOOOOOOOOO..
....BBOOOOOOOOOWWOOOOOKKOOO..
..BBBBOOOOOOOOWWWOOOOOKKOOOW.
.BBBBBOOOOOOOWWWWWOOOOOOOWWWW
.BBBBBOOOOOOWWWWWWWOOOOOWWWWP
BBBBBBOOOOOOWWWWWWWWOOOWWWWWP
BBBBBOOOOOOOWWWWWWWWWWWWWWWWP
.BBBBOOOOOOOWWWWWWWWWWWWWWW..
..WWOOOOOOWWWWWWWWWWWWWWW....
...WWWWWWWWWWWWWWWWWWWWW.....
.....WWWWWWWWWWWWWWWWWW......
.......WWWWWWWWWWWWW.........
......WWW........WWW.........
......WW..........WW.........
.....pppp........ppp.........
....ppp...........ppp........
)"};

/// Walking, head up and ears pricked: both feet under the body.
inline constexpr SpriteArt STEP_HIGH_ART{15, 13, R"(
....................PP........
...................PPPP.......
...................PPPP.......
..................PPPP.OO.....
..................PPPOOOOO....
...........OOO....OOOOOOOOOO..
.........OOOOOOO.OOOOOOKKOOO..
......OOOOOOOOOOOOOOOOOKKOOOW.
....BBOOOOOOOOOWWWWOOOOOOOWWWW
..BBBBOOOOOOOOWWWWWWOOOOOWWWWP
.BBBBBOOOOOOOWWWWWWWWOOOWWWWWP
.BBBBBOOOOOOWWWWWWWWWWWWWWWWWP
BBBBBBOOOOOOWWWWWWWWWWWWWWWW..
BBBBBOOOOOOOWWWWWWWWWWWWW.....
.BBBBOOOOOOOWWWWWWWWWWWW......
....OOOOOOWWWWWWWWWWWWWW......
.....WWWWWWWWWWWWWWWWWW.......
.......WWWWWWWWWWWWWWW........
.........WWWWWWWWWW...........
........WW.......WW...........
........WW.......WW...........
........WW.......WW...........
.......pppp.....pppp..........
)"};

/// The fruit carried in the mouth, placed by its centre (`FRUIT_CENTER_ROW`, `FRUIT_CENTER_COLUMN`).
inline constexpr SpriteArt FRUIT_ART{0, 0, R"(
...G...
..RGR..
.RRRRRR
RRRRRRR
RRRRRRR
RRRRRRR
.RRRRR.
..RRR..
)"};

// clang-format on

/// The pixel of `FRUIT_ART` that is the centre of its disc.
inline constexpr std::size_t FRUIT_CENTER_ROW = 4;
inline constexpr std::size_t FRUIT_CENTER_COLUMN = 3;

}  // namespace tavvik
