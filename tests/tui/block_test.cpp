#include "tui/block.hpp"

#include <gtest/gtest.h>

#include <string>

#include "tui/buffer.hpp"
#include "tui/utf8.hpp"

namespace tui {
namespace {

constexpr char32_t kTitle[] = U"WheekHigh, RIP TAVVIK";

std::string utf8(char32_t c) {
  std::string out;
  tui::append_utf8(c, out);
  return out;
}

std::string row_text(const Buffer& buffer, std::uint16_t y) {
  std::string out;
  for (std::uint16_t x = buffer.area().x; x < buffer.area().right(); ++x) {
    out += utf8(buffer.at(x, y).symbol);
  }
  return out;
}

std::string repeat(const std::string& piece, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += piece;
  return out;
}

Buffer render_titled(std::uint16_t width, std::uint16_t height) {
  Buffer buffer(Rect{0, 0, width, height});
  Block block;
  block.title(kTitle);
  block.render(buffer.area(), buffer);
  return buffer;
}

TEST(BlockLayout, FullTerminalHasTitledTopBorderSidesAndBottom) {
  const Buffer buffer = render_titled(80, 24);
  EXPECT_EQ(row_text(buffer, 0), "┌WheekHigh, RIP TAVVIK" + repeat("─", 57) + "┐");
  for (std::uint16_t y = 1; y <= 22; ++y) {
    EXPECT_EQ(row_text(buffer, y), "│" + repeat(" ", 78) + "│") << "row " << y;
  }
  EXPECT_EQ(row_text(buffer, 23), "└" + repeat("─", 78) + "┘");
  for (const Cell& cell : buffer.cells()) {
    EXPECT_TRUE(cell.fg.is_reset());
    EXPECT_TRUE(cell.bg.is_reset());
  }
  EXPECT_EQ(Block{}.inner(buffer.area()), (Rect{1, 1, 78, 22}));
}

TEST(BlockLayout, NarrowTerminalsCutTheTitleAtTheRight) {
  EXPECT_EQ(row_text(render_titled(23, 3), 0), "┌WheekHigh, RIP TAVVIK┐");
  EXPECT_EQ(row_text(render_titled(10, 3), 0), "┌WheekHig┐");
  EXPECT_EQ(row_text(render_titled(3, 3), 0), "┌W┐");
}

TEST(BlockLayout, TwoColumnsLeaveOnlyCornersAndSides) {
  const Buffer buffer = render_titled(2, 5);
  EXPECT_EQ(row_text(buffer, 0), "┌┐");
  for (std::uint16_t y = 1; y <= 3; ++y) EXPECT_EQ(row_text(buffer, y), "││");
  EXPECT_EQ(row_text(buffer, 4), "└┘");
  EXPECT_TRUE(Block{}.inner(buffer.area()).empty());
}

TEST(BlockLayout, TwoRowsLeaveTitledTopAndBottom) {
  const Buffer buffer = render_titled(30, 2);
  EXPECT_EQ(row_text(buffer, 0), "┌WheekHigh, RIP TAVVIK" + repeat("─", 7) + "┐");
  EXPECT_EQ(row_text(buffer, 1), "└" + repeat("─", 28) + "┘");
  EXPECT_TRUE(Block{}.inner(buffer.area()).empty());
}

TEST(BlockLayout, LaterCornersWinWhereAOneCellWideBlockOverlaps) {
  // Sides first, then bottom-right, top-right, bottom-left, top-left.
  const Buffer tall = render_titled(1, 3);
  EXPECT_EQ(row_text(tall, 0), "┌");
  EXPECT_EQ(row_text(tall, 1), "│");
  EXPECT_EQ(row_text(tall, 2), "└");
  const Buffer wide = render_titled(4, 1);
  EXPECT_EQ(row_text(wide, 0), "┌Wh┐");
  const Buffer single = render_titled(1, 1);
  EXPECT_EQ(row_text(single, 0), "┌");
}

TEST(BlockLayout, EmptyAreaDrawsNothing) {
  Buffer buffer(Rect{0, 0, 4, 4});
  Block block;
  block.title(kTitle);
  block.render(Rect{1, 1, 0, 3}, buffer);
  block.render(Rect{1, 1, 3, 0}, buffer);
  for (const Cell& cell : buffer.cells()) EXPECT_TRUE(cell.is_blank());
}

TEST(BlockLayout, DrawsAtTheAreaPositionAndKeepsCellColours) {
  Buffer buffer(Rect{0, 0, 8, 5});
  for (Cell& cell : buffer.cells()) cell = Cell{U'x', Color::Red, Color::Green};
  Block block;
  block.title(kTitle);
  block.render(Rect{2, 1, 5, 3}, buffer);
  EXPECT_EQ(row_text(buffer, 0), "xxxxxxxx");
  EXPECT_EQ(row_text(buffer, 1), "xx┌Whe┐x");
  EXPECT_EQ(row_text(buffer, 2), "xx│xxx│x");
  EXPECT_EQ(row_text(buffer, 3), "xx└───┘x");
  EXPECT_EQ(row_text(buffer, 4), "xxxxxxxx");
  EXPECT_EQ(buffer.at(2, 1), (Cell{U'┌', Color::Red, Color::Green}));
}

TEST(BlockLayout, AreaAtTheFarEdgeOfTheCoordinateRangeDoesNotWrap) {
  Buffer buffer(Rect{65530, 65530, 5, 5});
  Block{}.render(buffer.area(), buffer);
  EXPECT_EQ(buffer.at(65530, 65530).symbol, U'┌');
  EXPECT_EQ(buffer.at(65534, 65534).symbol, U'┘');
}

}  // namespace
}  // namespace tui
