// Redoing only the changed parts of an enlargement must give the whole enlargement.
#include "sprites/ChangedAreas.h"

#include <gtest/gtest.h>

#include "sprites/Resampler.h"
#include "support/Random.h"

namespace {

struct TEnlargement {
  TBitmap32 Source;
  TBitmap32 Whole;  // enlarged anew each frame
  TBitmap32 Patched;  // only the changed parts redone

  TEnlargement(int width, int height, int destWidth, int destHeight) {
    Source.SetSize(width, height);
    Source.SetResampler(std::make_unique<TMyLinearResampler>(TAlphaRule::Coverage, 1));
    Whole.SetSize(destWidth, destHeight);
    Patched.SetSize(destWidth, destHeight);
  }

  const std::vector<TPixelArea>& Redraw(TChangedAreas& areas) {
    Whole.Draw(Whole.BoundsRect(), Source.BoundsRect(), Source);
    return areas.Enlarge(Source, Patched);
  }

  bool Same() const {
    for (int y = 0; y < Whole.Height(); ++y)
      for (int x = 0; x < Whole.Width(); ++x)
        if (Whole.Pixel(x, y) != Patched.Pixel(x, y)) return false;
    return true;
  }
};

int64_t PixelCount(const std::vector<TRect>& areas) {
  int64_t sum = 0;
  for (const TRect& r : areas) sum += int64_t{r.Width()} * r.Height();
  return sum;
}

int64_t PixelCount(const std::vector<TPixelArea>& areas) {
  int64_t sum = 0;
  for (const TPixelArea& r : areas) sum += int64_t{r.Width} * r.Height;
  return sum;
}

TEST(ChangedAreasTest, FirstFramesAndNewSizesAreWholeAndAStillFrameHasNothing) {
  TEnlargement e(20, 16, 50, 40);
  TChangedAreas areas;
  const std::vector<TPixelArea> first = e.Redraw(areas);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].Width, 50);
  EXPECT_EQ(first[0].Height, 40);
  EXPECT_TRUE(e.Redraw(areas).empty());

  EXPECT_EQ(areas.Compare(e.Source, 60, 40).size(), 1u) << "another enlargement";
  EXPECT_TRUE(areas.Compare(e.Source, 60, 40).empty());
  areas.Forget();
  EXPECT_EQ(PixelCount(areas.Compare(e.Source, 60, 40)), 60 * 40);
}

TEST(ChangedAreasTest, PatchedEnlargementsEqualWholeOnesFrameAfterFrame) {
  // The menu's exact 2.5, a ratio whose tile edges fall between screen pixels, and
  // the game's playfield at 1920 x 1080.
  // The game's tiles, and the menu's small ones.
  for (const auto [w, h, dw, dh, tile] :
       {std::array{250, 232, 625, 580, 8}, std::array{250, 232, 625, 580, 1}, std::array{61, 37, 171, 100, 8},
        std::array{61, 37, 171, 100, 3}, std::array{768, 432, 1920, 1080, 8}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h << " onto " << dw << "x" << dh << ", tiles of " << tile);
    TEnlargement e(w, h, dw, dh);
    TChangedAreas areas(tile);
    RandSeed(7);
    e.Redraw(areas);
    const int changes = w * h / 2000 + 1;
    for (int frame = 0; frame < 40; ++frame) {
      // Single pixels anywhere, tile edges and surface edges included, as stars are.
      for (int i = 0; i < changes; ++i) e.Source.SetPixel(Random(w), Random(h), 0xFF000000u | static_cast<TColor32>(Random(0xFFFFFF)));
      if (frame % 10 == 9) e.Source.Clear(0xFF102030u + static_cast<TColor32>(frame));
      const std::vector<TPixelArea>& changed = e.Redraw(areas);
      ASSERT_TRUE(e.Same()) << "frame " << frame;
      // A change everywhere is redrawn in one whole draw; scattered changes of the
      // larger pictures in parts (in the smallest, a few parts cost as much as all).
      if (frame % 10 == 9) {
        EXPECT_EQ(PixelCount(changed), int64_t{dw} * dh) << "frame " << frame;
      } else if (dw * dh >= 100'000) {
        EXPECT_LT(PixelCount(changed), int64_t{dw} * dh / 2) << "frame " << frame;
      }
    }
  }
}

