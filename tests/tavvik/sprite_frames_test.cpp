#include "tavvik/sprite_frames.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tavvik/sprite_palette.hpp"

namespace tavvik {
namespace {

constexpr std::uint32_t kClear = 0x00000000;
constexpr std::uint32_t kBlack = 0xFF000000;
constexpr std::uint32_t kBrown = 0xFF7B5227;
constexpr std::uint32_t kOrange = 0xFFF39442;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kLightPink = 0xFFF8B1B1;
constexpr std::uint32_t kDeepPink = 0xFFFF9C9C;
constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGreen = 0xFF58FF00;

using Pixel = std::pair<int, int>;  // (row, column)

std::uint32_t at(const SpriteFrame& frame, int row, int column) {
  return frame[static_cast<std::size_t>(row * SPRITE_SIZE + column)];
}

/// Smallest rectangle holding every pixel that passes `keep`; rows and columns inclusive.
struct Box {
  int top = SPRITE_SIZE, bottom = -1, left = SPRITE_SIZE, right = -1;
  bool operator==(const Box&) const = default;
};

template <typename Keep>
Box box_of(const SpriteFrame& frame, Keep keep) {
  Box box;
  for (int row = 0; row < SPRITE_SIZE; ++row) {
    for (int column = 0; column < SPRITE_SIZE; ++column) {
      if (!keep(at(frame, row, column))) continue;
      box = {std::min(box.top, row), std::max(box.bottom, row), std::min(box.left, column),
             std::max(box.right, column)};
    }
  }
  return box;
}

std::set<Pixel> pixels_of(const SpriteFrame& frame, std::uint32_t value) {
  std::set<Pixel> found;
  for (int row = 0; row < SPRITE_SIZE; ++row) {
    for (int column = 0; column < SPRITE_SIZE; ++column) {
      if (at(frame, row, column) == value) found.insert({row, column});
    }
  }
  return found;
}

std::map<std::uint32_t, int> colour_counts(const SpriteFrame& frame) {
  std::map<std::uint32_t, int> counts;
  for (const std::uint32_t pixel : frame) {
    if (pixel != kClear) ++counts[pixel];
  }
  return counts;
}

/// The published figures of one frame.
struct Figures {
  const char* name;
  const SpriteFrame* frame;
  Box opaque;
  std::vector<Pixel> eyes;  // top-left pixel of each 2 x 2 black block
  int opaque_pixels;
  std::map<std::uint32_t, int> colours;
  std::pair<int, int> rump_columns;
};

const std::vector<Figures>& all_figures() {
  // clang-format off
  static const std::vector<Figures> figures = {
      {"STEP_LOW", &STEP_LOW, {18, 37, 13, 41}, {{23, 35}}, 338,
       {{kBlack, 4}, {kBrown, 31}, {kOrange, 129}, {kWhite, 149}, {kLightPink, 13}, {kDeepPink, 12}},
       {13, 18}},
      {"STEP_HIGH", &STEP_HIGH, {15, 37, 13, 42}, {{21, 36}}, 349,
       {{kBlack, 4}, {kBrown, 31}, {kOrange, 127}, {kWhite, 159}, {kLightPink, 8}, {kDeepPink, 20}},
       {13, 18}},
      {"CARRY_HIGH", &CARRY_HIGH, {15, 37, 14, 47}, {{21, 37}}, 387,
       {{kBlack, 4}, {kBrown, 31}, {kOrange, 127}, {kWhite, 159}, {kLightPink, 8}, {kDeepPink, 19},
        {kRed, 37}, {kGreen, 2}},
       {14, 19}},
      {"CARRY_LOW", &CARRY_LOW, {18, 37, 13, 45}, {{23, 35}}, 376,
       {{kBlack, 4}, {kBrown, 31}, {kOrange, 129}, {kWhite, 149}, {kLightPink, 13}, {kDeepPink, 11},
        {kRed, 37}, {kGreen, 2}},
       {13, 18}},
      {"FRONT", &FRONT, {17, 37, 13, 39}, {{22, 31}, {22, 35}}, 342,
       {{kBlack, 8}, {kBrown, 31}, {kOrange, 125}, {kWhite, 151}, {kLightPink, 13}, {kDeepPink, 14}},
       {13, 18}},
  };
  // clang-format on
  return figures;
}

TEST(SpriteFrames, MatchTheirBoundingBoxesEyesAndColourCounts) {
  for (const Figures& want : all_figures()) {
    SCOPED_TRACE(want.name);
    const SpriteFrame& frame = *want.frame;
    EXPECT_EQ(box_of(frame, [](std::uint32_t p) { return p != kClear; }), want.opaque);
    EXPECT_EQ(colour_counts(frame), want.colours);
    int opaque = 0;
    for (const auto& [value, count] : colour_counts(frame)) opaque += count;
    EXPECT_EQ(opaque, want.opaque_pixels);

    std::set<Pixel> eye_pixels;
    for (const auto& [row, column] : want.eyes) {
      for (int dr = 0; dr < 2; ++dr) {
        for (int dc = 0; dc < 2; ++dc) eye_pixels.insert({row + dr, column + dc});
      }
    }
    EXPECT_EQ(pixels_of(frame, kBlack), eye_pixels) << "black is exactly the 2 x 2 eyes";

    const Box rump = box_of(frame, [](std::uint32_t p) { return p == kBrown; });
    EXPECT_EQ(rump.left, want.rump_columns.first);
    EXPECT_EQ(rump.right, want.rump_columns.second);
  }
}

TEST(SpriteFrames, HoldOnlyTheEightColoursAndEveryOneIsPainted) {
  const std::set<std::uint32_t> animal = {kBlack,     kBrown,    kOrange, kWhite,
                                          kLightPink, kDeepPink, kClear};
  for (const Figures& want : all_figures()) {
    SCOPED_TRACE(want.name);
    const bool carrying = want.frame == &CARRY_LOW || want.frame == &CARRY_HIGH;
    for (const std::uint32_t pixel : *want.frame) {
      const bool fruit = pixel == kRed || pixel == kGreen;
      ASSERT_TRUE(animal.contains(pixel) || (carrying && fruit)) << std::hex << pixel;
      EXPECT_EQ(sprite_color(pixel).has_value(), pixel != kClear) << std::hex << pixel;
    }
  }
}

TEST(SpriteFrames, WalkingPosesRaiseTheEarsAndTheHead) {
  // The ears are the topmost pixels: row 18 with the head low, row 15 with it up.
  const auto topmost = [](const SpriteFrame& frame) {
    return box_of(frame, [](std::uint32_t p) { return p != kClear; }).top;
  };
  EXPECT_EQ(topmost(STEP_LOW), 18);
  EXPECT_EQ(topmost(STEP_HIGH), 15);
  for (const SpriteFrame* frame : {&STEP_LOW, &STEP_HIGH}) {
    const int top = topmost(*frame);
    for (int column = 0; column < SPRITE_SIZE; ++column) {
      const std::uint32_t pixel = at(*frame, top, column);
      EXPECT_TRUE(pixel == kClear || pixel == kDeepPink) << "ear pixel at column " << column;
    }
  }
  EXPECT_NE(STEP_LOW, STEP_HIGH);
}

/// Checks the fruit in a carrying frame: a 7 x 7 red disc centred on `center` with rows of
/// 2, 6, 7, 7, 7, 5 and 3 pixels, its first row beside a two-pixel green stem above the centre.
void expect_fruit(const SpriteFrame& frame, Pixel center) {
  const auto [row, column] = center;
  EXPECT_EQ(box_of(frame, [](std::uint32_t p) { return p == kRed; }),
            (Box{row - 3, row + 3, column - 3, column + 3}));
  const std::set<Pixel> stem = {{row - 4, column}, {row - 3, column}};
  EXPECT_EQ(pixels_of(frame, kGreen), stem);
  EXPECT_EQ(at(frame, row - 3, column - 1), kRed);
  EXPECT_EQ(at(frame, row - 3, column + 1), kRed);

  const std::array<int, 7> widths = {2, 6, 7, 7, 7, 5, 3};
  const std::set<Pixel> red = pixels_of(frame, kRed);
  for (int i = 0; i < 7; ++i) {
    int count = 0;
    for (const auto& [r, c] : red) count += r == row - 3 + i;
    EXPECT_EQ(count, widths[static_cast<std::size_t>(i)]) << "disc row " << i;
  }
}

TEST(SpriteFrames, CarryTheFruitAtTheNose) {
  {
    SCOPED_TRACE("CARRY_HIGH");
    expect_fruit(CARRY_HIGH, {29, 44});
  }
  {
    SCOPED_TRACE("CARRY_LOW");
    expect_fruit(CARRY_LOW, {31, 42});
  }
}

/// Checks that `carrying` is `walking` with the fruit laid over it, pixel by pixel, and that
/// the fruit hides exactly one animal pixel: a deep pink one of the nose.
void expect_walking_frame_under_fruit(const SpriteFrame& walking, const SpriteFrame& carrying) {
  std::vector<Pixel> hidden;
  for (int row = 0; row < SPRITE_SIZE; ++row) {
    for (int column = 0; column < SPRITE_SIZE; ++column) {
      const std::uint32_t below = at(walking, row, column);
      const std::uint32_t shown = at(carrying, row, column);
      if (shown == kRed || shown == kGreen) {
        if (below != kClear) hidden.push_back({row, column});
      } else {
        ASSERT_EQ(shown, below) << "pixel (" << row << ", " << column << ")";
      }
    }
  }
  ASSERT_EQ(hidden.size(), 1u);
  EXPECT_EQ(at(walking, hidden[0].first, hidden[0].second), kDeepPink);
}

TEST(SpriteFrames, CarryLowIsStepLowWithTheFruit) {
  expect_walking_frame_under_fruit(STEP_LOW, CARRY_LOW);
}

TEST(SpriteFrames, CarryHighIsStepHighOneColumnOnWithTheFruit) {
  SpriteFrame moved{};
  for (int row = 0; row < SPRITE_SIZE; ++row) {
    ASSERT_EQ(at(STEP_HIGH, row, SPRITE_SIZE - 1), kClear) << "nothing may be pushed off";
    for (int column = 1; column < SPRITE_SIZE; ++column) {
      moved[static_cast<std::size_t>(row * SPRITE_SIZE + column)] = at(STEP_HIGH, row, column - 1);
    }
  }
  expect_walking_frame_under_fruit(moved, CARRY_HIGH);
}

}  // namespace
}  // namespace tavvik
