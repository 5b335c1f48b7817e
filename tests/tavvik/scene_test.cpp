#include "tavvik/scene.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "support/allocation_counter.hpp"
#include "tavvik/sprite_frames.hpp"
#include "tavvik/sprite_palette.hpp"
#include "tui/buffer.hpp"
#include "tui/terminal.hpp"

namespace tavvik {
namespace {

using tui::Cell;
using tui::Color;

tui::Buffer compose(Scene& scene, AnimationState& state, std::uint16_t width,
                    std::uint16_t height) {
  tui::Buffer buffer(tui::Rect{0, 0, width, height});
  tui::Frame frame(buffer.area(), buffer);
  scene.draw_frame(frame, state);
  return buffer;
}

// The picture the frame should show, built from the border rules, the fruit's known pixels and
// the raw sprite frame data, without the toolkit's canvas.
class ExpectedFrame {
 public:
  ExpectedFrame(std::uint16_t width, std::uint16_t height)
      : width_(width),
        height_(height),
        columns_(width - 2),
        rows_(2 * (height - 2)),
        pixels_(static_cast<std::size_t>(columns_ * rows_), Color::Reset) {}

  void paint(std::int64_t x, std::int64_t y, Color color) {
    if (x >= 0 && y >= 0 && x < columns_ && y < rows_) pixels_[y * columns_ + x] = color;
  }

  // The fruit of radius 3 as seen on screen: a 7 x 7 disc with a two-pixel stem.
  void add_fruit() {
    static const char* const kRows[] = {"...G...", "..RGR..", ".RRRRR.", "RRRRRRR",
                                        "RRRRRRR", "RRRRRRR", ".RRRRR.", "..RRR.."};
    const std::int64_t left = width_ / 2 - 3;
    const std::int64_t top = std::int64_t{height_} - 4;
    for (int r = 0; r < 8; ++r) {
      for (int c = 0; c < 7; ++c) {
        const char p = kRows[r][c];
        if (p != '.') paint(left + c, top + r, p == 'R' ? Color::Red : Color::Green);
      }
    }
  }

  void add_sprite(const SpriteFrame& frame, std::int64_t x) {
    for (std::int64_t i = 0; i < SPRITE_SIZE; ++i) {
      for (std::int64_t j = 0; j < SPRITE_SIZE; ++j) {
        if (auto color = sprite_color(frame[i * SPRITE_SIZE + j])) {
          paint(x + j, std::int64_t{height_} - 27 + i, *color);
        }
      }
    }
  }

  Cell cell(std::uint16_t x, std::uint16_t y) const {
    const std::u32string title = U"WheekHigh, RIP TAVVIK";
    const bool left = x == 0, right = x == width_ - 1, top = y == 0, bottom = y == height_ - 1;
    if (top && left) return Cell{U'┌'};
    if (top && right) return Cell{U'┐'};
    if (bottom && left) return Cell{U'└'};
    if (bottom && right) return Cell{U'┘'};
    if (top) return Cell{x - 1u < title.size() ? title[x - 1] : U'─'};
    if (bottom) return Cell{U'─'};
    if (left || right) return Cell{U'│'};
    const Color upper = pixels_[(2 * (y - 1)) * columns_ + (x - 1)];
    const Color lower = pixels_[(2 * (y - 1) + 1) * columns_ + (x - 1)];
    if (upper.is_reset() && lower.is_reset()) return Cell{};
    if (upper.is_reset()) return Cell{U'▄', lower, Color::Reset};
    if (upper == lower) return Cell{U'█', upper, upper};
    return Cell{U'▀', upper, lower};
  }

