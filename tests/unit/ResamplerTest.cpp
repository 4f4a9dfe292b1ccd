// Stretched draws against a plain reference, and the filter's edges.
#include "sprites/Resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/Random.h"

namespace {

// The textbook bilinear filter in floating point: pixel centres mapped back,
// edges repeated.
TColor32 ReferenceBilinear(const TBitmap32& s, double u, double v) {
  u = std::clamp(u, 0.0, s.Width() - 1.0);
  v = std::clamp(v, 0.0, s.Height() - 1.0);
  const int x0 = static_cast<int>(u), y0 = static_cast<int>(v);
  const int x1 = std::min(x0 + 1, s.Width() - 1), y1 = std::min(y0 + 1, s.Height() - 1);
  const double fx = u - x0, fy = v - y0;
  TColor32 result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const auto c = [&](int x, int y) { return static_cast<double>((s.Pixel(x, y) >> shift) & 0xFF); };
    const double top = c(x0, y0) * (1 - fx) + c(x1, y0) * fx;
    const double bottom = c(x0, y1) * (1 - fx) + c(x1, y1) * fx;
    result |= static_cast<TColor32>(std::lround(top * (1 - fy) + bottom * fy)) << shift;
  }
  return result;
}

int ChannelDistance(TColor32 a, TColor32 b) {
  int worst = 0;
  for (int shift = 0; shift < 32; shift += 8)
    worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  return worst;
}

void FillRandom(TBitmap32& picture, int width, int height, uint64_t seed) {
  picture.SetSize(width, height);
  RandSeed(seed);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      picture.SetPixel(x, y, static_cast<TColor32>(Random(1 << 16)) << 16 | static_cast<TColor32>(Random(1 << 16)));
}

// Every vector unit the processor has, the plain code first.
std::vector<TVectorUnit> VectorUnits() {
  std::vector<TVectorUnit> units;
  for (TVectorUnit unit : {TVectorUnit::Scalar, TVectorUnit::Sse2, TVectorUnit::Avx2})
    if (unit <= BestVectorUnit()) units.push_back(unit);
  return units;
}

// Limits the filter to Unit for as long as it lives.
class TVectorUnitLimit {
 public:
  explicit TVectorUnitLimit(TVectorUnit unit) { LimitVectorUnit(unit); }
  ~TVectorUnitLimit() { LimitVectorUnit(TVectorUnit::Avx2); }
};

std::vector<TColor32> Enlarged(const TBitmap32& source, int destWidth, int destHeight,
                               std::unique_ptr<TCustomResampler> resampler) {
  TBitmap32 filtered;
  filtered.Assign(source);
  filtered.SetResampler(std::move(resampler));
  TBitmap32 dest;
  dest.SetSize(destWidth, destHeight);
  dest.Draw(dest.BoundsRect(), filtered.BoundsRect(), filtered);
  return {dest.Bits(), dest.Bits() + static_cast<size_t>(destWidth) * destHeight};
}

void ExpectMatchesReference(int sourceWidth, int sourceHeight, int destWidth, int destHeight) {
  TBitmap32 source;
  FillRandom(source, sourceWidth, sourceHeight, static_cast<uint64_t>(sourceWidth * 1000 + destWidth));
  source.SetResampler(std::make_unique<TMyLinearResampler>());
  TBitmap32 dest;
  dest.SetSize(destWidth, destHeight);
  dest.Draw(dest.BoundsRect(), source.BoundsRect(), source);
  int worst = 0;
  for (int y = 0; y < destHeight; ++y) {
    for (int x = 0; x < destWidth; ++x) {
      const double u = (x + 0.5) * sourceWidth / destWidth - 0.5;
      const double v = (y + 0.5) * sourceHeight / destHeight - 0.5;
      worst = std::max(worst, ChannelDistance(dest.Pixel(x, y), ReferenceBilinear(source, u, v)));
    }
  }
  EXPECT_LE(worst, 1) << sourceWidth << "x" << sourceHeight << " -> " << destWidth << "x" << destHeight;
}

