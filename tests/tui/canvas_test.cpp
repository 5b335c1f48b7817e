#include "tui/canvas.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tui/block.hpp"
#include "tui/buffer.hpp"
#include "tui/context.hpp"
#include "tui/layer.hpp"

namespace tui {
namespace {

struct Pixel {
  std::uint64_t x;
  std::uint64_t y;
  Color color;
};

// Paints the listed pixels in order.
struct Pixels final : Shape {
  std::vector<Pixel> pixels;
  explicit Pixels(std::vector<Pixel> list) : pixels(std::move(list)) {}
  void draw(Painter& painter) const override {
    for (const Pixel& p : pixels) painter.paint(p.x, p.y, p.color);
  }
};

// A framed canvas over the whole buffer, as the animation configures it.
struct FramedCanvas {
  Block block;
  Canvas canvas;
  CanvasStorage storage;
  FramedCanvas() {
    block.title(U"WheekHigh, RIP TAVVIK");
    canvas.block = &block;
  }
  template <typename PaintFn>
  void render(Buffer& buffer, PaintFn&& paint) {
    canvas.render(buffer.area(), buffer, storage, paint);
  }
  void render_pixels(Buffer& buffer, const std::vector<Pixel>& pixels) {
    render(buffer, [&](Context& context) { context.draw(Pixels(pixels)); });
  }
};

Buffer border_only(Rect area) {
  Buffer buffer(area);
  Block block;
  block.title(U"WheekHigh, RIP TAVVIK");
  block.render(area, buffer);
  return buffer;
}

TEST(PixelsToCells, EachPairOfHalvesGivesItsSymbolAndColours) {
  EXPECT_EQ(half_block_cell(Color::Red, Color::Red), (Cell{U'█', Color::Red, Color::Red}));
  EXPECT_EQ(half_block_cell(Color::White, Color::Reset), (Cell{U'▀', Color::White, Color::Reset}));
  EXPECT_EQ(half_block_cell(Color::Reset, Color::Green), (Cell{U'▄', Color::Green, Color::Reset}));
  EXPECT_EQ(half_block_cell(Color::Indexed(130), Color::Indexed(172)),
            (Cell{U'▀', Color::Indexed(130), Color::Indexed(172)}));
  EXPECT_EQ(half_block_cell(Color::Indexed(210), Color::Indexed(210)),
            (Cell{U'█', Color::Indexed(210), Color::Indexed(210)}));
  EXPECT_EQ(half_block_cell(Color::Reset, Color::Reset), Cell{});
}

TEST(PixelGrid, CornerPixelsLandInsideTheBorderAndOutsidePixelsAreDropped) {
  Buffer buffer(Rect{0, 0, 80, 24});
  FramedCanvas framed;
  framed.render_pixels(buffer, {{0, 0, Color::Red},
                                {77, 43, Color::Green},
                                {78, 0, Color::White},
                                {0, 44, Color::White},
                                {~std::uint64_t{0}, 3, Color::White}});
  EXPECT_EQ(framed.storage.grid().width(), 78);
  EXPECT_EQ(framed.storage.grid().height(), 44u);

  Buffer expected = border_only(buffer.area());
  expected.at(1, 1) = Cell{U'▀', Color::Red, Color::Reset};
  expected.at(78, 22) = Cell{U'▄', Color::Green, Color::Reset};
  for (std::uint16_t y = 0; y < 24; ++y) {
    for (std::uint16_t x = 0; x < 80; ++x) {
      EXPECT_EQ(buffer.at(x, y), expected.at(x, y)) << "cell " << x << "," << y;
    }
  }
}

TEST(PixelGrid, LaterPaintsReplaceEarlierOnes) {
  Buffer buffer(Rect{0, 0, 6, 4});
  FramedCanvas framed;
  framed.render(buffer, [](Context& context) {
    context.draw(Pixels({{1, 0, Color::Red}, {1, 1, Color::Red}}));
    context.draw(Pixels({{1, 0, Color::Black}}));
    context.draw(Pixels({{2, 2, Color::Green}, {2, 2, Color::Reset}}));
  });
  EXPECT_EQ(buffer.at(2, 1), (Cell{U'▀', Color::Black, Color::Red}));
  EXPECT_TRUE(buffer.at(3, 2).is_blank()) << "painting Reset unpaints the pixel";
}

TEST(CanvasRender, UnpaintedCellsKeepTheirSymbolAndForegroundWithADefaultBackground) {
  Buffer buffer(Rect{0, 0, 6, 4});
  for (Cell& cell : buffer.cells()) cell = Cell{U'x', Color::Indexed(9), Color::Indexed(4)};
  FramedCanvas framed;
  framed.render_pixels(buffer, {{0, 1, Color::Green}, {1, 0, Color::White}});

  EXPECT_EQ(buffer.at(0, 1), (Cell{U'│', Color::Indexed(9), Color::Indexed(4)}))
      << "the border only sets symbols";
  EXPECT_EQ(buffer.at(1, 1), (Cell{U'▄', Color::Green, Color::Reset}));
  EXPECT_EQ(buffer.at(2, 1), (Cell{U'▀', Color::White, Color::Reset}));
  EXPECT_EQ(buffer.at(3, 2), (Cell{U'x', Color::Indexed(9), Color::Reset}));
  EXPECT_EQ(buffer.at(4, 2), (Cell{U'x', Color::Indexed(9), Color::Reset}));
}

TEST(CanvasRender, EmptyInnerAreaDrawsTheBorderWithoutCallingThePainter) {
  for (const Rect area : {Rect{0, 0, 2, 6}, Rect{0, 0, 30, 2}, Rect{0, 0, 1, 1}}) {
    Buffer buffer(area);
    FramedCanvas framed;
    bool called = false;
    framed.render(buffer, [&](Context&) { called = true; });
    EXPECT_FALSE(called);
    EXPECT_TRUE(std::ranges::equal(buffer.cells(), border_only(area).cells()));
  }
}

TEST(CanvasRender, ReusedStorageCarriesNothingIntoTheNextFrame) {
  FramedCanvas framed;
  Buffer large(Rect{0, 0, 20, 10});
  framed.render_pixels(large, {{5, 5, Color::Red}});
  Buffer small(Rect{0, 0, 8, 6});
  framed.render_pixels(small, {});
  EXPECT_TRUE(std::ranges::equal(small.cells(), border_only(small.area()).cells()));
  Buffer again(Rect{0, 0, 20, 10});
  framed.render_pixels(again, {});
  EXPECT_TRUE(again.at(6, 3).is_blank());
}

TEST(ContextFinish, SavesOnlyUnsavedPaintingAndBlanksTheGrid) {
  CanvasStorage storage;
  Context context(storage, 3, 2);
  EXPECT_FALSE(context.has_unsaved_painting());
  context.finish();
  EXPECT_TRUE(context.layers().empty());

  context.draw(Pixels({{0, 0, Color::Red}}));
  EXPECT_TRUE(context.has_unsaved_painting());
  context.finish();
  ASSERT_EQ(context.layers().size(), 1u);
  EXPECT_FALSE(context.has_unsaved_painting());
  EXPECT_EQ(context.grid().at(0, 0), Color::Reset);
  EXPECT_EQ(context.layers()[0].at(0, 0), (Cell{U'▀', Color::Red, Color::Reset}));
  context.finish();
  EXPECT_EQ(context.layers().size(), 1u);

  // A shape that paints nothing still counts as painting.
  context.draw(Pixels({}));
  context.finish();
  EXPECT_EQ(context.layers().size(), 2u);
}

TEST(ContextFinish, LayersAreCopiedInSaveOrderAndResetColoursAreNotWritten) {
  Buffer buffer(Rect{0, 0, 5, 4});
  FramedCanvas framed;
  framed.render(buffer, [](Context& context) {
    context.draw(Pixels({{0, 0, Color::Red}, {1, 0, Color::Red}, {1, 1, Color::Green}}));
    context.finish();
    context.draw(Pixels({{0, 1, Color::White}}));
    context.finish();
    context.draw(Pixels({{1, 0, Color::Black}}));
  });
  // The second layer replaces the first one's symbol and foreground; its Reset background is
  // not written, so the cell keeps the default one.
  EXPECT_EQ(buffer.at(1, 1), (Cell{U'▄', Color::White, Color::Reset}));
  // Third layer writes an upper half with no background, so the first layer's Green stays.
  EXPECT_EQ(buffer.at(2, 1), (Cell{U'▀', Color::Black, Color::Green}));
}

TEST(ContextFinish, BlanksEveryPaintedRowAndKeepsOnlyTheRowsBetween) {
  CanvasStorage storage;
  Context context(storage, 4, 8);
  context.draw(Pixels({{1, 3, Color::Red}, {2, 9, Color::Green}, {3, 6, Color::White}}));
  context.finish();
  const Layer& layer = context.layers()[0];
  EXPECT_EQ(layer.band_first(), 1u);
  EXPECT_EQ(layer.band_end(), 5u);
  EXPECT_EQ(layer.at(1, 1), (Cell{U'▄', Color::Red, Color::Reset}));
  EXPECT_EQ(layer.at(3, 3), (Cell{U'▀', Color::White, Color::Reset}));
  EXPECT_EQ(layer.at(2, 4), (Cell{U'▄', Color::Green, Color::Reset}));
  EXPECT_EQ(layer.at(0, 2), Cell{});
  EXPECT_EQ(layer.at(1, 0), Cell{});
  EXPECT_EQ(layer.at(1, 7), Cell{});
  for (std::uint32_t y = 0; y < 16; ++y) {
    for (std::uint32_t x = 0; x < 4; ++x) EXPECT_TRUE(context.grid().at(x, y).is_reset());
  }
}

TEST(LayerCopy, SpacesAreSkippedAndResetColoursLeaveTheCellsOwn) {
  HalfBlockGrid grid(3, 2);
  grid.paint(1, 1, Color::Green);
  grid.paint(2, 0, Color::White);
  Layer layer;
  layer.save(grid);
  Buffer buffer(Rect{0, 0, 3, 1});
  for (Cell& cell : buffer.cells()) cell = Cell{U'x', Color::Indexed(9), Color::Indexed(4)};
  layer.copy_into(buffer, Rect{0, 0, 3, 1});
  EXPECT_EQ(buffer.at(0, 0), (Cell{U'x', Color::Indexed(9), Color::Indexed(4)}));
  EXPECT_EQ(buffer.at(1, 0), (Cell{U'▄', Color::Green, Color::Indexed(4)}));
  EXPECT_EQ(buffer.at(2, 0), (Cell{U'▀', Color::White, Color::Indexed(4)}));
}

TEST(LayerCopy, CellsBeyondTheBufferAreSkipped) {
  HalfBlockGrid grid(4, 4);
  for (std::uint32_t y = 0; y < 4; ++y) {
    for (std::uint32_t x = 0; x < 4; ++x) grid.paint(x, y, Color::Red);
  }
  Layer layer;
  layer.save(grid);
  Buffer buffer(Rect{0, 0, 3, 2});
  layer.copy_into(buffer, Rect{1, 1, 4, 2});
  EXPECT_TRUE(buffer.at(0, 0).is_blank());
  EXPECT_TRUE(buffer.at(2, 0).is_blank());
  EXPECT_TRUE(buffer.at(0, 1).is_blank());
  EXPECT_EQ(buffer.at(1, 1), (Cell{U'█', Color::Red, Color::Red}));
  EXPECT_EQ(buffer.at(2, 1), (Cell{U'█', Color::Red, Color::Red}));
}

}  // namespace
}  // namespace tui
