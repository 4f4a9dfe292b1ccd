// Tick stamps across the 32-bit wrap, and waiting without spinning.
#include "support/Timing.h"

#include "HeadlessFixture.h"

namespace {

class TimingTest : public THeadlessTest {};

TEST_F(TimingTest, StampZeroCountsAsExpiredAndRestartSetsIt) {
  EXPECT_EQ(ElapsedSince(0), 0u);
  EXPECT_TRUE(IntervalPassed(0, 1000));
  uint32_t stamp = 0;
  EXPECT_TRUE(IntervalRestart(stamp, 1000));
  EXPECT_EQ(stamp, Platform->TickCount());
  EXPECT_FALSE(IntervalRestart(stamp, 1000));
  Platform->AdvanceClock(999);
  EXPECT_FALSE(IntervalPassed(stamp, 1000));
  Platform->AdvanceClock(1);
  EXPECT_TRUE(IntervalPassed(stamp, 1000));
}

TEST_F(TimingTest, NowNeverReturnsTheNotRunningStamp) {
  Platform->AdvanceClock(0u - Platform->TickCount());
  ASSERT_EQ(Platform->TickCount(), 0u);
  EXPECT_EQ(Now(), 1u);
}

class TimingWrapTest : public THeadlessTest {
 protected:
  TimingWrapTest() : THeadlessTest(320, 240, 0xFFFFFF00u) {}
};

TEST_F(TimingWrapTest, ElapsedSinceCountsAcrossTheWrap) {
  const uint32_t stamp = Now();
  Platform->AdvanceClock(0x100);  // the counter now reads 0
  Platform->AdvanceClock(50);
  EXPECT_EQ(Platform->TickCount(), 50u);
  // The game's wrap rule counts one millisecond less than modular arithmetic.
  EXPECT_EQ(ElapsedSince(stamp), 0x100u + 50u - 1u);
  EXPECT_TRUE(IntervalPassed(stamp, 300));
  EXPECT_FALSE(IntervalPassed(stamp, 400));
}

TEST_F(TimingWrapTest, WaitMsEndsEvenWhenTheCounterWraps) {
  const uint32_t before = Platform->TickCount();
  WaitMs(1000);
  // The counter read below the start once it wrapped, which ends the wait early.
  EXPECT_LT(Platform->TickCount(), before);
  EXPECT_LE(Platform->TickCount(), 1000u);
}

TEST_F(TimingTest, WaitMsWaitsMoreThanNAndSleepsInsteadOfSpinning) {
  const uint32_t before = Platform->TickCount();
  WaitMs(1);
  EXPECT_EQ(Platform->TickCount() - before, 2u);
  EXPECT_LE(Platform->TimesWaited(), 2);
}

TEST_F(TimingTest, WaitMsRunsTimerHandlersWhileWaiting) {
  int fired = 0;
  TTimer timer(100, [&] { ++fired; });
  WaitMs(1000);
  EXPECT_EQ(fired, 10);
}

}  // namespace