TEST(ResamplerTest, TheEnlargementIsABilinearFilterWithinOnePerChannel) {
  for (TVectorUnit unit : VectorUnits()) {
    SCOPED_TRACE(static_cast<int>(unit));
    const TVectorUnitLimit limit(unit);
    ExpectMatchesReference(41, 31, 102, 77);    // the playfield's 2.5 at 1024x768 proportions
    ExpectMatchesReference(40, 24, 100, 60);    // the exact 5:2 ratio
    ExpectMatchesReference(17, 18, 40, 43);     // a sprite frame at the GIANT scale of about 2.4
    ExpectMatchesReference(50, 50, 5, 7);       // shrinking, as the flash's first frames do
    ExpectMatchesReference(64, 16, 40, 10);     // shrinking rows longer than a vector block
    ExpectMatchesReference(3, 3, 3, 10);        // one axis unscaled
    ExpectMatchesReference(410, 307, 1024, 768);  // the playfield of a 1024x768 screen, not quite 2.5 either way
    ExpectMatchesReference(901, 6, 2253, 15);   // rows wider than a 4K screen's half, filtered in parts
  }
}

TEST(ResamplerTest, TheWholeScreenOfAWideDesktopIsABilinearEnlargement) {
  ExpectMatchesReference(768, 432, 1920, 1080);
}

TEST(ResamplerTest, EveryVectorUnitDrawsTheSamePixelsOpaqueOrNot) {
  // The sprites' enlarged frames decide hits, so they must not depend on the processor.
  TBitmap32 source;
  FillRandom(source, 37, 23, 7);
  for (TDrawMode mode : {TDrawMode::Opaque, TDrawMode::Transparent}) {
    source.DrawMode = mode;
    std::vector<std::vector<TColor32>> results;
    for (TVectorUnit unit : VectorUnits()) {
      const TVectorUnitLimit limit(unit);
      results.push_back(Enlarged(source, 93, 57, std::make_unique<TLinearResampler>()));
    }
    for (size_t i = 1; i < results.size(); ++i) EXPECT_EQ(results[i], results[0]) << "unit " << i;
  }
}

// Sprites here and there on pure black, whose alpha is anything: the playfield as the game draws it.
void FillSprites(TBitmap32& picture, int width, int height, uint64_t seed) {
  FillRandom(picture, width, height, seed);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (Random(2) == 0) picture.SetPixel(x, y, picture.Pixel(x, y) & 0xFF000000u);
}

TEST(ResamplerTest, TheCoverageRuleFiltersCoverageAsAlphaAndGivesPremultipliedColours) {
  TBitmap32 source;
  FillSprites(source, 41, 31, 5);
  // What the rule reads: 255 for every pixel that is not pure black, which stays 0.
  TBitmap32 covered;
  covered.Assign(source);
  for (int y = 0; y < covered.Height(); ++y)
    for (int x = 0; x < covered.Width(); ++x) {
      const TColor32 p = covered.Pixel(x, y);
      covered.SetPixel(x, y, (p & 0xFFFFFFu) != 0 ? p | 0xFF000000u : 0);
    }
  std::vector<std::vector<TColor32>> results;
  for (TVectorUnit unit : VectorUnits()) {
    SCOPED_TRACE(static_cast<int>(unit));
    const TVectorUnitLimit limit(unit);
    results.push_back(Enlarged(source, 102, 77, std::make_unique<TMyLinearResampler>(TAlphaRule::Coverage)));
    int worst = 0;
    for (int y = 0; y < 77; ++y)
      for (int x = 0; x < 102; ++x) {
        const TColor32 p = results.back()[static_cast<size_t>(y) * 102 + x];
        const double u = (x + 0.5) * 41 / 102 - 0.5, v = (y + 0.5) * 31 / 77 - 0.5;
        worst = std::max(worst, ChannelDistance(p, ReferenceBilinear(covered, u, v)));
        // Premultiplied: no colour exceeds the coverage.
        ASSERT_LE(std::max({RedComponent(p), GreenComponent(p), BlueComponent(p)}), AlphaComponent(p)) << x << "," << y;
      }
    EXPECT_LE(worst, 1);
  }
  for (size_t i = 1; i < results.size(); ++i) EXPECT_EQ(results[i], results[0]) << "unit " << i;
}