TEST(ChangedAreasTest, AChangedPixelNamesExactlyTheEnlargedPixelsItAltersAndRunsJoin) {
  // The menu's 2.5 with tiles of one pixel: the part named is the smallest rectangle
  // around the enlarged pixels that really change, at the edges of the surface too.
  for (const auto [x, y] : {std::array{20, 20}, std::array{0, 0}, std::array{39, 39}, std::array{7, 33}}) {
    SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
    TEnlargement e(40, 40, 100, 100);
    TChangedAreas areas(1);
    e.Redraw(areas);
    TBitmap32 before;
    before.Assign(e.Whole);
    e.Source.SetPixel(x, y, 0xFFFFFFFFu);
    const std::vector<TPixelArea> changed = e.Redraw(areas);
    TRect differ{100, 100, 0, 0};
    for (int dy = 0; dy < 100; ++dy)
      for (int dx = 0; dx < 100; ++dx)
        if (e.Whole.Pixel(dx, dy) != before.Pixel(dx, dy))
          differ = {std::min(differ.Left, dx), std::min(differ.Top, dy), std::max(differ.Right, dx + 1),
                    std::max(differ.Bottom, dy + 1)};
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].X, differ.Left);
    EXPECT_EQ(changed[0].Y, differ.Top);
    EXPECT_EQ(changed[0].X + changed[0].Width, differ.Right);
    EXPECT_EQ(changed[0].Y + changed[0].Height, differ.Bottom);
  }

  // A column of changes is one area, not one per tile.
  TBitmap32 source;
  source.SetSize(40, 40);
  TChangedAreas areas;
  areas.Compare(source, 100, 100);
  for (int y = 0; y < 40; ++y) source.SetPixel(20, y, 2);
  const std::vector<TRect> changed = areas.Compare(source, 100, 100);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].Top, 0);
  EXPECT_EQ(changed[0].Bottom, 100);
}

TEST(ChangedAreasTest, PlacesAFewRowsApartInTheSameColumnsAreOnePartAndFartherOnesTwo) {
  // A star that fell three pixels is one part; two stars far apart in one column are two.
  for (const auto [gap, parts] : {std::array{3, 1}, std::array{10, 2}}) {
    TBitmap32 source;
    source.SetSize(40, 40);
    TChangedAreas areas(1);
    areas.Compare(source, 100, 100);
    source.SetPixel(20, 10, 2);
    source.SetPixel(20, 10 + gap, 2);
    EXPECT_EQ(areas.Compare(source, 100, 100).size(), static_cast<size_t>(parts)) << "rows " << gap << " apart";
  }
}

TEST(ChangedAreasTest, AFrameComparedWithinNamedPlacesFindsOnlyTheChangesThere) {
  TBitmap32 source;
  source.SetSize(40, 40);
  TChangedAreas areas(1);
  areas.Compare(source, 100, 100);
  source.SetPixel(5, 5, 2);
  source.SetPixel(30, 30, 2);
  const std::vector<TRect> within{{4, 4, 7, 7}, {20, 0, 21, 40}};
  const std::vector<TRect> seen = areas.Compare(source, 100, 100, &within);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_LT(seen[0].Right, 30);
  // The change outside them was not taken in: a whole comparison still finds it.
  const std::vector<TRect> rest = areas.Compare(source, 100, 100);
  ASSERT_EQ(rest.size(), 1u);
  EXPECT_GT(rest[0].Left, 60);
}

}  // namespace
