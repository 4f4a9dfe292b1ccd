// The whole multiples the menu and the dialogs grow by, and the squares of pixels they show.
#include "menu/ScreenFit.h"

#include <gtest/gtest.h>

namespace {

TEST(ScreenFitTest, TheScaleRoundsDownToAWholeMultipleThatFitsTheScreenAndNeverBelowOne) {
  EXPECT_EQ(WholeMultiple(2.0, {3840, 2160}, 625, 580), 2);
  EXPECT_EQ(WholeMultiple(1.9999, {3840, 2160}, 625, 580), 2) << "a hair below counts";
  EXPECT_EQ(WholeMultiple(1.5, {3840, 2160}, 625, 580), 1);
  EXPECT_EQ(WholeMultiple(2.5, {3840, 2160}, 625, 580), 2);
  EXPECT_EQ(WholeMultiple(3.0, {2560, 1440}, 625, 580), 2) << "1875 x 1740 would not fit";
  EXPECT_EQ(WholeMultiple(2.0, {1366, 768}, 625, 580), 1);
  EXPECT_EQ(WholeMultiple(0.75, {1920, 1080}, 625, 580), 1);
  EXPECT_EQ(WholeMultiple(2.0, {320, 240}, 625, 580), 1) << "smaller than the picture: shrinking is another rule's";
  EXPECT_EQ(WholeMultiple(2.0, {1250, 1160}, 625, 580), 2) << "exactly the screen";
}

TEST(ScreenFitTest, EachPixelOfTheAreaBecomesASquareAndNothingElseIsTouched) {
  TBitmap32 from;
  from.SetSize(4, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) from.SetPixel(x, y, static_cast<TColor32>(0xFF000000u | (y * 16 + x)));
  TBitmap32 to;
  to.SetSize(12, 9);
  to.Clear(0xFFABCDEF);
  const TPixelArea filled = EnlargeWhole(from, {1, 1, 2, 5}, to, 3);
  EXPECT_EQ(filled.X, 3);
  EXPECT_EQ(filled.Y, 3);
  EXPECT_EQ(filled.Width, 6);
  EXPECT_EQ(filled.Height, 6) << "cut to the source";
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 12; ++x) {
      const bool inside = x >= 3 && x < 9 && y >= 3 && y < 9;
      EXPECT_EQ(to.Pixel(x, y), inside ? from.Pixel(x / 3, y / 3) : 0xFFABCDEFu) << x << "," << y;
    }
}

}  // namespace
