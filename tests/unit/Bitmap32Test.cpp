// Raster operations on tiny surfaces, pixel by pixel.
#include "sprites/Bitmap32.h"

#include <gtest/gtest.h>

#include "sprites/Resampler.h"

namespace {

// Fills a surface row by row from a list of pixel values.
void Fill(TBitmap32& b, int w, int h, std::initializer_list<TColor32> values) {
  b.SetSize(w, h);
  auto it = values.begin();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, *it++);
}

std::vector<TColor32> PixelsOf(const TBitmap32& b) { return {b.Bits(), b.Bits() + b.Width() * b.Height()}; }

TEST(Bitmap32Test, ANewSurfaceIsEmptyAndResizingZeroesTheContent) {
  TBitmap32 b;
  EXPECT_TRUE(b.Empty());
  b.SetSize(3, 2);
  b.Clear(0xFF123456);
  b.SetWidth(4);
  EXPECT_EQ(PixelsOf(b), std::vector<TColor32>(8, 0));
  b.SetSize(5, 0);
  EXPECT_TRUE(b.Empty());
}

TEST(Bitmap32Test, ClippedReadsGiveTheOuterColourAndClippedWritesAreIgnored) {
  TBitmap32 b;
  b.SetSize(2, 2);
  b.OuterColor = 0x00ABCDEF;
  EXPECT_EQ(b.PixelS(-1, 0), 0x00ABCDEFu);
  EXPECT_EQ(b.PixelS(2, 1), 0x00ABCDEFu);
  EXPECT_EQ(b.PixelS(1, 1), 0u);
  b.SetPixelS(2, 0, 7);
  b.SetPixelS(0, -1, 7);
  b.SetPixelS(1, 0, 7);
  EXPECT_EQ(PixelsOf(b), (std::vector<TColor32>{0, 7, 0, 0}));
}

TEST(Bitmap32Test, EachDrawModeCombinesTheSourceItsOwnWay) {
  TBitmap32 source;
  Fill(source, 2, 1, {0, 0x00FF0000});
  TBitmap32 target;
  const auto drawOnto = [&](TDrawMode mode) {
    Fill(target, 2, 1, {0xFF0000FF, 0xFF0000FF});
    source.DrawMode = mode;
    target.Draw(0, 0, source);
    return PixelsOf(target);
  };
  EXPECT_EQ(drawOnto(TDrawMode::Opaque), (std::vector<TColor32>{0, 0x00FF0000}));
  EXPECT_EQ(drawOnto(TDrawMode::Transparent), (std::vector<TColor32>{0xFF0000FF, 0x00FF0000}));
  // Custom without a callback copies, as Opaque does.
  EXPECT_EQ(drawOnto(TDrawMode::Custom), (std::vector<TColor32>{0, 0x00FF0000}));
  source.OnPixelCombine = [](TColor32 f, TColor32& b, TColor32) { b = f == 0 ? b : 0xFF00FF00; };
  EXPECT_EQ(drawOnto(TDrawMode::Custom), (std::vector<TColor32>{0xFF0000FF, 0xFF00FF00}));
  // Blend by the source's alpha: alpha 0 leaves the target as it was, alpha 255 covers it.
  Fill(source, 2, 1, {0x00FFFFFF, 0xFFFFFFFF});
  EXPECT_EQ(drawOnto(TDrawMode::Blend), (std::vector<TColor32>{0xFF0000FF, 0xFFFFFFFF}));
  source.MasterAlpha = 0;
  EXPECT_EQ(drawOnto(TDrawMode::Blend), (std::vector<TColor32>{0xFF0000FF, 0xFF0000FF}));
}

TEST(Bitmap32Test, TransparentDrawsSkipTheSourcesOuterColourNotBlack) {
  TBitmap32 source;
  Fill(source, 3, 1, {0, 5, 9});
  source.DrawMode = TDrawMode::Transparent;
  source.OuterColor = 5;
  TBitmap32 target;
  Fill(target, 3, 1, {1, 1, 1});
  target.Draw(0, 0, source);
  EXPECT_EQ(PixelsOf(target), (std::vector<TColor32>{0, 1, 9}));
}

TEST(Bitmap32Test, UnscaledDrawsAreClippedOnEverySide) {
  TBitmap32 source;
  Fill(source, 2, 2, {1, 2, 3, 4});
  TBitmap32 target;
  target.SetSize(3, 3);
  target.Draw(-1, -1, source);
  target.Draw(2, 2, source);
  target.Draw(5, 0, source);
  EXPECT_EQ(PixelsOf(target), (std::vector<TColor32>{4, 0, 0, 0, 0, 0, 0, 0, 1}));
}

