#include "tavvik/animation_state.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

tavvik::AnimationState state_for_width(std::uint16_t width) {
  tavvik::AnimationState state;
  state.area = tui::Rect{0, 0, width, 30};
  return state;
}

TEST(AnimationState, StartsAsTheFirstFrameAtTheLeftEdge) {
  const tavvik::AnimationState state;
  EXPECT_EQ(state.area, (tui::Rect{0, 0, 0, 0}));
  EXPECT_FALSE(state.arrived);
  EXPECT_EQ(state.fruit_radius, 3.0);
  EXPECT_TRUE(state.first_frame);
  EXPECT_EQ(state.scale, 1);
  EXPECT_EQ(state.x, 0u);
  EXPECT_FALSE(state.pose);
}

TEST(AnimationState, PoseFlipsOnEveryAdvance) {
  auto state = state_for_width(80);
  std::vector<bool> poses;
  for (int i = 0; i < 4; ++i) {
    state.advance();
    poses.push_back(state.pose);
  }
  EXPECT_EQ(poses, (std::vector<bool>{true, false, true, false}));
}

TEST(AnimationState, At80ColumnsTheWalkWrapsPastTwiceTheWidth) {
  auto state = state_for_width(80);
  std::vector<std::uint64_t> xs;
  for (int i = 0; i < 82; ++i) {
    state.advance();
    xs.push_back(state.x);
  }
  EXPECT_EQ(xs[0], 2u);
  EXPECT_EQ(xs[79], 160u);  // 160 is not past 2 * 80, so it is still walked
  EXPECT_EQ(xs[80], 0u);    // 162 is
  EXPECT_EQ(xs[81], 2u);
  EXPECT_FALSE(state.arrived) << "narrower than 90 columns the fruit is never reached";
}

TEST(AnimationState, At89ColumnsTheArrivalPointWrapsAndIsNeverReached) {
  auto state = state_for_width(89);
  for (int i = 0; i < 1000; ++i) EXPECT_FALSE(state.advance());
  EXPECT_FALSE(state.arrived);
}

TEST(AnimationState, At90And94ColumnsTheFirstAdvanceArrives) {
  // At 90 the arrival point is column 0; at 94 it is column 2, where the first step lands.
  for (const std::uint16_t width : {90, 94}) {
    auto state = state_for_width(width);
    EXPECT_TRUE(state.advance()) << width << " columns";
    EXPECT_TRUE(state.arrived) << width << " columns";
    EXPECT_EQ(state.x, 2u);
  }
}

TEST(AnimationState, At200ColumnsTheTwentyEighthAdvanceArrivesAndStaysArrived) {
  auto state = state_for_width(200);
  for (int i = 1; i <= 27; ++i) {
    EXPECT_FALSE(state.advance()) << "advance " << i;
  }
  EXPECT_EQ(state.x, 54u);
  EXPECT_TRUE(state.advance());
  EXPECT_EQ(state.x, 56u);
  EXPECT_TRUE(state.arrived);
  // Around the wrap the left edge is short of the fruit again, but the fruit stays carried.
  while (state.x != 0) state.advance();
  EXPECT_TRUE(state.arrived);
}

TEST(AnimationState, TwiceTheWidthIsASixteenBitValue) {
  // 40000 columns: 2 * W wraps to 14464, so the walk turns back there.
  auto state = state_for_width(40000);
  state.x = 14464;
  state.advance();
  EXPECT_EQ(state.x, 0u);
}

TEST(AnimationState, ZeroWidthNeverLeavesTheLeftEdge) {
  auto state = state_for_width(0);
  for (int i = 0; i < 3; ++i) state.advance();
  EXPECT_EQ(state.x, 0u);
  EXPECT_FALSE(state.arrived);
}

}  // namespace