TEST(ResamplerTest, EveryVectorUnitFiltersLikeThePlainCodeUnderEitherAlphaRule) {
  // Sizes that take each way a vector block can be widened: rows too narrow for a
  // block's source pixels, the last blocks of a row, scales near 1 and reductions.
  struct TCase {
    int SourceWidth, SourceHeight, DestWidth, DestHeight;
  };
  const TCase cases[] = {{40, 24, 100, 60}, {410, 307, 1024, 768}, {3, 5, 17, 9},   {6, 4, 29, 11},
                         {9, 7, 23, 9},     {37, 9, 41, 12},        {64, 16, 40, 10}, {45, 8, 117, 20},
                         {901, 6, 2253, 15}};
  for (TAlphaRule rule : {TAlphaRule::Filtered, TAlphaRule::Coverage})
    for (const TCase& c : cases) {
      SCOPED_TRACE(testing::Message() << c.SourceWidth << "x" << c.SourceHeight << " -> " << c.DestWidth << "x"
                                      << c.DestHeight << (rule == TAlphaRule::Coverage ? " coverage" : ""));
      TBitmap32 source;
      FillSprites(source, c.SourceWidth, c.SourceHeight, static_cast<uint64_t>(c.DestWidth));
      std::vector<TColor32> plain;
      for (TVectorUnit unit : VectorUnits()) {
        const TVectorUnitLimit limit(unit);
        const auto drawn = Enlarged(source, c.DestWidth, c.DestHeight, std::make_unique<TMyLinearResampler>(rule));
        if (unit == TVectorUnit::Scalar)
          plain = drawn;
        else
          EXPECT_TRUE(drawn == plain) << "unit " << static_cast<int>(unit);
      }
    }
}

TEST(ResamplerTest, AFramePatchedInAreasEqualsTheWholeFrameOnEveryVectorUnit) {
  // Changed parts of a 1024x768 screen, none starting or ending on a vector block,
  // one reaching the right edge and one overlapping another; and small ones, filtered
  // pixel by pixel, at the corners and in the middle.
  TBitmap32 source;
  FillSprites(source, 410, 307, 23);
  source.DrawMode = TDrawMode::Custom;
  const std::vector<TRect> areas = {{3, 5, 60, 40},       {101, 7, 1024, 33},   {500, 300, 517, 301},
                                    {40, 30, 333, 768},   {0, 0, 5, 5},         {1019, 760, 1024, 768},
                                    {700, 400, 705, 415}, {611, 222, 612, 223}, {800, 10, 830, 15}};
  for (TAlphaRule alpha : {TAlphaRule::Coverage, TAlphaRule::Filtered}) {
    const TMyLinearResampler resampler(alpha, 1);
    TBitmap32 whole;
    whole.SetSize(1024, 768);
    resampler.Resample(whole, whole.BoundsRect(), source, source.BoundsRect());
    for (TVectorUnit unit : VectorUnits()) {
      SCOPED_TRACE(testing::Message() << "unit " << static_cast<int>(unit) << ", alpha rule " << static_cast<int>(alpha));
      const TVectorUnitLimit limit(unit);
      TBitmap32 patched;
      patched.SetSize(1024, 768);
      resampler.ResampleAreas(patched, patched.BoundsRect(), source, source.BoundsRect(), areas);
      for (const TRect& r : areas)
        for (int y = r.Top; y < r.Bottom; ++y)
          for (int x = r.Left; x < r.Right; ++x) ASSERT_EQ(patched.Pixel(x, y), whole.Pixel(x, y)) << x << "," << y;
    }
  }
}

TEST(ResamplerTest, TheHelperThreadFillsItsBandsOfRowsAsTheCallerWould) {
  // Rows for three bands, the last one short, and a split threshold every draw passes.
  TBitmap32 source;
  FillRandom(source, 45, 61, 11);
  const auto alone = Enlarged(source, 113, 151, std::make_unique<TMyLinearResampler>(1));
  EXPECT_EQ(Enlarged(source, 113, 151, std::make_unique<TMyLinearResampler>(2, 1)), alone);
  // The same resampler again: its thread is started once and reused.
  TBitmap32 filtered;
  filtered.Assign(source);
  filtered.SetResampler(std::make_unique<TMyLinearResampler>(2, 1));
  TBitmap32 dest;
  dest.SetSize(113, 151);
  for (int frame = 0; frame < 3; ++frame) {
    dest.Clear(0);
    dest.Draw(dest.BoundsRect(), filtered.BoundsRect(), filtered);
    EXPECT_EQ(std::vector<TColor32>(dest.Bits(), dest.Bits() + 113 * 151), alone);
  }
}

