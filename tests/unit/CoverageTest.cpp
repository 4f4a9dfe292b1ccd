// The overlay's premultiplied pixels over a desktop, blended and in the shape's form.
#include "platform/Coverage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "sprites/Bitmap32.h"
#include "sprites/Resampler.h"

namespace {

constexpr uint32_t MidBlue = 0x3366CC;
constexpr uint32_t White = 0xFFFFFF;

// What a compositor shows: the premultiplied pixel over the desktop's colour.
uint32_t Over(uint32_t pixel, uint32_t desktop) {
  const uint32_t alpha = pixel >> 24;
  uint32_t shown = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t channel = ((pixel >> shift) & 0xFF) + (((desktop >> shift) & 0xFF) * (255 - alpha) + 127) / 255;
    shown |= std::min<uint32_t>(channel, 255) << shift;
  }
  return shown;
}

// A playfield with one white pixel at (5, 5), enlarged 2.5 times as the game enlarges it.
std::vector<uint32_t> EnlargedWhitePixel() {
  TBitmap32 playfield;
  playfield.SetSize(11, 11);
  playfield.SetPixel(5, 5, 0x00FFFFFF);  // the pictures' pixels carry no alpha of their own
  playfield.DrawMode = TDrawMode::Custom;
  playfield.SetResampler(std::make_unique<TMyLinearResampler>(TAlphaRule::Coverage));
  TBitmap32 screen;
  screen.SetSize(28, 28);
  screen.Draw(screen.BoundsRect(), playfield.BoundsRect(), playfield);
  return {screen.Bits(), screen.Bits() + 28 * 28};
}

TEST(CoverageTest, ALonePixelFadesIntoTheDesktopWithoutADarkRim) {
  const std::vector<uint32_t> frame = EnlargedWhitePixel();
  for (uint32_t desktop : {MidBlue, White, 0u}) {
    int mixed = 0;
    for (uint32_t pixel : frame) {
      const uint32_t shown = Over(pixel, desktop);
      // A mix of white and the desktop is nowhere darker than the desktop.
      for (int shift = 0; shift < 24; shift += 8)
        ASSERT_GE((shown >> shift) & 0xFF, (desktop >> shift) & 0xFF) << std::hex << pixel << " over " << desktop;
      mixed += (pixel >> 24) != 0 && (pixel >> 24) != 255;
    }
    EXPECT_GT(mixed, 0) << "the edge is soft";
  }
}

TEST(CoverageTest, ALonePixelsShapeIsWhiteThroughoutAndHalfCovered) {
  std::vector<uint32_t> frame = EnlargedWhitePixel();
  const std::vector<uint32_t> premultiplied = frame;
  ShapedFromPremultiplied(frame.data(), frame.data(), static_cast<int>(frame.size()));
  int inside = 0;
  for (size_t i = 0; i < frame.size(); ++i) {
    if (InShape(premultiplied[i])) {
      EXPECT_EQ(frame[i], 0xFF000000u | White) << "pixel " << i << " of coverage " << (premultiplied[i] >> 24);
      ++inside;
    } else {
      EXPECT_EQ(frame[i], 0u);
    }
  }
  // The pixel's own 2.5 x 2.5 screen pixels, give or take the soft edge.
  EXPECT_GE(inside, 4);
  EXPECT_LE(inside, 12);
}

TEST(CoverageTest, TheShapeKeepsHalfCoveredPixelsWithTheirColourDividedByTheCoverage) {
  const std::vector<uint32_t> in = {
      0x00000000,  // nothing covered
      0x7F3F0010,  // just under half: left out
      0x80402000,  // half of (128, 64, 0)
      0xC0601800,  // three quarters of (128, 32, 0)
      0xFF123456,  // solid: as it is
      0x80000000,  // a colour so dark that it rounded to black: kept in, not keyed out
      0x90A00000,  // a colour a little past its coverage after rounding: held at 255
  };
  std::vector<uint32_t> out(in.size());
  ShapedFromPremultiplied(in.data(), out.data(), static_cast<int>(in.size()));
  EXPECT_EQ(out[0], 0u);
  EXPECT_EQ(out[1], 0u);
  EXPECT_EQ(out[2], 0xFF804000u);
  EXPECT_EQ(out[3], 0xFF802000u);
  EXPECT_EQ(out[4], 0xFF123456u);
  EXPECT_NE(out[5] & 0xFFFFFFu, 0u);
  EXPECT_EQ(out[5] >> 24, 0xFFu);
  EXPECT_EQ(out[6], 0xFFFF0000u);

  // A window shaped by other means shows every covered pixel at the colour beneath
  // its coverage; only what nothing covers is left black.
  CoveredFromPremultiplied(in.data(), out.data(), static_cast<int>(in.size()));
  EXPECT_EQ(out[0], 0u);
  EXPECT_EQ(out[1], 0xFF7E0020u);
  EXPECT_EQ(out[2], 0xFF804000u);
  EXPECT_EQ(out[4], 0xFF123456u);
}

TEST(CoverageTest, LongRowsComeOutAsPixelByPixel) {
  // Mostly solid and empty pixels, which go four at a time, with edges and a solid
  // black here and there, which must not.
  std::vector<uint32_t> row;
  uint32_t state = 12345;
  for (int i = 0; i < 4000; ++i) {
    state = state * 1103515245u + 12345u;
    const uint32_t colour = (state >> 4) & 0xFFFFFF;
    switch ((state >> 28) % 8) {
      case 0: row.push_back(0); break;
      case 1: row.push_back(0xFF000000u); break;
      case 2: row.push_back(((state >> 8) & 0xFF) << 24 | (colour & 0x7F7F7F)); break;
      case 3: row.push_back((state & 0x7F) << 24); break;
      default: row.push_back(0xFF000000u | colour | 1); break;
    }
  }
  for (const auto convert : {ShapedFromPremultiplied, CoveredFromPremultiplied}) {
    std::vector<uint32_t> whole(row.size()), single(row.size()), inPlace = row;
    convert(row.data(), whole.data(), static_cast<int>(row.size()));
    for (size_t i = 0; i < row.size(); ++i) convert(&row[i], &single[i], 1);
    EXPECT_EQ(whole, single);
    convert(inPlace.data(), inPlace.data(), static_cast<int>(inPlace.size()));
    EXPECT_EQ(inPlace, single) << "in place";
  }
}

}  // namespace
