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
  int pointerReads = 0;
  Platform->SetPointerScript([&](uint32_t) {
    ++pointerReads;
    return TScreenPoint{10, 10};
  });
  Platform->SetEscapeScript([start](uint32_t tick) { return tick - start >= 60000; });
  World->InitWorld();
  World->RunGame();

  EXPECT_TRUE(World->Quit);
  EXPECT_EQ(Platform->TickCount() - start, 60000u);
  // A frame every 30 ms: the first at once, the last in the pass that saw Escape.
  EXPECT_EQ(Platform->FrameCount(TWindowKind::Overlay), 2 /* set-up */ + 2001 + 1 /* cleared at the end */);
  // The gun's timer every 100 ms, plus the reading at the start of the game.
  EXPECT_EQ(pointerReads, 600 + 1);
  // The wave timer raises every 200 ms while the game is not the active application,
  // the play loop every 1800 ms.
  EXPECT_EQ(Platform->EventsOf("raise").size(), 300u + 34u);
  // The loop sleeps between frames instead of spinning.
  EXPECT_LE(Platform->TimesWaited(), 2001 + 600 + 300);
  EXPECT_FALSE(World->Window().IsVisible());
  const TCapturedFrame& last = Platform->LastFrame(TWindowKind::Overlay);
  EXPECT_TRUE(std::all_of(last.Pixels.begin(), last.Pixels.end(), [](uint32_t p) { return (p & 0xFFFFFF) == 0; }));
}

}  // namespace