TEST(Bitmap32Test, ANarrowedClipKeepsEveryDrawInsideItUntilTheNextResize) {
  TBitmap32 source;
  Fill(source, 2, 2, {1, 2, 3, 4});
  TBitmap32 target;
  target.SetSize(3, 3);
  target.SetClipRect({1, 1, 9, 9});
  EXPECT_EQ(target.ClipRect().Right, 3) << "limited to the surface";
  target.Draw(0, 0, source);
  target.SetPixelS(0, 2, 7);
  target.SetPixelS(2, 2, 8);
  EXPECT_EQ(PixelsOf(target), (std::vector<TColor32>{0, 0, 0, 0, 4, 0, 0, 0, 8}));
  // Stretched: each pixel inside as the whole draw gives it (nearest: 1 2 2 / 3 4 4 / 3 4 4).
  target.Draw(target.BoundsRect(), source.BoundsRect(), source);
  EXPECT_EQ(PixelsOf(target), (std::vector<TColor32>{0, 0, 0, 0, 4, 4, 0, 4, 4}));

  target.SetSize(2, 2);
  target.SetPixelS(0, 0, 5);
  EXPECT_EQ(target.Pixel(0, 0), 5u);
}

TEST(Bitmap32Test, TheRowsOfAnUnscaledDrawAreTheOnesDrawWouldCombine) {
  // Copying the rows handed out gives what an opaque draw gives, however far the
  // source sticks out on any side.
  TBitmap32 source;
  Fill(source, 3, 2, {1, 2, 3, 4, 5, 6});
  struct TPlace {
    int X, Y, Rows;
  };
  for (const auto& [x, y, expectedRows] :
       {TPlace{0, 0, 2}, TPlace{-2, -1, 1}, TPlace{3, 2, 1}, TPlace{4, 0, 0}, TPlace{-3, 0, 0}, TPlace{0, 3, 0}}) {
    TBitmap32 drawn, copied;
    drawn.SetSize(4, 3);
    copied.SetSize(4, 3);
    drawn.Draw(x, y, source);
    int rows = 0;
    copied.ForEachDrawnRow(x, y, source, [&](const TColor32* from, TColor32* to, int count) {
      std::copy(from, from + count, to);
      ++rows;
    });
    EXPECT_EQ(PixelsOf(copied), PixelsOf(drawn)) << x << "," << y;
    EXPECT_EQ(rows, expectedRows) << x << "," << y;
  }
}

TEST(Bitmap32Test, APartOfTheSourceDrawnAtItsOwnSizeIsCopiedWithoutFiltering) {
  TBitmap32 source;
  Fill(source, 3, 2, {1, 2, 3, 4, 5, 6});
  source.SetResampler(std::make_unique<TLinearResampler>());
  TBitmap32 target;
  target.SetSize(2, 2);
  target.Draw({0, 0, 2, 1}, {1, 1, 3, 2}, source);
  EXPECT_EQ(PixelsOf(target), (std::vector<TColor32>{5, 6, 0, 0}));
}

TEST(Bitmap32Test, MirrorsMoveEachPixelToTheOtherSide) {
  TBitmap32 b;
  Fill(b, 3, 2, {1, 2, 3, 4, 5, 6});
  b.MirrorLeftRight();
  EXPECT_EQ(PixelsOf(b), (std::vector<TColor32>{3, 2, 1, 6, 5, 4}));
  b.MirrorTopBottom();
  EXPECT_EQ(PixelsOf(b), (std::vector<TColor32>{6, 5, 4, 3, 2, 1}));
}

TEST(Bitmap32Test, QuarterTurnsSwapWidthAndHeight) {
  // 1 2 3
  // 4 5 6
  TBitmap32 b;
  Fill(b, 3, 2, {1, 2, 3, 4, 5, 6});
  b.TurnClockwise();
  ASSERT_EQ(b.Width(), 2);
  ASSERT_EQ(b.Height(), 3);
  EXPECT_EQ(PixelsOf(b), (std::vector<TColor32>{4, 1, 5, 2, 6, 3}));
  b.TurnCounterClockwise();
  EXPECT_EQ(PixelsOf(b), (std::vector<TColor32>{1, 2, 3, 4, 5, 6}));
  b.TurnCounterClockwise();
  EXPECT_EQ(PixelsOf(b), (std::vector<TColor32>{3, 6, 2, 5, 1, 4}));
}

TEST(Bitmap32Test, AssignCopiesSizePixelsModeAndResamplerButNotTheCallback) {
  TBitmap32 source;
  Fill(source, 2, 1, {0x00FF0000, 0});
  source.DrawMode = TDrawMode::Transparent;
  source.SetResampler(std::make_unique<TLinearResampler>());
  source.OnPixelCombine = [](TColor32, TColor32&, TColor32) {};
  TBitmap32 copy;
  copy.Assign(source);
  EXPECT_EQ(PixelsOf(copy), PixelsOf(source));
  EXPECT_EQ(copy.DrawMode, TDrawMode::Transparent);
  EXPECT_NE(dynamic_cast<const TLinearResampler*>(&copy.Resampler()), nullptr);
  EXPECT_FALSE(copy.OnPixelCombine);
  source.SetPixel(0, 0, 1);
  EXPECT_EQ(copy.Pixel(0, 0), 0x00FF0000u);
}

}  // namespace
