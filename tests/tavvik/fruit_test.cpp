#include "tavvik/fruit.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tui/half_block_grid.hpp"
#include "tui/painter.hpp"

namespace tavvik {
namespace {

using tui::Color;

tui::HalfBlockGrid draw_on_grid(const Fruit& fruit, std::uint16_t columns, std::uint32_t rows) {
  tui::HalfBlockGrid grid(columns, rows);
  tui::Painter painter(grid);
  fruit.draw(painter);
  return grid;
}

// One letter per pixel: R red, G green, . unpainted, ? anything else.
std::string picture_row(const tui::HalfBlockGrid& grid, std::uint32_t y, std::uint32_t first,
                        std::uint32_t last) {
  std::string out;
  for (std::uint32_t x = first; x <= last; ++x) {
    const Color c = grid.at(x, y);
    out += c == Color::Red ? 'R' : c == Color::Green ? 'G' : c.is_reset() ? '.' : '?';
  }
  return out;
}

int painted_count(const tui::HalfBlockGrid& grid) {
  int count = 0;
  for (std::uint32_t y = 0; y < grid.height(); ++y) {
    for (std::uint32_t x = 0; x < grid.width(); ++x) count += !grid.at(x, y).is_reset();
  }
  return count;
}

const std::vector<std::string> kFruitRows20To27 = {
    "...G...", "..RGR..", ".RRRRR.", "RRRRRRR", "RRRRRRR", "RRRRRRR", ".RRRRR.", "..RRR..",
};

void expect_worked_example(const tui::HalfBlockGrid& grid) {
  for (std::uint32_t row = 20; row <= 27; ++row) {
    EXPECT_EQ(picture_row(grid, row, 37, 43), kFruitRows20To27[row - 20]) << "row " << row;
  }
  EXPECT_EQ(painted_count(grid), 38) << "nothing is painted outside rows 20-27, columns 37-43";
}

TEST(FruitPicture, EvenWidthTerminalGivesTheDiscWithItsStem) {
  // An 80 x 24 terminal: canvas 78 x 44 pixels, centre (40, 24).
  expect_worked_example(draw_on_grid(Fruit{80 * 0.5, 24.0, 3.0}, 78, 44));
}

TEST(FruitPicture, OddWidthTerminalGivesTheSamePixels) {
  expect_worked_example(draw_on_grid(Fruit{81 * 0.5, 24.0, 3.0}, 79, 44));
}

TEST(FruitPicture, NearTheTopLeftCornerClampedOutlinePointsStayAndNegativeFillPointsDrop) {
  const tui::HalfBlockGrid grid = draw_on_grid(Fruit{1.0, 1.0, 3.0}, 6, 6);
  EXPECT_EQ(picture_row(grid, 0, 0, 5), "RGRRR.");
  EXPECT_EQ(picture_row(grid, 1, 0, 5), "RRRRR.");
  EXPECT_EQ(picture_row(grid, 2, 0, 5), "RRRRR.");
  EXPECT_EQ(picture_row(grid, 3, 0, 5), "RRRR..");
  EXPECT_EQ(picture_row(grid, 4, 0, 5), "RRR...");
  EXPECT_EQ(picture_row(grid, 5, 0, 5), "......");
}

TEST(FruitPicture, ACentreLeftOfTheCanvasLeavesOnlyTheClampedOutlineAndStemInColumnZero) {
  // Every fill point has a negative column and is dropped; outline points clamp to column 0.
  const tui::HalfBlockGrid grid = draw_on_grid(Fruit{-10.0, 5.0, 3.0}, 4, 12);
  std::string column;
  for (std::uint32_t y = 0; y < 12; ++y) column += picture_row(grid, y, 0, 0);
  EXPECT_EQ(column, ".GGRRRRRR...");
  EXPECT_EQ(painted_count(grid), 8);
}

TEST(FruitPicture, NegativeRadiusFillsTheDiscWithoutOutlineOrStem) {
  const tui::HalfBlockGrid grid = draw_on_grid(Fruit{10.0, 10.0, -3.0}, 20, 20);
  EXPECT_EQ(picture_row(grid, 7, 7, 13), "...R...");
  EXPECT_EQ(picture_row(grid, 10, 7, 13), "RRRRRRR");
  EXPECT_EQ(painted_count(grid), 29);
}

// Larger radii must paint every lattice point of the disc too.
TEST(FruitPicture, FillCoversTheWholeDiscForLargerRadii) {
  for (const double radius : {3.5, 14.5, 15.0, 21.0}) {
    const double cx = 32.5;
    const double cy = 33.0;
    const tui::HalfBlockGrid grid = draw_on_grid(Fruit{cx, cy, radius}, 70, 70);
    for (std::uint32_t y = 0; y < 70; ++y) {
      for (std::uint32_t x = 0; x < 70; ++x) {
        const double dx = x - cx;
        const double dy = y - cy;
        const double distance = std::sqrt(dx * dx + dy * dy);
        if (distance <= radius) {
          EXPECT_FALSE(grid.at(x, y).is_reset()) << "radius " << radius << " at " << x << "," << y;
        } else if (distance > radius + 1.5) {
          // The stem: trunc(radius / 1.5) pixels straight up from row trunc(cy - radius).
          const double top = std::trunc(cy - radius);
          const bool stem = x == 32 && y <= top && y > top - std::trunc(radius / 1.5);
          EXPECT_EQ(grid.at(x, y).is_reset(), !stem)
              << "radius " << radius << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(SignedPoint, TruncatesTowardsZeroAndClamps) {
  EXPECT_EQ(to_signed_point(2.9), 2);
  EXPECT_EQ(to_signed_point(-2.9), -2);
  EXPECT_EQ(to_signed_point(std::nan("")), 0);
  EXPECT_EQ(to_signed_point(1e12), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(to_signed_point(-1e12), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(to_signed_point(-std::numeric_limits<double>::infinity()),
            std::numeric_limits<std::int32_t>::min());
}

}  // namespace
}  // namespace tavvik
