// Rectangle tests with inclusive edges, and the sign and rounding rules.
#include "support/Geometry.h"

#include <gtest/gtest.h>

#include "support/Random.h"

namespace {

TEST(GeometryTest, AllFourEdgesOfARectangleCountAsInside) {
  const TRect r{0, 0, 10, 20};
  EXPECT_TRUE(PointInRect({10, 20}, r));
  EXPECT_TRUE(PointInRect({0, 0}, r));
  EXPECT_FALSE(PointInRect({11, 20}, r));
  EXPECT_FALSE(PointInRect({-1, 5}, r));
}

TEST(GeometryTest, RectanglesOverlapOnlyWhenACornerLiesInTheOther) {
  EXPECT_TRUE(RectsOverlap({0, 0, 10, 10}, {10, 10, 20, 20}));  // touching corners
  EXPECT_TRUE(RectsOverlap({0, 0, 100, 100}, {40, 40, 50, 50}));  // one inside the other
  EXPECT_FALSE(RectsOverlap({0, 0, 10, 10}, {11, 0, 20, 10}));
  // A plus sign: the bars cross, but no corner of either lies in the other.
  EXPECT_FALSE(RectsOverlap({0, 40, 100, 60}, {40, 0, 60, 100}));
}

TEST(GeometryTest, RoundingGoesToTheNearestEvenOnHalves) {
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(1024 / 2.5), 410);
  EXPECT_EQ(Round(768 / 2.5), 307);
}

TEST(GeometryTest, SignsAndTheDivisorGuard) {
  EXPECT_EQ(SignOf(-7), -1);
  EXPECT_EQ(SignOf(0), 0);
  EXPECT_EQ(SignOfFloat(0.0), 0.0);
  EXPECT_EQ(SignOfFloat(-0.1), -1.0);
  EXPECT_EQ(NonZeroOr1(0.0), 1.0);
  EXPECT_EQ(NonZeroOr1(-3.0), -3.0);
  RandSeed(7);
  bool seen[2] = {false, false};
  for (int i = 0; i < 100; ++i) seen[RandomSign() > 0] = true;
  EXPECT_TRUE(seen[0] && seen[1]);
}

}  // namespace
