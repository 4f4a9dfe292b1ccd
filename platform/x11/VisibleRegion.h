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
// How a shape changed within one area of a frame: the pixels that left it and those
// that joined it, each banded and inside the area.
struct TShapeChange {
  TRegionRects Removed;
  TRegionRects Added;
};

// The shape of a window's frames (which pixels belong to it, Update tells), kept row by
// row from one frame to the next: after the first frame only the rows that a frame
// changed are read again, and what changed is told area by area, so that a window
// can change its shape piece by piece rather than be given it whole again.
class TShapeRows {
 public:
  // Forgets the frames before, and their shape: the next frame is read whole.
  void Reset();
  // Takes the next frame, which differs from the last one only inside Changed (when
  // it is null, or the size differs, anywhere). True when its shape differs from the
  // last frame's. With the Source the frame was enlarged from (drawn over the whole
  // frame, as the game's are), a frame's pixel belongs to the shape when the source
  // pixel its centre falls on covers its place; without one, when it is covered at
  // least half. A source's shape changes only at its own pixels' edges, in steps as
  // big as they show: its rectangles are several times fewer.
  bool Update(const TPixelView& picture, const std::vector<TPixelArea>* changed, const TPixelView* source = nullptr);
  // Whether the last Update read its frame whole: its shape is to be taken whole.
  bool ReadWhole() const { return WholeRead; }
  // What the last Update changed, one entry for each named area in which the shape
  // changed, in the order named: applied in turn to the shape before, they give the
  // new one. Empty when the frame was read whole.
  const std::vector<TShapeChange>& Changes() const { return AreaChanges; }
  // The shape of the last frame, banded.
  const TRegionRects& Rects() const;
  // The part of it inside the box (Left, Top, Width, Height), banded.
  TRegionRects RectsWithin(int left, int top, int width, int height) const;

 private:
  using TRuns = std::vector<std::pair<int, int>>;
  // Reads columns [First, Last) of row Y again; true when the row's runs changed,
  // and then Removed and Added hold the runs that left and joined.
  bool ReadRow(const TPixelView& picture, int y, int first, int last, TRuns& removed, TRuns& added);
  // Appends the runs of the shape in columns [First, Last) of row Y.
  void ReadRuns(const TPixelView& picture, int y, int first, int last, TRuns& runs) const;
  // Maps the frame's pixels to Source's (or to none without one); true when the
  // mapping differs from the last frame's.
  bool MapSource(const TPixelView& picture, const TPixelView* source);

  int Width = -1;
  std::vector<TRuns> Rows;
  // With a source: the source column and row each frame column and row centre falls
  // on, and the first frame column of each source column (one more at the end).
  TPixelView Source;
  std::vector<int> SourceColumn, SourceRow, ColumnStart;
  TRuns Scratch;  // a row being read, kept between frames
  bool WholeRead = false;
  std::vector<TShapeChange> AreaChanges;
  mutable TRegionRects Shape;
  mutable bool ShapeStale = false;
};

// Gathers what a frame's shape changes removed into requests for the window system,
// whole areas in the order named. A server that uncovers more than a few rectangles at
// once exposes their bounding box instead, and the windows beneath then repaint all of
// it; every request, though, costs the server work in proportion to the whole shape.
// So a request holds areas while their rectangles number at most Exact, or while the
// box around them is at most Spread pixels. Each request is banded.
std::vector<TRegionRects> BatchRemovals(const std::vector<TShapeChange>& changes, size_t exact, int64_t spread);
