// Timers fire inside message processing, coalesce missed periods and keep their phase.
#include "platform/Timer.h"

#include "HeadlessFixture.h"

namespace {

class TimerTest : public THeadlessTest {};

TEST_F(TimerTest, FiresOnlyWhenMessagesAreProcessed) {
  int fired = 0;
  TTimer timer(100, [&] { ++fired; });
  Platform->AdvanceClock(250);
  EXPECT_EQ(fired, 0);
  Platform->ProcessMessages();
  EXPECT_EQ(fired, 1);  // two periods passed, one delivery
  Platform->ProcessMessages();
  EXPECT_EQ(fired, 1);
  // The next period keeps the phase of the first: due at 300, not at 350.
  Platform->AdvanceClock(50);
  Platform->ProcessMessages();
  EXPECT_EQ(fired, 2);
}

TEST_F(TimerTest, ADisabledTimerNeverFiresAndRestartsItsPeriodWhenEnabled) {
  int fired = 0;
  TTimer timer(1000, [&] { ++fired; }, false);
  Platform->AdvanceClock(5000);
  Platform->ProcessMessages();
  EXPECT_EQ(fired, 0);
  timer.SetEnabled(true);
  Platform->AdvanceClock(999);
  Platform->ProcessMessages();
  EXPECT_EQ(fired, 0);
  Platform->AdvanceClock(1);
  Platform->ProcessMessages();
  EXPECT_EQ(fired, 1);
}

TEST_F(TimerTest, AHandlerMayFreeAnotherTimerOrItself) {
  int fired = 0;
  auto second = std::make_unique<TTimer>(100, [&] { ++fired; });
  std::unique_ptr<TTimer> first;
  first = std::make_unique<TTimer>(100, [&] {
    second.reset();
    first.reset();
  });
  TTimer third(100, [&] { ++fired; });
  Platform->AdvanceClock(100);
  Platform->ProcessMessages();
  EXPECT_EQ(fired, 2);  // the second fired before the first freed it; the third still fires
  EXPECT_EQ(second, nullptr);
  Platform->AdvanceClock(100);
  Platform->ProcessMessages();
  EXPECT_EQ(fired, 3);
}

class TimerWrapTest : public THeadlessTest {
 protected:
  TimerWrapTest() : THeadlessTest(320, 240, 0xFFFFFFF0u) {}
};

TEST_F(TimerWrapTest, KeepsItsRateAcrossTheWrapOfTheCounter) {
  int fired = 0;
  TTimer timer(100, [&] { ++fired; });
  for (int i = 0; i < 100; ++i) {
    Platform->WaitForMessage(1000);
    Platform->ProcessMessages();
  }
  EXPECT_EQ(fired, 100);
  EXPECT_EQ(Platform->TickCount(), 0xFFFFFFF0u + 100u * 100u);
}

}  // namespace
