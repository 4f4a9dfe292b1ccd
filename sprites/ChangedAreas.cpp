// Tile-by-tile comparison of a surface with its previous frame.
#include "sprites/ChangedAreas.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "sprites/Resampler.h"

const std::vector<TRect>& TChangedAreas::Compare(const TBitmap32& source, int destWidth, int destHeight,
                                                 const std::vector<TRect>* within) {
  Areas.clear();
  const int w = source.Width(), h = source.Height();
  const bool sameSize = !Previous.empty() && w == SourceWidth && h == SourceHeight && destWidth == DestWidth &&
                        destHeight == DestHeight;
  SourceWidth = w, SourceHeight = h, DestWidth = destWidth, DestHeight = destHeight;
  if (w == 0 || h == 0 || destWidth <= 0 || destHeight <= 0) {
    Previous.clear();
    return Areas;
  }
  if (!sameSize) {
    Columns = (w + TileWidth - 1) / TileWidth;
    Rows = (h + TileHeight - 1) / TileHeight;
    WordsPerRow = (Columns + 63) / 64;
    Previous.assign(source.ScanLine(0), source.ScanLine(0) + static_cast<size_t>(w) * h);
    MeasureReach();
    Areas.push_back({0, 0, destWidth, destHeight});
    return Areas;
  }
  Marked.assign(static_cast<size_t>(WordsPerRow) * Rows, 0);
  if (within != nullptr) {
    for (const TRect& r : *within) {
      const int x0 = std::max(r.Left, 0), x1 = std::min(r.Right, w);
      for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, h) && x0 < x1; ++y)
        MarkRow(source.ScanLine(y), Previous.data() + static_cast<size_t>(y) * w, y, x0, x1);
    }
    CollectRuns();
    return Areas;
  }
  for (int y = 0; y < h; ++y) {
    const TColor32* now = source.ScanLine(y);
    TColor32* before = Previous.data() + static_cast<size_t>(y) * w;
    if (std::memcmp(now, before, static_cast<size_t>(w) * sizeof(TColor32)) != 0) MarkRow(now, before, y, 0, w);
  }
  CollectRuns();
  return Areas;
}

void TChangedAreas::Reserve(const TBitmap32& source, int destWidth) {
  const size_t columns = static_cast<size_t>((source.Width() + TileWidth - 1) / TileWidth);
  const size_t rows = static_cast<size_t>((source.Height() + TileHeight - 1) / TileHeight), tiles = columns * rows;
  Previous.reserve(static_cast<size_t>(source.Width()) * source.Height());
  Marked.reserve((columns + 63) / 64 * rows);
  Areas.reserve(tiles);
  Redrawn.reserve(tiles);
  RunsAbove.reserve(columns);
  RunsHere.reserve(columns);
  LastPartAt.reserve(static_cast<size_t>(std::max(destWidth, 0)));
}

const std::vector<TPixelArea>& TChangedAreas::Enlarge(const TBitmap32& source, TBitmap32& dest,
                                                     const std::vector<TRect>* within) {
  Redrawn.clear();
  const std::vector<TRect>& changed = Compare(source, dest.Width(), dest.Height(), within);
  if (CheaperWhole(changed, dest)) {
    dest.Draw(dest.BoundsRect(), source.BoundsRect(), source);
    Redrawn.push_back({0, 0, dest.Width(), dest.Height()});
    return Redrawn;
  }
  if (changed.empty()) return Redrawn;
  if (source.Width() == dest.Width() && source.Height() == dest.Height()) {
    // At the same size a part is a plain copy, which the resampler does not make.
    for (const TRect& area : changed) {
      dest.SetClipRect(area);
      dest.Draw(dest.BoundsRect(), source.BoundsRect(), source);
    }
    dest.SetClipRect(dest.BoundsRect());
  } else {
    source.Resampler().ResampleAreas(dest, dest.BoundsRect(), source, source.BoundsRect(), changed);
  }
  for (const TRect& area : changed) Redrawn.push_back({area.Left, area.Top, area.Width(), area.Height()});
  return Redrawn;
}

bool TChangedAreas::CheaperWhole(const std::vector<TRect>& changed, const TBitmap32& dest) const {
  // Measured at 1920 x 1080 and on the menu: each part costs a start and memory not yet
  // in the cache, so past a few hundred parts, or two fifths of the picture, one whole
  // draw is quicker.
  constexpr size_t MostParts = 2500;
  if (changed.size() <= 1) return false;
  if (changed.size() > MostParts) return true;
  int64_t pixels = 0;
  for (const TRect& r : changed) pixels += int64_t{r.Width()} * r.Height();
  return pixels * 5 > int64_t{dest.Width()} * dest.Height() * 2;
}

