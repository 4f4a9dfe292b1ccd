// The visible (not pure black) part of a frame as rectangles, for window shapes.
#pragma once

#include <vector>

#include "platform/Platform.h"

struct TRegionRect {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const TRegionRect&) const = default;
};

// Rectangles come in bands: the rows of a band share top and height and are sorted
// left to right, bands top to bottom, and no two rectangles overlap (what the SHAPE
// extension calls YXBanded). Consecutive rows with the same runs share one band.
using TRegionRects = std::vector<TRegionRect>;

// True when a pixel shows: pure black (red, green and blue 0, whatever the alpha) is see-through.
inline bool IsVisiblePixel(uint32_t pixel) { return (pixel & 0x00FFFFFFu) != 0; }

// The visible pixels of Picture inside the box (Left, Top, Width, Height), exactly.
// Parts of the box outside the picture count as see-through.
TRegionRects VisibleRects(const TPixelView& picture, int left, int top, int width, int height);

// The pixels of a Width x Height enlargement of Source by bilinear filtering that
// samples at pixel centres (as the game's does) that may be visible: those whose
// filter footprint touches a visible source pixel. It never leaves out a visible
// pixel; where a footprint's weights leave black, a pixel of black fringe shows.
TRegionRects PossiblyVisibleRects(const TPixelView& source, int width, int height);
