// The contrast of two colours, for tests of text that must be readable.
#pragma once

#include <algorithm>
#include <cmath>

#include "sprites/Bitmap32.h"

// The contrast ratio (1 to 21) as the web's accessibility guidelines define it;
// 4.5 is their least for text.
inline double ContrastRatio(TColor32 a, TColor32 b) {
  const auto luminance = [](TColor32 c) {
    const double weights[3] = {0.0722, 0.7152, 0.2126};  // blue, green, red
    double sum = 0;
    for (int i = 0; i < 3; ++i) {
      const double v = ((c >> (8 * i)) & 0xFF) / 255.0;
      sum += weights[i] * (v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
    }
    return sum;
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The lowest contrast between a pixel of Area that is not its background (the text)
// and that background, which Background(x, y) names.
template <typename TBackground>
double LowestContrast(const TBitmap32& picture, const TRect& area, TBackground background) {
  double lowest = 21;
  for (int y = area.Top; y < area.Bottom; ++y)
    for (int x = area.Left; x < area.Right; ++x) {
      const TColor32 behind = background(x, y) & 0xFFFFFF, pixel = picture.Pixel(x, y) & 0xFFFFFF;
      if (pixel != behind) lowest = std::min(lowest, ContrastRatio(pixel, behind));
    }
  return lowest;
}
