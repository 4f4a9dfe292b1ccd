// The shared random generator: in range, uniform, and repeatable from a seed.
#include "support/Random.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "HeadlessFixture.h"

namespace {

TEST(RandomTest, DrawsStayInRangeAndCoverItEvenly) {
  RandSeed(12345);
  std::array<int, 7> counts{};
  for (int i = 0; i < 70000; ++i) {
    const int r = Random(7);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, 7);
    ++counts[static_cast<size_t>(r)];
  }
  for (int count : counts) EXPECT_NEAR(count, 10000, 400);
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(1), 0);
}

TEST(RandomTest, TheSameSeedGivesTheSameDraws) {
  const auto draws = [](uint64_t seed) {
    RandSeed(seed);
    std::vector<int> values;
    for (int i = 0; i < 20; ++i) values.push_back(Random(1000));
    return values;
  };
  EXPECT_EQ(draws(99), draws(99));
  EXPECT_NE(draws(99), draws(100));
}

class RandomizeTest : public THeadlessTest {};

TEST_F(RandomizeTest, RandomizeFollowsThePlatformClock) {
  Randomize();
  const int first = Random(1 << 30);
  Randomize();
  EXPECT_EQ(Random(1 << 30), first);
  Platform->AdvanceClock(1);
  Randomize();
  EXPECT_NE(Random(1 << 30), first);
}

}  // namespace
