// The game window on the headless platform: set-up, composition, pacing and the timers.
#include "app/WorldForm.h"

#include "HeadlessFixture.h"

namespace {

class WorldFormTest : public THeadlessTest {
 protected:
  explicit WorldFormTest(int width = 1024, int height = 768) : THeadlessTest(width, height) {
    World = std::make_unique<TWorldForm>();
    WorldForm = World.get();
  }
  ~WorldFormTest() override {
    WorldForm = nullptr;
    World.reset();
  }

  std::unique_ptr<TWorldForm> World;
};

TEST_F(WorldFormTest, TheFirstSetUpSizesFromTheDesignAndTheSecondFromTheScreen) {
  World->InitWorld();
  EXPECT_EQ(World->Playfield().Width(), 236);
  EXPECT_EQ(World->Playfield().Height(), 192);
  EXPECT_TRUE(World->Window().IsVisible());
  World->InitWorld();
  EXPECT_EQ(World->Playfield().Width(), 410);
  EXPECT_EQ(World->Playfield().Height(), 307);
  EXPECT_EQ(World->ScreenPicture().Width(), 1024);
  EXPECT_EQ(World->ScreenPicture().Height(), 768);
  EXPECT_TRUE(World->ShowPlayHint);
  // The window starts fully see-through.
  const TCapturedFrame& frame = Platform->LastFrame(TWindowKind::Overlay);
  ASSERT_EQ(frame.Width, 1024);
  EXPECT_TRUE(std::all_of(frame.Pixels.begin(), frame.Pixels.end(), [](uint32_t p) { return (p & 0xFFFFFF) == 0; }));
}

TEST_F(WorldFormTest, APlayfieldPixelShowsEnlargedOnTheScreenAndTheRestStaysBlack) {
  World->InitWorld();
  World->InitWorld();
  for (int y = 49; y <= 51; ++y)
    for (int x = 99; x <= 101; ++x) World->Playfield().SetPixel(x, y, 0x00FF8000);
  World->ComposeFrame();
  const TCapturedFrame& frame = Platform->LastFrame(TWindowKind::Overlay);
  // Playfield pixel (100, 50) lies under screen pixels 250 to 252 and 125 to 127
  // (1024 / 410 is a little under 2.5); its neighbours have its colour, so no mixing.
  EXPECT_EQ(frame.Pixel(251, 126) & 0xFFFFFF, 0xFF8000u);
  EXPECT_EQ(frame.Pixel(0, 0) & 0xFFFFFF, 0u);
  EXPECT_EQ(frame.Pixel(256, 126) & 0xFFFFFF, 0u);
  EXPECT_NE(frame.Pixel(254, 126) & 0xFFFFFF, 0xFF8000u);  // the filtered edge
  EXPECT_NE(frame.Pixel(254, 126) & 0xFFFFFF, 0u);
  int lit = 0;
  for (uint32_t p : frame.Pixels) lit += (p & 0xFFFFFF) != 0;
  EXPECT_GE(lit, 8 * 8);
  EXPECT_LE(lit, 10 * 10);
}

TEST_F(WorldFormTest, TheGunIsThePointerDividedByTwoAndAHalf) {
  World->InitWorld();
  Platform->SetPointerPos(1023, 767);
  TPoint p{-1, -1};
  World->GetGunPos(p);
  EXPECT_EQ(p.X, 409);
  EXPECT_EQ(p.Y, 307);
  Platform->SetPointerReadable(false);
  World->GetGunPos(p);
  EXPECT_EQ(p.X, 409);
}

TEST_F(WorldFormTest, TheWaveTimerClearsTheCueWindowAndRaisesTheWindowWhenInactive) {
  World->InitWorld();
  World->PlayedCues->Add("killmonster");
  Platform->AdvanceClock(WaveTimerIntervalMs);
  Platform->ProcessMessages();
  EXPECT_TRUE(World->PlayedCues->IsEmpty());
  EXPECT_EQ(Platform->EventsOf("raise").size(), 1u);
}

class WorldFormPacingTest : public WorldFormTest {
 protected:
  WorldFormPacingTest() : WorldFormTest(320, 240) {}
};

TEST_F(WorldFormPacingTest, AMinuteOfPlayPacesFramesAndTimersAndEscapeEndsTheProgram) {
  const uint32_t start = Platform->TickCount();
  int gunTicks = 0;
  // The gun's tick asks for the buttons once, whatever happens in the game.
  Platform->SetButtonScript([&](uint32_t) {
    ++gunTicks;
    return 0u;
  });
  Platform->SetEscapeScript([start](uint32_t tick) { return tick - start >= 60000; });
  World->InitWorld();
  World->RunGame();

  EXPECT_TRUE(World->Quit);
  EXPECT_EQ(Platform->TickCount() - start, 60000u);
  // A frame every 30 ms (the first at once, the last in the pass that saw Escape);
  // each new game starts its frame clock afresh, which may add one frame. Besides
  // those: the two clear pictures of the set-up and one at the end of every game.
  const int games = static_cast<int>(Platform->EventsOf("hide").size());
  EXPECT_GE(games, 1);
  const int frames = Platform->FrameCount(TWindowKind::Overlay) - 2 - games;
  EXPECT_GE(frames, 2001);
  EXPECT_LE(frames, 2001 + games - 1);
  EXPECT_EQ(gunTicks, 600);
  // The loop sleeps between frames and timers instead of spinning.
  EXPECT_LE(Platform->TimesWaited(), 2001 + 600 + 300);
  EXPECT_FALSE(World->Window().IsVisible());
  const TCapturedFrame& last = Platform->LastFrame(TWindowKind::Overlay);
  EXPECT_TRUE(std::all_of(last.Pixels.begin(), last.Pixels.end(), [](uint32_t p) { return (p & 0xFFFFFF) == 0; }));
}

}  // namespace
