// The game's icon: see-through where the flash is black, the gun at its heart, and
// scaled without smearing its pixels.
#include "tools/icon/IconPainter.h"

#include <gtest/gtest.h>

#include "platform/Resources.h"

namespace {

uint8_t Alpha(uint32_t pixel) { return static_cast<uint8_t>(pixel >> 24); }

TEST(IconPainterTest, TheFlashsBlackIsSeeThroughAndTheGunPointsAtItsHeart) {
  const TDecodedPng cursor = DecodePng(FindResource(TResourceKind::Cursor, "MOUSEFULL"));
  const TDecodedPng flash = DecodePng(FindResource(TResourceKind::Picture, "LaserImage"));
  const TIconPicture drawing = PaintIcon(flash, cursor);
  ASSERT_EQ(drawing.Size, IconDrawingSize);
  const int centre = drawing.Size / 2;
  const int left = centre - flash.Width / 2, top = centre - flash.Height / 2;
  // The flash is round: the corners of its square are black, and must not show.
  for (const auto& [x, y] : {std::pair{0, 0}, {flash.Width - 1, 0}, {0, flash.Height - 1}}) {
    ASSERT_EQ(flash.Pixels[y * flash.Width + x] & 0xFFFFFF, 0u);
    EXPECT_EQ(drawing.At(left + x, top + y), 0u);
  }
  // The cursor's top-left pixel is its tip.
  EXPECT_EQ(drawing.At(centre, centre), cursor.Pixels[0]);
  EXPECT_EQ(Alpha(drawing.At(centre - 4, centre - 4)), 255);
}

TEST(IconPainterTest, WholeMultiplesRepeatPixelsAndSmallerSizesAverageTheirArea) {
  // Left half opaque red, right half see-through.
  TIconPicture drawing{4, std::vector<uint32_t>(16, 0)};
  for (int y = 0; y < 4; ++y) drawing.Pixels[y * 4] = drawing.Pixels[y * 4 + 1] = 0xFFFF0000;

  const TIconPicture doubled = ScaleIcon(drawing, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(doubled.At(x, y), x < 4 ? 0xFFFF0000 : 0u) << x << "," << y;

  const TIconPicture single = ScaleIcon(drawing, 1);
  // Half covered: half opaque, and still pure red, not darkened by the clear half.
  EXPECT_EQ(single.At(0, 0), 0x80FF0000u);

  const TIconPicture threeQuarters = ScaleIcon(drawing, 3);
  EXPECT_EQ(threeQuarters.At(0, 1), 0xFFFF0000u);
  EXPECT_EQ(threeQuarters.At(1, 1), 0x80FF0000u);
  EXPECT_EQ(threeQuarters.At(2, 1), 0u);
}

}  // namespace
