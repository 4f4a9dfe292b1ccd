// Putting one pixel of a glyph into a picture, alike for every text renderer of the platform.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/Platform.h"

// Moves the colour channels of Target's pixel at (X, Y) toward Colour by Cover/255 of
// the way (the glyph's coverage), leaving its alpha as it is; nothing outside Clip or
// outside Target is touched.
inline void BlendGlyphPixel(const TPixelTarget& target, int x, int y, uint32_t colour, unsigned cover,
                            const TPixelArea& clip) {
  if (cover == 0 || x < std::max(clip.X, 0) || y < std::max(clip.Y, 0) ||
      x >= std::min(clip.X + clip.Width, target.Width) || y >= std::min(clip.Y + clip.Height, target.Height))
    return;
  uint32_t& pixel = target.Row(y)[x];
  uint32_t mixed = pixel & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const int under = static_cast<int>((pixel >> shift) & 0xFF);
    const int over = static_cast<int>((colour >> shift) & 0xFF);
    mixed |= static_cast<uint32_t>(under + ((over - under) * static_cast<int>(cover) + 127) / 255) << shift;
  }
  pixel = mixed;
}
