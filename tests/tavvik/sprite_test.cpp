#include "tavvik/sprite.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "tavvik/sprite_frames.hpp"
#include "tavvik/sprite_palette.hpp"
#include "tui/half_block_grid.hpp"
#include "tui/painter.hpp"

namespace tavvik {
namespace {

using tui::Color;

// A colour no frame pixel maps to, so untouched canvas pixels stand out.
constexpr Color kBackground = Color::Indexed(99);

tui::HalfBlockGrid draw_on_grid(const Tavvik& sprite, std::uint16_t columns, std::uint32_t rows) {
  tui::HalfBlockGrid grid(columns, rows);
  for (std::uint32_t y = 0; y < rows; ++y) {
    for (std::uint16_t x = 0; x < columns; ++x) grid.paint(x, y, kBackground);
  }
  tui::Painter painter(grid);
  sprite.draw(painter);
  return grid;
}

/// What the canvas must hold when `frame` is painted with its column 0 on canvas column `x`,
/// its row 0 on canvas row `top` (wrapping as unsigned 64-bit) and `scale` pixels per pixel.
tui::HalfBlockGrid expected_grid(const SpriteFrame& frame, std::uint64_t x, std::uint64_t top,
                                 std::uint64_t scale, std::uint16_t columns, std::uint32_t rows) {
  tui::HalfBlockGrid grid(columns, rows);
  for (std::uint32_t y = 0; y < rows; ++y) {
    for (std::uint16_t c = 0; c < columns; ++c) grid.paint(c, y, kBackground);
  }
  for (std::uint64_t i = 0; i < SPRITE_SIZE; ++i) {
    for (std::uint64_t j = 0; j < SPRITE_SIZE; ++j) {
      const auto color = sprite_color(frame[i * SPRITE_SIZE + j]);
      if (!color) continue;
      for (std::uint64_t k = 0; k < scale; ++k) {
        for (std::uint64_t l = 0; l < scale; ++l) {
          grid.paint(x + scale * j + l, top + scale * i + k, *color);
        }
      }
    }
  }
  return grid;
}

void expect_same_grid(const tui::HalfBlockGrid& got, const tui::HalfBlockGrid& want) {
  ASSERT_EQ(got.width(), want.width());
  ASSERT_EQ(got.height(), want.height());
  for (std::uint32_t y = 0; y < got.height(); ++y) {
    for (std::uint32_t x = 0; x < got.width(); ++x) {
      ASSERT_EQ(got.at(x, y).code(), want.at(x, y).code())
          << "canvas pixel (" << x << ", " << y << ")";
    }
  }
}

int painted(const tui::HalfBlockGrid& grid) {
  int count = 0;
  for (std::uint32_t y = 0; y < grid.height(); ++y) {
    for (std::uint32_t x = 0; x < grid.width(); ++x) count += grid.at(x, y) != kBackground;
  }
  return count;
}

TEST(TavvikFrame, FlagsSelectTheFrame) {
  struct Case {
    bool facing_front, carrying, pose;
    const SpriteFrame* frame;
  };
  const Case cases[] = {
      {true, false, false, &FRONT},    {true, false, true, &FRONT},
      {true, true, false, &FRONT},     {true, true, true, &FRONT},
      {false, false, true, &STEP_LOW}, {false, false, false, &STEP_HIGH},
      {false, true, true, &CARRY_LOW}, {false, true, false, &CARRY_HIGH},
  };
  for (const Case& c : cases) {
    const Tavvik sprite(0, 0.0, 1, c.facing_front, c.pose, c.carrying);
    EXPECT_EQ(&sprite.frame(), c.frame)
        << "front " << c.facing_front << " carrying " << c.carrying << " pose " << c.pose;
  }
}

TEST(TavvikDraw, ScaleOnePutsFrameRow27OnCanvasRowY) {
  // Frame pixel (i, j) lands on (x + j, y - 27 + i); see-through pixels keep the canvas.
  const Tavvik sprite(10, 30.9, 1, false, true, false);
  const auto grid = draw_on_grid(sprite, 80, 60);
  expect_same_grid(grid, expected_grid(STEP_LOW, 10, 3, 1, 80, 60));
  EXPECT_EQ(painted(grid), 338);
  EXPECT_EQ(grid.at(10 + 35, 3 + 23), Color::Black) << "the eye";
}

TEST(TavvikDraw, ScaleZeroPaintsNothing) {
  EXPECT_EQ(painted(draw_on_grid(Tavvik(0, 30.0, 0, true, false, false), 80, 60)), 0);
}

TEST(TavvikDraw, ScaleTwoPaintsTwoByTwoBlocks) {
  // top = 40 - 27 = 13; frame pixel (i, j) covers (5 + 2j .. +1, 13 + 2i .. +1).
  const Tavvik sprite(5, 40.0, 2, false, false, true);
  const auto grid = draw_on_grid(sprite, 110, 100);
  expect_same_grid(grid, expected_grid(CARRY_HIGH, 5, 13, 2, 110, 100));
  EXPECT_EQ(painted(grid), 4 * 387);
  EXPECT_EQ(grid.at(5 + 2 * 44, 13 + 2 * 25 + 1), Color::Green) << "lower half of the stem top";
}

TEST(TavvikDraw, PixelsWithoutPaletteColourLeaveTheCanvasAlone) {
  // The comparison takes the whole value, alpha included: a see-through or half-transparent
  // red, or an opaque colour outside the table, has no colour.
  EXPECT_FALSE(sprite_color(0x00000000));
  EXPECT_FALSE(sprite_color(0x7FFF0000));
  EXPECT_FALSE(sprite_color(0xFF123456));
  EXPECT_EQ(sprite_color(0xFFFF0000), Color::Red);
  EXPECT_EQ(sprite_color(0xFFF8B1B1), Color::Indexed(210));
  EXPECT_EQ(sprite_color(0xFFFF9C9C), Color::Indexed(210));

  // FRONT's background pixels are see-through: the canvas under them keeps its colour.
  const auto grid = draw_on_grid(Tavvik(0, 27.0, 1, true, false, false), 64, 64);
  for (std::uint32_t y = 0; y < 64; ++y) {
    for (std::uint32_t x = 0; x < 64; ++x) {
      if (FRONT[y * SPRITE_SIZE + x] == 0) {
        ASSERT_EQ(grid.at(x, y), kBackground) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(painted(grid), 342);
}

TEST(TavvikDraw, RowsAboveTheCanvasWrapAndAreDropped) {
  // A 20-row terminal: y = 20, top = 2^64 - 7. Frame rows 0-6 wrap to huge rows and vanish;
  // frame row 7 lands on canvas row 0. The 36-row canvas still shows rows 15-37.
  const Tavvik sprite(3, 20.0, 1, false, false, false);
  const std::uint64_t top = std::uint64_t{0} - 7;
  const auto grid = draw_on_grid(sprite, 78, 36);
  expect_same_grid(grid, expected_grid(STEP_HIGH, 3, top, 1, 78, 36));
  EXPECT_EQ(painted(grid), 349);
  EXPECT_EQ(grid.at(3 + 36, 21 - 7), Color::Black) << "the eye, frame row 21, on canvas row 14";

  // Row 0 of the canvas holds frame row 7, row 8 frame row 15, the ear tips.
  const auto tiny = draw_on_grid(sprite, 78, 9);
  EXPECT_EQ(painted(tiny), 2);
  EXPECT_EQ(tiny.at(3 + 33, 8), Color::Indexed(210));
}

TEST(TavvikDraw, AnchorIsTruncatedAndClamped) {
  EXPECT_EQ(to_pixel_index(30.99), 30u);
  EXPECT_EQ(to_pixel_index(-4.0), 0u);
  EXPECT_EQ(to_pixel_index(std::nan("")), 0u);
  EXPECT_EQ(to_pixel_index(1e30), std::numeric_limits<std::uint64_t>::max());

  // A negative or NaN anchor puts frame row 27 at row 0 - 27: rows 27-37 show at the top.
  for (const double y : {-5.0, std::nan("")}) {
    const auto grid = draw_on_grid(Tavvik(0, y, 1, false, true, false), 64, 64);
    expect_same_grid(grid, expected_grid(STEP_LOW, 0, std::uint64_t{0} - 27, 1, 64, 64));
  }
  // An anchor beyond the range clamps to the maximum, and rows keep wrapping from there: frame
  // row 28 comes round to canvas row 0. Heights come from a 16-bit size, so this stays theory.
  const auto far = draw_on_grid(Tavvik(0, 1e30, 1, false, true, false), 64, 64);
  const std::uint64_t top = std::numeric_limits<std::uint64_t>::max() - 27;
  expect_same_grid(far, expected_grid(STEP_LOW, 0, top, 1, 64, 64));
}

}  // namespace
}  // namespace tavvik
