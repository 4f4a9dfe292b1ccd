// The visible part of a frame as rectangles, for window shapes.
#pragma once

#include <vector>

#include "platform/Coverage.h"
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

// True when a pixel of the small picture an overlay frame is enlarged from covers its
// place: pure black (red, green and blue 0, whatever the alpha) covers nothing.
inline bool IsCoveringPixel(uint32_t pixel) { return (pixel & 0x00FFFFFFu) != 0; }

// The pixels of Picture (premultiplied, see platform/Coverage.h) inside the box
// (Left, Top, Width, Height) that belong to the shape, exactly. Parts of the box
// outside the picture count as see-through.
TRegionRects VisibleRects(const TPixelView& picture, int left, int top, int width, int height);
// The same for the parts of Picture that Candidates (banded) name: the rest counts as see-through.
TRegionRects VisibleRectsWithin(const TPixelView& picture, const TRegionRects& candidates);

// The pixels of a Width x Height enlargement of Source by bilinear filtering that
// samples at pixel centres (as the game's does) that the source may cover in part:
// those whose filter footprint touches a covering source pixel. Every pixel of the
// enlargement's shape lies within them.
TRegionRects PossiblyVisibleRects(const TPixelView& source, int width, int height);
