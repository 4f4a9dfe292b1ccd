// Frames from pictures, and the frame-set operations of a kind.
#include "sprites/GraphicSprite.h"

#include <gtest/gtest.h>

#include "sprites/GraphicsTools.h"

namespace {

// A picture W x H whose pixel (x, y) is Fill(x, y).
template <typename TFill>
TImage MakePicture(int width, int height, TFill fill) {
  TImage picture;
  picture.Width = width;
  picture.Height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) picture.Pixels.push_back(fill(x, y));
  return picture;
}

// Every pixel distinct and visible, so that each move can be traced.
TImage Numbered(int width, int height) {
  return MakePicture(width, height, [width](int x, int y) { return static_cast<TColor32>(0x100000 + y * width + x); });
}

TEST(GraphicSpriteTest, AFrameHasABorderOfZeroAndAlphaZeroOnEveryPixel) {
  const TImage picture = MakePicture(15, 16, [](int x, int y) { return x == 0 && y == 0 ? 0x000000u : 0xFF0101u; });
  const auto frame = BitmapFromImage(picture);
  ASSERT_EQ(frame->Width(), 17);
  ASSERT_EQ(frame->Height(), 18);
  for (int x = 0; x < 17; ++x) EXPECT_EQ(frame->Pixel(x, 0) | frame->Pixel(x, 17), 0u);
  for (int y = 0; y < 18; ++y) EXPECT_EQ(frame->Pixel(0, y) | frame->Pixel(16, y), 0u);
  EXPECT_EQ(frame->Pixel(1, 1), 0u);           // black became the transparent 0
  EXPECT_EQ(frame->Pixel(2, 1), 0x00FF0101u);  // colour kept, alpha 0
  EXPECT_EQ(frame->DrawMode, TDrawMode::Transparent);
  EXPECT_EQ(frame->OuterColor, 0u);
}

TEST(GraphicSpriteTest, NearBlackStaysVisibleAndKeyedPicturesLeaveOutTheirKey) {
  TImage picture = MakePicture(2, 1, [](int x, int) { return x == 0 ? 0x010101u : 0x123456u; });
  EXPECT_EQ(BitmapFromImage(picture)->Pixel(1, 1), 0x00010101u);
  picture.Transparent = true;
  picture.TransparentColor = 0x123456;
  const auto keyed = BitmapFromImage(picture);
  EXPECT_EQ(keyed->Pixel(1, 1), 0x00010101u);
  EXPECT_EQ(keyed->Pixel(2, 1), 0u);
}

TEST(GraphicSpriteTest, ANewKindHasTheLeftSlotAndItsMirrorOnly) {
  const TImage picture = Numbered(3, 2);
  TGraphicSprite kind({&picture}, {});
  for (int slot = 0; slot < AnimationSlots; ++slot)
    EXPECT_EQ(kind.HasAnimation(slot), slot == FacingLeft || slot == FacingRight) << slot;
  EXPECT_EQ(kind.Animations[FacingRight]->Frame(0).Pixel(1, 1), kind.Animations[FacingLeft]->Frame(0).Pixel(3, 1));
  EXPECT_EQ(kind.DeathFrames->Count(), 0);
  EXPECT_EQ(kind.DeathFrameInterval, 200);
  EXPECT_EQ(kind.ScoreFactor, 0);
  ASSERT_NE(kind.MissileKinds, nullptr);
  kind.AddVerticalAnimations();
  EXPECT_TRUE(kind.HasAnimation(FacingUp) && kind.HasAnimation(FacingDown));
  EXPECT_FALSE(kind.HasAnimation(FacingUpLeft));
  kind.SetDiagonalImages({&picture});
  for (int slot = 0; slot < AnimationSlots; ++slot) EXPECT_TRUE(kind.HasAnimation(slot)) << slot;
}

TEST(GraphicSpriteTest, TurnsForUpAndDownGoOppositeWaysAndSwapTheSize) {
  const TImage picture = Numbered(15, 16);
  TGraphicSprite kind({&picture}, {});
  kind.AddVerticalAnimations();
  const TBitmap32& left = kind.Animations[FacingLeft]->Frame(0);
  const TBitmap32& up = kind.Animations[FacingUp]->Frame(0);
  const TBitmap32& down = kind.Animations[FacingDown]->Frame(0);
  ASSERT_EQ(up.Width(), 18);
  ASSERT_EQ(up.Height(), 17);
  ASSERT_EQ(down.Width(), 18);
  // The picture's top-left pixel goes to the top-right for up, to the bottom-left for down.
  EXPECT_EQ(up.Pixel(16, 1), left.Pixel(1, 1));
  EXPECT_EQ(down.Pixel(1, 15), left.Pixel(1, 1));
  // Every pixel, by the exact rules: up (x, y) -> (H-1-y, x), down (x, y) -> (y, W-1-x).
  for (int y = 0; y < left.Height(); ++y) {
    for (int x = 0; x < left.Width(); ++x) {
      ASSERT_EQ(up.Pixel(left.Height() - 1 - y, x), left.Pixel(x, y));
      ASSERT_EQ(down.Pixel(y, left.Width() - 1 - x), left.Pixel(x, y));
    }
  }
}

