// The sprite font and the head-up display.
#include "ContrastRatio.h"
#include "GameFixture.h"
#include "sprites/Resampler.h"

namespace {

constexpr TColor32 DesktopWhite = 0xFFFFFF, DesktopBlack = 0;
// The font's white, yellow and red, as the display uses them.
constexpr TColor32 TextColours[] = {0xFFFFFF, 0xFFFF00, 0xFF0000};

bool IsTextColour(TColor32 pixel) {
  return std::find(std::begin(TextColours), std::end(TextColours), pixel & 0xFFFFFF) != std::end(TextColours);
}

// Playfield enlarged 2.5 times as the game enlarges it (coverage filtered with the
// colours) and laid over a desktop of one colour as a compositor blends it, into Shown.
void ShowOver(const TBitmap32& playfield, TColor32 desktop, TBitmap32& shown) {
  TBitmap32 source;
  source.Assign(playfield);
  source.DrawMode = TDrawMode::Opaque;
  source.SetResampler(std::make_unique<TLinearResampler>(TAlphaRule::Coverage));
  shown.SetSize(playfield.Width() * 5 / 2, playfield.Height() * 5 / 2);
  shown.Draw(shown.BoundsRect(), source.BoundsRect(), source);
  for (TColor32* pixel = shown.Bits(); pixel != shown.Bits() + shown.Width() * shown.Height(); ++pixel) {
    const uint32_t cover = *pixel >> 24;
    TColor32 blended = 0;
    for (int shift = 0; shift < 24; shift += 8)
      blended |= std::min<uint32_t>(255, ((*pixel >> shift) & 0xFF) + ((desktop >> shift) & 0xFF) * (255 - cover) / 255) << shift;
    *pixel = blended;
  }
}

// Where the middle of playfield pixel (X, Y) lies on the enlarged screen.
TColor32 ShownAt(const TBitmap32& shown, int x, int y) { return shown.Pixel(x * 5 / 2 + 1, y * 5 / 2 + 1) & 0xFFFFFF; }

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

// The display's words in each of its colours, the way DrawText writes them.
class HudTextOverDesktopTest : public HudTest {
 protected:
  void DrawWords(bool outlined) {
    World->ClearPlayfield();
    const auto draw = [&](int y, const std::string& text, int v) {
      if (outlined)
        World->Font->DrawOutlinedTextOn(World->Playfield(), 20, y, text, v);
      else
        World->Font->DrawTextOn(World->Playfield(), 20, y, text, v);
    };
    draw(10, "LEVEL 10 GAME OVER 0123456789", 0);
    draw(30, "QUIT KICK INVINCIBLE", 1);
    draw(50, "1UP HIGH SCORE WWMM", 4);
  }

  // The lowest contrast on screen between a pixel of a letter in Colour and a
  // neighbour of it that is not part of any letter, over a desktop of one colour.
  double LowestLetterContrast(TColor32 desktop, TColor32 colour) {
    const TBitmap32& playfield = World->Playfield();
    TBitmap32 shown;
    ShowOver(playfield, desktop, shown);
    double lowest = 21;
    for (int y = 1; y < 70; ++y)
      for (int x = 1; x < 300; ++x) {
        if ((playfield.Pixel(x, y) & 0xFFFFFF) != colour) continue;
        const int around[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
        for (const auto& n : around)
          if (!IsTextColour(playfield.Pixel(n[0], n[1])))
            lowest = std::min(lowest, ContrastRatio(ShownAt(shown, x, y), ShownAt(shown, n[0], n[1])));
      }
    return lowest;
  }
};

TEST_F(HudTextOverDesktopTest, LightLettersStandApartFromAWhitePageByTheirOutline) {
  constexpr TColor32 White = 0xFFFFFF, Yellow = 0xFFFF00, Red = 0xFF0000;
  DrawWords(false);
  const double plainWhite = LowestLetterContrast(DesktopWhite, White);
  const double plainYellow = LowestLetterContrast(DesktopWhite, Yellow);
  DrawWords(true);
  const double white = LowestLetterContrast(DesktopWhite, White);
  const double yellow = LowestLetterContrast(DesktopWhite, Yellow);
  const double red = LowestLetterContrast(DesktopWhite, Red);
  RecordProperty("WhiteOverWhitePage", std::to_string(plainWhite) + " plain, " + std::to_string(white) + " outlined");
  RecordProperty("YellowOverWhitePage", std::to_string(plainYellow) + " plain, " + std::to_string(yellow) + " outlined");
  RecordProperty("RedOverWhitePage", std::to_string(red) + " outlined");
  // White letters on a white page: nothing tells them apart without the outline, and
  // the yellow barely (1.07:1).
  EXPECT_LT(plainWhite, 1.1);
  EXPECT_LT(plainYellow, 1.2);
  // With it every pixel of a light letter meets a dark one, by more than the 4.5:1 text
  // needs, measured in the middle of each enlarged pixel (the page's white shows
  // through at the outline's own outer edge). The outline stands out from the page as
  // black print does.
  EXPECT_GE(white, 4.5);
  EXPECT_GE(yellow, 4.5);
  EXPECT_GE(ContrastRatio(OutlineColour, DesktopWhite), 19);
  // The red, dark itself (4:1 to the page, 5.3:1 at most to anything), keeps its edge
  // against the outline.
  EXPECT_GE(red, 2.5);
}

TEST_F(HudTextOverDesktopTest, OverBlackTheOutlinedWordsLookAsTheyDidWithEveryLetterPixelKept) {
  DrawWords(false);
  TBitmap32 plainField;
  plainField.Assign(World->Playfield());
  TBitmap32 plain, outlined;
  ShowOver(plainField, DesktopBlack, plain);
  DrawWords(true);
  ShowOver(World->Playfield(), DesktopBlack, outlined);
  // Every pixel of a letter is drawn as before: the outlines lie only around the
  // letters, and beneath them.
  int letters = 0;
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 300; ++x)
      if ((plainField.Pixel(x, y) & 0xFFFFFF) != 0) {
        ++letters;
        ASSERT_EQ(World->Playfield().Pixel(x, y), plainField.Pixel(x, y)) << x << "," << y;
      }
  EXPECT_GT(letters, 500);
  // On screen over black no channel moves by more than the outline's own level.
  int largest = 0;
  for (int y = 0; y < plain.Height(); ++y)
    for (int x = 0; x < plain.Width(); ++x)
      for (int shift = 0; shift < 24; shift += 8)
        largest = std::max(largest, std::abs(static_cast<int>((plain.Pixel(x, y) >> shift) & 0xFF) -
                                             static_cast<int>((outlined.Pixel(x, y) >> shift) & 0xFF)));
  EXPECT_GT(largest, 0);
  EXPECT_LE(largest, static_cast<int>(OutlineColour & 0xFF));
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
