// The headless platform: its clock jumps to the next deadline, and input follows the scripts.
#include "platform/headless/HeadlessPlatform.h"

#include "HeadlessFixture.h"

namespace {

class HeadlessPlatformTest : public THeadlessTest {};

TEST_F(HeadlessPlatformTest, WaitingJumpsToTheEarliestOfTimeoutTimerAndScriptedEvent) {
  TTimer timer(100, [] {});
  Platform->WaitForMessage(500);
  EXPECT_EQ(Platform->TickCount(), 1100u);
  Platform->WaitForMessage(500);  // the timer is due and waiting: no time passes
  EXPECT_EQ(Platform->TickCount(), 1100u);
  Platform->ProcessMessages();
  Platform->ScheduleKey(1130, 'A');
  Platform->WaitForMessage(500);
  EXPECT_EQ(Platform->TickCount(), 1130u);
  Platform->WaitForMessage(500);  // the key is waiting: no time passes
  EXPECT_EQ(Platform->TickCount(), 1130u);
  Platform->ProcessMessages();  // no menu has the focus, so the key goes nowhere
  Platform->WaitForMessage(20);
  EXPECT_EQ(Platform->TickCount(), 1150u);
}

TEST_F(HeadlessPlatformTest, AClickBetweenTwoPollsIsReportedOnceAndHeldButtonsAlways) {
  Platform->ScheduleClick(1050);
  EXPECT_EQ(Platform->MouseButtonsDown(), 0u);
  Platform->AdvanceClock(100);
  EXPECT_EQ(Platform->MouseButtonsDown(), 1u);
  EXPECT_EQ(Platform->MouseButtonsDown(), 0u);
  Platform->SetButtonScript([](uint32_t tick) { return tick >= 1200 ? 2u : 0u; });
  Platform->AdvanceClock(100);
  EXPECT_EQ(Platform->MouseButtonsDown(), 2u);
  EXPECT_EQ(Platform->MouseButtonsDown(), 2u);
}

TEST_F(HeadlessPlatformTest, ClicksScheduledOutOfOrderComeInTheOrderOfTheirTimesAndWakeTheWait) {
  for (const uint32_t tick : {1300u, 1100u, 1200u, 1100u}) Platform->ScheduleClick(tick);
  Platform->WaitForMessage(1000);
  EXPECT_EQ(Platform->TickCount(), 1100u);
  EXPECT_EQ(Platform->MouseButtonsDown(), 1u);  // both of 1100, as one press
  EXPECT_EQ(Platform->MouseButtonsDown(), 0u);
  Platform->WaitForMessage(1000);
  EXPECT_EQ(Platform->TickCount(), 1200u);
  Platform->ForgetPresses();
  EXPECT_EQ(Platform->MouseButtonsDown(), 0u);
  Platform->WaitForMessage(1000);
  EXPECT_EQ(Platform->TickCount(), 1300u);
  EXPECT_EQ(Platform->MouseButtonsDown(), 1u);
}

TEST_F(HeadlessPlatformTest, KeysAndClicksReachTheShownMenuWindowOnly) {
  auto menu = Platform->CreateWindow(TWindowKind::Menu);
  std::vector<uint16_t> keys;
  std::vector<std::pair<int, int>> clicks;
  menu->OnKeyDown = [&](uint16_t key) { keys.push_back(key); };
  menu->OnMouseDown = [&](int x, int y) { clicks.emplace_back(x, y); };
  menu->SetBounds(100, 50, 200, 100);
  Platform->ScheduleKey(1000, VK_RETURN);
  Platform->ProcessMessages();
  EXPECT_TRUE(keys.empty());
  menu->Show();
  Platform->ScheduleKey(1000, VK_ESCAPE);
  Platform->SetPointerPos(150, 60);
  Platform->InjectLeftClick();
  Platform->ProcessMessages();
  EXPECT_EQ(keys, std::vector<uint16_t>{VK_ESCAPE});
  EXPECT_EQ(clicks, (std::vector<std::pair<int, int>>{{50, 10}}));
  EXPECT_EQ(Platform->MouseButtonsDown(), 1u);  // the injected click is a real click
  EXPECT_FALSE(Platform->IsApplicationActive());
  Platform->BringToFront();
  EXPECT_TRUE(Platform->IsApplicationActive());
}

TEST_F(HeadlessPlatformTest, KeepsTheFramesAskedForAndSavesThemAsPng) {
  auto window = Platform->CreateWindow(TWindowKind::Overlay);
  Platform->KeepFrames(2);
  std::vector<uint32_t> pixels(320 * 240, 0);
  for (uint32_t value : {1u, 2u, 3u}) {
    pixels[0] = value;
    window->Present({pixels.data(), 320, 240, 320});
    Platform->AdvanceClock(30);
  }
  EXPECT_EQ(Platform->FrameCount(TWindowKind::Overlay), 3);
  ASSERT_EQ(Platform->Frames(TWindowKind::Overlay).size(), 2u);
  EXPECT_EQ(Platform->Frames(TWindowKind::Overlay).front().Pixel(0, 0), 2u);
  EXPECT_EQ(Platform->LastFrame(TWindowKind::Overlay).Pixel(0, 0), 3u);
  EXPECT_EQ(Platform->LastFrame(TWindowKind::Overlay).Tick, 1060u);
  EXPECT_EQ(Platform->FrameCount(TWindowKind::Menu), 0);
  const std::string path = ::testing::TempDir() + "headless_frame.png";
  Platform->SaveFramePng(Platform->LastFrame(TWindowKind::Overlay), path);
  EXPECT_EQ(std::remove(path.c_str()), 0);
}

TEST_F(HeadlessPlatformTest, AnUnreadablePointerLeavesThePositionAlone) {
  Platform->SetPointerScript([](uint32_t tick) { return TScreenPoint{static_cast<int>(tick % 1000), 7}; });
  int x = -1, y = -1;
  ASSERT_TRUE(Platform->GetPointerPos(x, y));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 7);
  Platform->SetPointerReadable(false);
  x = y = -5;
  EXPECT_FALSE(Platform->GetPointerPos(x, y));
  EXPECT_EQ(x, -5);
}

}  // namespace