TEST(GraphicSpriteTest, DiagonalSlotsAreMirrorsAndFlipsOfTheUpLeftPictures) {
  const TImage straight = Numbered(2, 2);
  const TImage diagonal = Numbered(4, 3);
  TGraphicSprite kind({&straight}, {});
  kind.SetDiagonalImages({&diagonal});
  const TBitmap32& upLeft = kind.Animations[FacingUpLeft]->Frame(0);
  const TBitmap32& upRight = kind.Animations[FacingUpRight]->Frame(0);
  const TBitmap32& downLeft = kind.Animations[FacingDownLeft]->Frame(0);
  const TBitmap32& downRight = kind.Animations[FacingDownRight]->Frame(0);
  const int w = upLeft.Width(), h = upLeft.Height();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      EXPECT_EQ(upRight.Pixel(w - 1 - x, y), upLeft.Pixel(x, y));
      EXPECT_EQ(downLeft.Pixel(x, h - 1 - y), upLeft.Pixel(x, y));
      EXPECT_EQ(downRight.Pixel(w - 1 - x, h - 1 - y), upLeft.Pixel(x, y));
    }
  }
}

TEST(GraphicSpriteTest, CopyingAnAbsentSlotFreesTheTarget) {
  const TImage picture = Numbered(2, 2);
  TGraphicSprite kind({&picture}, {});
  kind.CopyAnimation(FacingUp, FacingRight);
  EXPECT_FALSE(kind.HasAnimation(FacingRight));
  kind.CopyAnimation(FacingLeft, FacingDown);
  kind.Animations[FacingDown]->Frame(0).SetPixel(1, 1, 7);
  EXPECT_NE(kind.Animations[FacingLeft]->Frame(0).Pixel(1, 1), 7u);  // a deep copy
  EXPECT_EQ(kind.Animations[FacingDown]->Frame(0).DrawMode, TDrawMode::Transparent);
}

TEST(GraphicSpriteTest, RecolouringMatchesExact32BitValuesInTheFacingSlotsOnly) {
  const TImage yellow = MakePicture(2, 1, [](int x, int) { return x == 0 ? 0xFFFF00u : 0xFF0000u; });
  TGraphicSprite kind({&yellow}, {&yellow});
  kind.BuildFrames(kind.FiringFrames, {&yellow}, true);
  // An opaque "from" colour matches nothing: fresh frame pixels carry alpha 0.
  kind.ReplaceColourAll(0xFFFFFF00, 0xFF0000FF);
  EXPECT_EQ(kind.Animations[FacingLeft]->Frame(0).Pixel(1, 1), 0x00FFFF00u);
  kind.ReplaceColourAll(0x00FFFF00, 0xFF0000FF);
  EXPECT_EQ(kind.Animations[FacingLeft]->Frame(0).Pixel(1, 1), 0xFF0000FFu);
  EXPECT_EQ(kind.Animations[FacingRight]->Frame(0).Pixel(2, 1), 0xFF0000FFu);
  EXPECT_EQ(kind.DeathFrames->Frame(0).Pixel(1, 1), 0x00FFFF00u);
  EXPECT_EQ(kind.FiringFrames->Frame(0).Pixel(1, 1), 0x00FFFF00u);
  kind.ReplaceColourAll(0x00FF0000, 0x00FF0000);  // from = to: nothing
  EXPECT_EQ(kind.Animations[FacingLeft]->Frame(0).Pixel(2, 1), 0x00FF0000u);
}

TEST(GraphicSpriteTest, SwappingColoursTwiceRestoresTheFrames) {
  const TImage picture = MakePicture(3, 1, [](int x, int) { return std::array<TColor32, 3>{0x00ADFF, 0xFF00AD, 0x123456}[x]; });
  TGraphicSprite kind({&picture}, {});
  kind.SwapColoursAll(0x0000ADFF, 0x00FF00AD);
  EXPECT_EQ(kind.Animations[FacingLeft]->Frame(0).Pixel(1, 1), 0x00FF00ADu);
  EXPECT_EQ(kind.Animations[FacingLeft]->Frame(0).Pixel(2, 1), 0x0000ADFFu);
  kind.SwapColoursAll(0x0000ADFF, 0x00FF00AD);
  const auto fresh = BitmapFromImage(picture);
  for (int slot : {FacingLeft, FacingRight}) {
    TBitmap32 expected;
    expected.Assign(*fresh);
    if (slot == FacingRight) expected.MirrorLeftRight();
    const TBitmap32& frame = kind.Animations[slot]->Frame(0);
    EXPECT_TRUE(std::equal(frame.Bits(), frame.Bits() + 15, expected.Bits()));
  }
}

TEST(GraphicSpriteTest, ConstructionRecoloursTheFacingFramesButNotTheDeathFrames) {
  const TImage ghost = MakePicture(1, 1, [](int, int) { return 0xFF0000u; });
  TGraphicSprite kind({&ghost}, {&ghost}, 0x00FF0000, 0xFFFFBA42);
  EXPECT_EQ(kind.Animations[FacingLeft]->Frame(0).Pixel(1, 1), 0xFFFFBA42u);
  EXPECT_EQ(kind.Animations[FacingRight]->Frame(0).Pixel(1, 1), 0xFFFFBA42u);
  EXPECT_EQ(kind.DeathFrames->Frame(0).Pixel(1, 1), 0x00FF0000u);
}

TEST(GraphicSpriteTest, CentredRectRoundsHalfSizesToEven) {
  TBitmap32 laser;
  laser.SetSize(52, 52);
  const TRect r = CentredRect(laser, {100, 50}, 0.1, 0.1);  // half size 2.6 -> 3
  EXPECT_EQ(r.Left, 97);
  EXPECT_EQ(r.Right, 103);
  TBitmap32 square;
  square.SetSize(10, 10);
  const TRect s = CentredRect(square, {0, 0}, 0.5, 0.3);  // half sizes 2.5 -> 2 and 1.5 -> 2
  EXPECT_EQ(s.Right, 2);
  EXPECT_EQ(s.Bottom, 2);
  EXPECT_EQ(s.Top, -2);
}

}  // namespace
