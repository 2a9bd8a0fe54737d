#include "panel/widgets/button_outline.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vx::panel {
namespace {

double Distance(Pixel p, double cx, double cy) {
  return std::hypot(p.x - cx, p.y - cy);
}

TEST(ButtonOutline, ACircleOf21PixelsHasRadii10To6With10PointsEach) {
  const Outlines outlines = ComputeOutlines(ButtonShape::Circle, 21, 21);
  ASSERT_TRUE(OutlinesValid(outlines));
  const double radii[] = {10, 9, 8, 6};
  for (size_t level = 0; level < 4; ++level) {
    ASSERT_EQ(outlines[level].size(), 11u) << level;  // ten points and the closing one
    EXPECT_EQ(outlines[level].front(), outlines[level].back());
    for (const Pixel& p : outlines[level]) {
      EXPECT_NEAR(Distance(p, 10, 10), radii[level], 0.75) << level;
    }
  }
  EXPECT_EQ(outlines[0][0], (Pixel{20, 10}));
}

TEST(ButtonOutline, CapsulesLieAlongTheLongerSide) {
  const Outlines wide = ComputeOutlines(ButtonShape::Capsule, 97, 35);
  ASSERT_TRUE(OutlinesValid(wide));
  // The far end of a wide button is its right end, starting at the top.
  EXPECT_EQ(wide[0].front(), (Pixel{79, 0}));
  int maxX = 0;
  int maxY = 0;
  for (const Pixel& p : wide[0]) {
    maxX = std::max(maxX, p.x);
    maxY = std::max(maxY, p.y);
  }
  EXPECT_EQ(maxX, 96);
  EXPECT_EQ(maxY, 34);

  const Outlines tall = ComputeOutlines(ButtonShape::Capsule, 35, 97);
  ASSERT_TRUE(OutlinesValid(tall));
  // A tall button starts on the right of its bottom semicircle.
  EXPECT_EQ(tall[0].front(), (Pixel{34, 79}));
}

TEST(ButtonOutline, RectanglesAndDiamondsAreInsetPerLevel) {
  const Outlines rectangle = ComputeOutlines(ButtonShape::Rectangle, 21, 19);
  EXPECT_EQ(rectangle[0], (Outline{{0, 0}, {20, 0}, {20, 18}, {0, 18}, {0, 0}}));
  EXPECT_EQ(rectangle[3], (Outline{{4, 4}, {16, 4}, {16, 14}, {4, 14}, {4, 4}}));
  EXPECT_TRUE(OutlinesValid(rectangle));
  const Outlines diamond = ComputeOutlines(ButtonShape::Diamond, 21, 11);
  EXPECT_EQ(diamond[0], (Outline{{5, 5}, {10, 0}, {15, 5}, {10, 10}, {5, 5}}));
}

TEST(ButtonOutline, TooSmallShapesAreNotValid) {
  EXPECT_FALSE(OutlinesValid(ComputeOutlines(ButtonShape::Circle, 2, 2)));
  EXPECT_FALSE(OutlinesValid(Outlines{}));
}

TEST(ButtonOutline, LightFallsFromTheUpperLeft) {
  // Outlines run clockwise on the screen: the upper-left edge is lit, the lower-right dark.
  EXPECT_NEAR(EdgeWeight({0, 10}, {10, 0}), 1.0, 1e-12);
  EXPECT_NEAR(EdgeWeight({10, 0}, {0, 10}), 0.0, 1e-12);
  EXPECT_NEAR(EdgeWeight({0, 0}, {10, 0}), 0.853553, 1e-6);    // top edge
  EXPECT_NEAR(EdgeWeight({0, 10}, {0, 0}), 0.853553, 1e-6);    // left edge
  EXPECT_NEAR(EdgeWeight({10, 0}, {10, 10}), 0.146447, 1e-6);  // right edge
}

TEST(ButtonOutline, BlendsChannelByChannelDroppingFractions) {
  const Rgb white{255, 255, 255};
  const Rgb black{0, 0, 0};
  EXPECT_EQ(BlendColour(white, black, 0.5), (Rgb{127, 127, 127}));
  EXPECT_EQ(BlendColour(white, black, 1.0), white);
  EXPECT_EQ(BlendColour(Rgb{200, 100, 0}, Rgb{0, 50, 250}, 0.25), (Rgb{50, 62, 187}));
}

}  // namespace
}  // namespace vx::panel