TEST(ResamplerTest, AWholeScreenWrittenPastTheCachesIsTheOneWrittenThroughThem) {
  // The vector units write a 1920x1080 screen past the caches; the plain code does not.
  TBitmap32 source;
  FillRandom(source, 768, 432, 13);
  std::vector<TColor32> plain;
  {
    const TVectorUnitLimit limit(TVectorUnit::Scalar);
    plain = Enlarged(source, 1920, 1080, std::make_unique<TMyLinearResampler>());
  }
  for (TVectorUnit unit : VectorUnits()) {
    const TVectorUnitLimit limit(unit);
    EXPECT_TRUE(Enlarged(source, 1920, 1080, std::make_unique<TMyLinearResampler>()) == plain) << static_cast<int>(unit);
  }
}

TEST(ResamplerTest, AClippedEnlargementKeepsTheMappingOfTheWholeRectangle) {
  // The destination rectangle sticks out on the left and top by amounts that are no
  // multiple of a vector block.
  TBitmap32 source;
  FillRandom(source, 40, 20, 17);
  source.SetResampler(std::make_unique<TLinearResampler>());
  TBitmap32 whole, clipped;
  whole.SetSize(100, 50);
  clipped.SetSize(87, 47);
  whole.Draw({0, 0, 100, 50}, source.BoundsRect(), source);
  clipped.Draw({-13, -3, 87, 47}, source.BoundsRect(), source);
  for (int y = 0; y < 47; ++y)
    for (int x = 0; x < 87; ++x) ASSERT_EQ(clipped.Pixel(x, y), whole.Pixel(x + 13, y + 3)) << x << "," << y;
}

TEST(ResamplerTest, EnlargedEdgesFadeIntoATransparentBorderWithoutLeavingIt) {
  // A frame: one visible pixel inside a border of 0, drawn 2.5 times enlarged in
  // transparent mode over a target that must show through where the filter gives 0.
  TBitmap32 frame;
  frame.SetSize(3, 3);
  frame.SetPixel(1, 1, 0x00FFFFFF);
  frame.DrawMode = TDrawMode::Transparent;
  frame.SetResampler(std::make_unique<TLinearResampler>());
  TBitmap32 target;
  target.SetSize(11, 11);
  target.Clear(0xFF00FF00);
  target.Draw({1, 1, 10, 10}, frame.BoundsRect(), frame);
  EXPECT_EQ(target.Pixel(0, 0), 0xFF00FF00u);   // outside the rectangle
  EXPECT_EQ(target.Pixel(1, 1), 0xFF00FF00u);   // inside, but every pixel it mixes is 0
  EXPECT_EQ(target.Pixel(5, 5), 0x00FFFFFFu);   // the middle is the visible pixel itself
  const TColor32 edge = target.Pixel(3, 5);     // a third white, the rest border: a dim grey
  EXPECT_GT(edge & 0xFF, 0u);
  EXPECT_LT(edge & 0xFF, 0xFFu);
}

TEST(ResamplerTest, StretchesAreClippedToTheTargetWithTheMappingOfTheWholeRectangle) {
  TBitmap32 source;
  source.SetSize(4, 1);
  for (int x = 0; x < 4; ++x) source.SetPixel(x, 0, static_cast<TColor32>(x + 1));
  TBitmap32 whole, clipped;
  whole.SetSize(8, 2);
  clipped.SetSize(4, 2);
  whole.Draw({0, 0, 8, 2}, {0, 0, 4, 1}, source);
  clipped.Draw({-4, 0, 4, 2}, {0, 0, 4, 1}, source);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(clipped.Pixel(x, 1), whole.Pixel(x + 4, 1));
}

TEST(ResamplerTest, NearestNeighbourRepeatsPixelsWithoutMixing) {
  TBitmap32 source;
  source.SetSize(2, 1);
  source.SetPixel(0, 0, 10);
  source.SetPixel(1, 0, 20);
  TBitmap32 dest;
  dest.SetSize(5, 1);
  dest.Draw(dest.BoundsRect(), source.BoundsRect(), source);
  // The centre of pixel 2 falls exactly on the border between the source pixels: the right one.
  EXPECT_EQ(std::vector<TColor32>(dest.Bits(), dest.Bits() + 5), (std::vector<TColor32>{10, 10, 20, 20, 20}));
}

}  // namespace
