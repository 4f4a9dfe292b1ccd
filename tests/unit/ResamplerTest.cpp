// Stretched draws against a plain reference, and the filter's edges.
#include "sprites/Resampler.h"

#include <gtest/gtest.h>

#include <cmath>

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

void ExpectMatchesReference(int sourceWidth, int sourceHeight, int destWidth, int destHeight) {
  TBitmap32 source;
  source.SetSize(sourceWidth, sourceHeight);
  RandSeed(static_cast<uint64_t>(sourceWidth * 1000 + destWidth));
  for (int y = 0; y < sourceHeight; ++y)
    for (int x = 0; x < sourceWidth; ++x)
      source.SetPixel(x, y, static_cast<TColor32>(Random(1 << 16)) << 16 | static_cast<TColor32>(Random(1 << 16)));
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
  ExpectMatchesReference(41, 31, 102, 77);    // the playfield's 2.5 at 1024x768 proportions
  ExpectMatchesReference(40, 24, 100, 60);    // the exact 5:2 ratio
  ExpectMatchesReference(17, 18, 40, 43);     // a sprite frame at the GIANT scale of about 2.4
  ExpectMatchesReference(50, 50, 5, 7);       // shrinking, as the flash's first frames do
  ExpectMatchesReference(3, 3, 3, 10);        // one axis unscaled
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