namespace {

// Two pixels at once, for passing over what did not change.
uint64_t PixelPair(const TColor32* pixels) {
  uint64_t pair = 0;
  std::memcpy(&pair, pixels, sizeof pair);
  return pair;
}

int64_t CeilDiv(int64_t a, int64_t b) { return a / b + ((a % b != 0) && ((a < 0) == (b < 0))); }

// Along an axis of Source pixels enlarged onto Dest, the filter reads for destination
// pixel D the source pixel under floor(P) and the next, where P, in 1/256 pixels, is
// floor(N(D) / 2Dest) with N(D) = 512 Source D + 256 Source - 255 Dest. The first
// destination pixel that reads any source pixel from First on (P >= First - 1):
int ReachStart(int first, int source, int dest) {
  if (first <= 0) return 0;
  const int64_t threshold = 2LL * dest * 256 * (first - 1) - 256LL * source + 255LL * dest;
  return static_cast<int>(std::clamp<int64_t>(CeilDiv(threshold, 512LL * source), 0, dest));
}

// The end (exclusive) of the destination pixels that read any source pixel before End (P < End).
int ReachEnd(int end, int source, int dest) {
  if (end >= source) return dest;
  const int64_t threshold = 2LL * dest * 256 * end - 256LL * source + 255LL * dest;
  return static_cast<int>(std::clamp<int64_t>(CeilDiv(threshold, 512LL * source), 0, dest));
}

}  // namespace

void TChangedAreas::MeasureReach() {
  ColumnReach.resize(static_cast<size_t>(Columns));
  for (int column = 0; column < Columns; ++column)
    ColumnReach[static_cast<size_t>(column)] = {
        ReachStart(column * TileWidth, SourceWidth, DestWidth),
        ReachEnd(std::min((column + 1) * TileWidth, SourceWidth), SourceWidth, DestWidth)};
  RowReach.resize(static_cast<size_t>(Rows));
  for (int row = 0; row < Rows; ++row)
    RowReach[static_cast<size_t>(row)] = {ReachStart(row * TileHeight, SourceHeight, DestHeight),
                                          ReachEnd(std::min((row + 1) * TileHeight, SourceHeight), SourceHeight, DestHeight)};
}

void TChangedAreas::MarkRow(const TColor32* now, TColor32* before, int y, int x0, int x1) {
  uint64_t* marks = Marked.data() + static_cast<size_t>(y / TileHeight) * WordsPerRow;
  for (int x = x0; x < x1;) {
    if (x + 2 <= x1 && PixelPair(now + x) == PixelPair(before + x)) {
      x += 2;
      continue;
    }
    if (now[x] == before[x]) {
      ++x;
      continue;
    }
    // The tile's first change marks it; the rest of it is compared no further and
    // taken as it is now.
    const int column = x / TileWidth, tileEnd = std::min((column + 1) * TileWidth, SourceWidth);
    marks[column / 64] |= uint64_t{1} << (column % 64);
    std::copy(now + x, now + tileEnd, before + x);
    x = tileEnd;
  }
}

int TChangedAreas::NextColumn(const uint64_t* marks, int column, bool set) const {
  while (column < Columns) {
    const uint64_t word = (set ? marks[column / 64] : ~marks[column / 64]) >> (column % 64);
    if (word != 0) return std::min(column + std::countr_zero(word), Columns);
    column = (column / 64 + 1) * 64;
  }
  return Columns;
}

void TChangedAreas::CollectRuns() {
  // Runs of the row above, by left edge; a run below one of the same span extends it.
  std::vector<size_t>& above = RunsAbove;
  std::vector<size_t>& here = RunsHere;
  above.clear();
  for (int row = 0; row < Rows; ++row) {
    const uint64_t* marks = Marked.data() + static_cast<size_t>(row) * WordsPerRow;
    const int top = RowReach[static_cast<size_t>(row)].first, bottom = RowReach[static_cast<size_t>(row)].second;
    size_t candidate = 0;
    here.clear();
    for (int column = NextColumn(marks, 0, true); column < Columns; column = NextColumn(marks, column, true)) {
      const int first = column;
      column = NextColumn(marks, column, false);
      const int left = ColumnReach[static_cast<size_t>(first)].first;
      const int right = ColumnReach[static_cast<size_t>(column - 1)].second;
      while (candidate < above.size() && Areas[above[candidate]].Left < left) ++candidate;
      if (candidate < above.size() && Areas[above[candidate]].Left == left && Areas[above[candidate]].Right == right) {
        Areas[above[candidate]].Bottom = bottom;
        here.push_back(above[candidate]);
        continue;
      }
      here.push_back(Areas.size());
      Areas.push_back({left, top, right, bottom});
    }
    std::swap(above, here);
  }
  JoinColumns();
}

void TChangedAreas::JoinColumns() {
  // A star's old and new place, two or three source pixels apart, are two parts of the
  // same columns with a few rows between them: the rows between cost less to enlarge
  // and send than a part of their own does.
  constexpr int JoinRows = 4;
  LastPartAt.assign(static_cast<size_t>(DestWidth), -1);
  size_t kept = 0;
  // The parts come in the order of their top rows.
  for (const TRect& part : Areas) {
    int32_t& last = LastPartAt[static_cast<size_t>(part.Left)];
    if (last >= 0) {
      TRect& above = Areas[static_cast<size_t>(last)];
      if (above.Right == part.Right && part.Top <= above.Bottom + JoinRows) {
        above.Bottom = std::max(above.Bottom, part.Bottom);
        continue;
      }
    }
    last = static_cast<int32_t>(kept);
    Areas[kept++] = part;
  }
  Areas.resize(kept);
}
