// The visible part of a frame as rectangles, for window shapes.
#pragma once

#include <cstdint>
#include <utility>
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
// The shape of a window's frames (the pixels covered at least half), kept row by row
// from one frame to the next: after the first frame only the rows that a frame
// changed are read again.
class TShapeRows {
 public:
  // Forgets the frames before, and their shape: the next frame is read whole.
  void Reset();
  // Takes the next frame, which differs from the last one only inside Changed (when
  // it is null, or the size differs, anywhere). True when its shape differs from the
  // last frame's.
  bool Update(const TPixelView& picture, const std::vector<TPixelArea>* changed);
  // The shape of the last frame, banded.
  const TRegionRects& Rects() const { return Shape; }

 private:
  // Reads columns [First, Last) of row Y again; true when the row's runs changed.
  bool ReadRow(const TPixelView& picture, int y, int first, int last);

  int Width = -1;
  std::vector<std::vector<std::pair<int, int>>> Rows;
  std::vector<std::pair<int, int>> Scratch;  // a row being read, kept between frames
  TRegionRects Shape;
};