 private:
  std::uint16_t width_;
  std::uint16_t height_;
  std::int64_t columns_;
  std::int64_t rows_;
  std::vector<Color> pixels_;
};

void expect_frame(const tui::Buffer& buffer, const ExpectedFrame& expected) {
  int mismatches = 0;
  for (std::uint16_t y = 0; y < buffer.area().height; ++y) {
    for (std::uint16_t x = 0; x < buffer.area().width; ++x) {
      if (buffer.at(x, y) == expected.cell(x, y)) continue;
      ADD_FAILURE() << "cell " << x << "," << y << " differs";
      if (++mismatches == 10) return;
    }
  }
}

bool inner_is_blank(const tui::Buffer& buffer) {
  const tui::Rect inner = buffer.area().shrink(1);
  for (std::uint16_t y = inner.y; y < inner.bottom(); ++y) {
    for (std::uint16_t x = inner.x; x < inner.right(); ++x) {
      if (!buffer.at(x, y).is_blank()) return false;
    }
  }
  return true;
}

/// A cell worked out by hand from the sprite data.
struct KnownCell {
  std::uint16_t x;
  std::uint16_t y;
  Cell cell;
};

struct WholeFrameCase {
  const char* name;
  AnimationState state;
  const SpriteFrame* sprite;
  bool loose_fruit;
  std::vector<KnownCell> by_hand;
};

TEST(WholeFrame, EachStageShowsItsSpriteFrameAndTheLooseFruitUntilArrived) {
  const Cell green{U'█', Color::Green, Color::Green};
  const Cell red{U'█', Color::Red, Color::Red};
  const Cell black{U'█', Color::Black, Color::Black};
  const Cell orange{U'█', Color::Indexed(172), Color::Indexed(172)};
  const Cell red_lower{U'▄', Color::Red, Color::Reset};
  // clang-format off
  const WholeFrameCase cases[] = {
      // The stem's two pixels fill cell (101, 24); the disc's widest rows lie below. The front
      // view's left eye, frame pixels (22..23, 31..32), lands on canvas rows 45 and 46: the
      // lower half of cell row 23 under orange fur and the upper half of cell row 24.
      {"first frame", {}, &FRONT, true,
       {{101, 24, green}, {100, 24, red_lower}, {98, 25, red_lower}, {101, 26, red},
        {99, 27, Cell{U'▀', Color::Red, Color::Reset}},
        {32, 23, Cell{U'▀', Color::Indexed(172), Color::Black}},
        {32, 24, Cell{U'▀', Color::Black, Color::Indexed(172)}}}},
      // The 2 x 2 eye fills one cell: frame (23, 35) low, (21, 36) high, 20 columns on.
      {"walking head low", {.first_frame = false, .x = 20, .pose = true}, &STEP_LOW, true,
       {{101, 24, green}, {56, 24, black}}},
      {"walking head high", {.first_frame = false, .x = 20}, &STEP_HIGH, true,
       {{101, 24, green}, {57, 23, black}}},
      // Not yet arrived, but the head already reaches over the fruit: orange fur at frame
      // (23..24, 38) lands on canvas column 100, rows 46..47, the fruit's stem.
      {"head over the fruit", {.first_frame = false, .x = 62, .pose = true}, &STEP_LOW, true,
       {{101, 24, orange}}},
      // The fruit in the mouth: stem column 42 (low) or 44 (high) plus the 60 columns walked,
      // stem rows 27..28 or 25..26 landing on canvas rows 50..51 or 48..49. The loose fruit is
      // gone: the expected frame has none.
      {"carrying head low", {.arrived = true, .first_frame = false, .x = 60, .pose = true},
       &CARRY_LOW, false, {{103, 26, green}, {103, 28, red}}},
      {"carrying head high", {.arrived = true, .first_frame = false, .x = 60}, &CARRY_HIGH, false,
       {{105, 25, green}}},
  };
  // clang-format on
  for (const WholeFrameCase& tested : cases) {
    SCOPED_TRACE(tested.name);
    Scene scene;
    AnimationState state = tested.state;
    const tui::Buffer buffer = compose(scene, state, 200, 50);
    ExpectedFrame expected(200, 50);
    if (tested.loose_fruit) expected.add_fruit();
    expected.add_sprite(*tested.sprite, static_cast<std::int64_t>(tested.state.x));
    expect_frame(buffer, expected);
    for (const auto& [x, y, cell] : tested.by_hand) {
      EXPECT_EQ(buffer.at(x, y), cell) << "cell " << x << "," << y;
    }
  }
}

TEST(FramePainter, NoFruitOnceArrivedAndTheFruitBeforehand) {
  AnimationState state;
  state.first_frame = false;
  state.x = 1000;  // the guinea pig is past the right border
  Scene scene;
  EXPECT_FALSE(inner_is_blank(compose(scene, state, 80, 24)));
  state.arrived = true;
  EXPECT_TRUE(inner_is_blank(compose(scene, state, 80, 24)));
  state.first_frame = true;
  EXPECT_TRUE(inner_is_blank(compose(scene, state, 80, 24)));
}

TEST(FramePainter, FruitStandsInTheMiddleOfTheFullFrameSize) {
  // 80 x 24: centre pixel (40, 24), so the stem fills cell (41, 11) and the disc's two lowest
  // rows (canvas rows 26 and 27) make up cell row 14.
  AnimationState state;
  state.x = 1000;
  Scene scene;
  const tui::Buffer buffer = compose(scene, state, 80, 24);
  EXPECT_EQ(buffer.at(41, 11), (Cell{U'█', Color::Green, Color::Green}));
  EXPECT_EQ(buffer.at(41, 14), (Cell{U'█', Color::Red, Color::Red}));
  EXPECT_EQ(buffer.at(39, 14), (Cell{U'▀', Color::Red, Color::Reset}));
  EXPECT_EQ(buffer.at(38, 12), (Cell{U'▄', Color::Red, Color::Reset}));
  EXPECT_TRUE(buffer.at(41, 15).is_blank());
}

TEST(DrawingCallback, StoresTheAreaEvenWhenNothingFitsInside) {
  for (const tui::Rect area : {tui::Rect{0, 0, 80, 24}, tui::Rect{0, 0, 2, 9},
                               tui::Rect{0, 0, 40, 2}, tui::Rect{0, 0, 0, 0}}) {
    AnimationState state;
    Scene scene;
    const tui::Buffer buffer = compose(scene, state, area.width, area.height);
    EXPECT_EQ(state.area, area);
    if (area.width < 3 || area.height < 3) {
      EXPECT_TRUE(inner_is_blank(buffer));
    }
  }
  AnimationState state;
  Scene scene;
  const tui::Buffer tiny = compose(scene, state, 2, 2);
  EXPECT_EQ(tiny.at(0, 0).symbol, U'┌');
  EXPECT_EQ(tiny.at(1, 1).symbol, U'┘');
}

TEST(DrawingCallback, ARepeatedFrameAllocatesNothing) {
  AnimationState state;
  Scene scene;
  tui::Buffer buffer(tui::Rect{0, 0, 200, 50});
  tui::Frame frame(buffer.area(), buffer);
  scene.draw_frame(frame, state);
  state.first_frame = false;
  for (const bool arrived : {false, true}) {
    state.arrived = arrived;
    buffer.reset();
    const long before = support::heap_allocations.load();
    scene.draw_frame(frame, state);
    EXPECT_EQ(support::heap_allocations.load() - before, 0) << "arrived " << arrived;
  }
}

}  // namespace
}  // namespace tavvik
