// The sprite font and the head-up display.
#include "GameFixture.h"

namespace {

class HudTest : public TGameTest {
 protected:
  HudTest() : TGameTest(1024, 768) {}

  // Whether any pixel of the playfield rectangle is drawn.
  bool Drawn(int left, int top, int right, int bottom) const {
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x)
        if (World->Playfield().Pixel(x, y) != 0) return true;
    return false;
  }
};

TEST_F(HudTest, TextIsUpperCasedAtANinePixelPitchWithGapsForUnknownCharacters) {
  World->ClearPlayfield();
  World->DrawText(10, 10, "a b", 0);
  EXPECT_EQ(World->Font->TextWidth("a b"), 27);
  EXPECT_TRUE(Drawn(10, 10, 19, 19));
  EXPECT_FALSE(Drawn(19, 10, 28, 19));  // the blank leaves its cell empty
  EXPECT_TRUE(Drawn(28, 10, 37, 19));
  // Glyphs are recoloured by variant: red for variant 4.
  World->ClearPlayfield();
  World->DrawText(0, 0, "I", 4);
  bool red = false;
  for (int i = 0; i < 81; ++i) red = red || World->Playfield().Pixel(i % 9, i / 9) == 0xFFFF0000;
  EXPECT_TRUE(red);
}

TEST_F(HudTest, NumbersArePaddedButNeverCutAndMessagesEndAtHalfHeight) {
  World->ClearPlayfield();
  World->DrawNumber(0, 0, 1234567, 6);
  EXPECT_TRUE(Drawn(54, 0, 63, 9));  // the seventh digit
  World->ClearPlayfield();
  World->DrawMessage(std::string("LEVEL 10") + MessageSeparator + "SPACE INVADERS", 0);
  const int h = World->Playfield().Height();  // 307: the title's top at 153, the line above at 141
  EXPECT_FALSE(Drawn(0, 0, 410, 141));
  EXPECT_TRUE(Drawn(0, 141, 410, 149));
  EXPECT_TRUE(Drawn(0, h / 2, 410, h / 2 + 8));
  EXPECT_FALSE(Drawn(0, h / 2 + 9, 410, h));
  EXPECT_EQ(World->Font->CenterTextX(World->Playfield(), "SPACE INVADERS"), (410 - 126) / 2);
}

TEST_F(HudTest, TheDisplayShowsScoresLivesFlagsAndTheHintAtTheirPlaces) {
  World->Lives = 3;
  World->Cycle = 0;
  World->ClearPlayfield();
  World->DrawHud();
  // At a 410-pixel playfield: score at (92, 10), high score at (198, 10), QUIT at 326.
  EXPECT_TRUE(Drawn(92, 10, 98, 17));
  EXPECT_FALSE(Drawn(80, 10, 91, 17));
  EXPECT_TRUE(Drawn(198, 10, 204, 17));
  EXPECT_TRUE(Drawn(326, 0, 361, 7));
  // Two life icons (9 pixels each) from x = 91; no third; no lap flag.
  EXPECT_TRUE(Drawn(91, 22, 100, 32));
  EXPECT_TRUE(Drawn(100, 22, 109, 32));
  EXPECT_FALSE(Drawn(109, 22, 118, 32));
  EXPECT_FALSE(Drawn(198, 22, 220, 37));
  // The play hint: 306 pixels wide, from x = 52, 60 pixels below the middle.
  EXPECT_TRUE(Drawn(52, 213, 60, 220));
  EXPECT_FALSE(Drawn(0, 213, 52, 220));
  World->Lives = 1;
  World->Cycle = 2;
  World->ShowPlayHint = false;
  World->ClearPlayfield();
  World->DrawHud();
  EXPECT_FALSE(Drawn(91, 22, 109, 32));
  EXPECT_TRUE(Drawn(198, 22, 218, 37));
  EXPECT_FALSE(Drawn(0, 213, 410, 220));
}

TEST_F(HudTest, TheGrownDeathBlastKeepsItsOwnColoursToItsEdges) {
  // The blast's picture: the sum of the channels of its darkest colour.
  const TBitmap32& blast = *World->ExplodeBitmap;
  const auto brightness = [](TColor32 c) { return RedComponent(c) + GreenComponent(c) + BlueComponent(c); };
  int darkest = 3 * 255;
  for (int y = 0; y < blast.Height(); ++y)
    for (int x = 0; x < blast.Width(); ++x)
      if ((blast.Pixel(x, y) & 0xFFFFFF) != 0) darkest = std::min(darkest, brightness(blast.Pixel(x, y)));
  // Half a second after the death it is ten times its size, over an empty playfield:
  // no pixel of it fades through black into something darker than the picture has
  // (mixes of its own colours may round a level or two below it).
  World->ShowPlayHint = false;
  World->DeathPoint = {200, 150};
  World->DeathStamp = Platform->TickCount() - 500;
  World->ClearPlayfield();
  World->DrawHud();
  int drawn = 0;
  for (int y = 60; y < 240; ++y)
    for (int x = 110; x < 290; ++x) {
      const TColor32 p = World->Playfield().Pixel(x, y);
      if ((p & 0xFFFFFF) == 0) continue;
      ++drawn;
      ASSERT_GE(brightness(p), darkest - 6) << x << "," << y;
    }
  EXPECT_GT(drawn, 10 * 10 * 10);
}

TEST_F(HudTest, OneUpBlinksAndTheCountdownsRoundHalvesToEven) {
  const auto oneUpShown = [&](uint32_t after) {
    Platform->AdvanceClock(after);
    World->ClearPlayfield();
    World->DrawHud();
    return Drawn(106, 0, 133, 7);
  };
  // The blink restarts every 500 ms and hides "1UP" for the first 250 ms of each cycle.
  EXPECT_TRUE(oneUpShown(0));
  EXPECT_FALSE(oneUpShown(100));
  EXPECT_FALSE(oneUpShown(149));
  EXPECT_TRUE(oneUpShown(1));
  EXPECT_TRUE(oneUpShown(250));
  EXPECT_FALSE(oneUpShown(100));
  World->StartKick();
  Platform->AdvanceClock(500);
  World->ClearPlayfield();
  World->DrawHud();
  // 9.5 seconds left shows as 10: two lines, "KICK" above "10", centred.
  EXPECT_TRUE(Drawn(187, 141, 223, 148));
  EXPECT_TRUE(Drawn(196, 153, 214, 160));
}

}  // namespace
