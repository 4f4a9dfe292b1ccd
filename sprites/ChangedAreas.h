// Where an enlarged picture changes from one frame to the next.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "sprites/Bitmap32.h"
#include "support/Geometry.h"

// Compares each new frame of a small surface with the one before, tile by tile, and
// names the parts of its bilinear enlargement that change: only those need to be
// enlarged and sent to the screen again. A run of changed tiles names the enlarged
// pixels whose filter reads any of its source pixels: the filter mixes each enlarged
// pixel from the source pixels on either side of its centre, so the part reaches a
// little past the run's own enlargement, and no further.
class TChangedAreas {
 public:
  // Tiles of TileSide x TileSide source pixels: smaller tiles find scattered small
  // changes (single pixels, as stars are) more tightly, larger ones compare faster.
  explicit TChangedAreas(int tileSide = 8) : TileWidth(tileSide), TileHeight(tileSide) {}

  // The parts of the enlargement of Source onto DestWidth x DestHeight (destination
  // pixels, right and bottom exclusive, one for each run of changed tiles) that differ from
  // the enlargement of the last frame compared. The first frame, and any after a change
  // of size or Forget, is one area over everything.
  // With Within, the caller vouches that Source changed nowhere else since the last
  // frame compared, and only those source rectangles are looked at.
  const std::vector<TRect>& Compare(const TBitmap32& source, int destWidth, int destHeight,
                                    const std::vector<TRect>* within = nullptr);
  // Enlarges Source over the whole of Dest again, but only where the enlargement
  // changed since the last call (looking only Within, if given, as Compare does); the
  // parts redrawn are returned in window terms.
  const std::vector<TPixelArea>& Enlarge(const TBitmap32& source, TBitmap32& dest,
                                         const std::vector<TRect>* within = nullptr);
  // Takes now the memory that frames of Source's size, enlarged DestWidth wide, need,
  // so that frames of play allocate nothing.
  void Reserve(const TBitmap32& source, int destWidth);
  // The parts the last Enlarge redrew.
  const std::vector<TPixelArea>& LastRedrawn() const { return Redrawn; }
  // The next frame counts as wholly changed: Dest was drawn on by other means.
  void Forget() { Previous.clear(); }

 private:
  // Many or large changes are enlarged faster by one whole draw than part by part.
  bool CheaperWhole(const std::vector<TRect>& changed, const TBitmap32& dest) const;
  // Marks the tiles in which row Y changed between columns X0 and X1.
  void MarkRow(const TColor32* now, TColor32* before, int y, int x0, int x1);
  // The first column from Column on whose tile is (Set) or is not (!Set) marked; Columns if none.
  int NextColumn(const uint64_t* marks, int column, bool set) const;
  void CollectRuns();
  // The enlarged pixels each tile column and row reaches, for the size just set.
  void MeasureReach();
  // Parts of the same columns a few rows apart become one.
  void JoinColumns();

  // Source pixels per side of the tiles compared; the game's 8 are 20 screen pixels at
  // its 2.5, and one vector's worth of a row.
  int TileWidth, TileHeight;
  int SourceWidth = 0, SourceHeight = 0, DestWidth = 0, DestHeight = 0;
  int Columns = 0, Rows = 0;
  std::vector<TColor32> Previous;
  // One bit per tile, row by row, each row starting a word: a frame clears and scans
  // 64 tiles at once.
  std::vector<uint64_t> Marked;
  int WordsPerRow = 0;
  std::vector<TRect> Areas;
  std::vector<TPixelArea> Redrawn;
  std::vector<size_t> RunsAbove, RunsHere;  // kept between frames so that a frame allocates nothing
  std::vector<int32_t> LastPartAt;           // by left edge, while the parts are joined
  // Per tile column (row): the first enlarged column (row) it reaches and the end of its reach.
  std::vector<std::pair<int, int>> ColumnReach, RowReach;
};
