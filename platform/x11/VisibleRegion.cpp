// Run-length rectangles of the visible part of a frame, exact or from the playfield.
#include "platform/x11/VisibleRegion.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <utility>

namespace {

// Half-open column ranges [first, second) of one row, sorted and apart.
using TRuns = std::vector<std::pair<int, int>>;

// Collects rows of runs into bands, one band for each stretch of identical rows.
class TBandBuilder {
 public:
  void AddRow(int y, const TRuns& runs) {
    if (Rows > 0 && y == Top + Rows && runs == Current) {
      ++Rows;
      return;
    }
    Flush();
    Current = runs;
    Top = y;
    Rows = 1;
  }

  TRegionRects Finish() {
    Flush();
    return std::move(Out);
  }

 private:
  void Flush() {
    for (const auto& [first, last] : Current) Out.push_back({first, Top, last - first, Rows});
    Current.clear();
    Rows = 0;
  }

  TRegionRects Out;
  TRuns Current;
  int Top = 0;
  int Rows = 0;
};

// Whether the four pixels from Pixels on are all 0.
bool FourEmpty(const uint32_t* pixels) {
  uint64_t left = 0, right = 0;
  std::memcpy(&left, pixels, sizeof left);
  std::memcpy(&right, pixels + 2, sizeof right);
  return (left | right) == 0;
}

// Appends the runs of pixels of Row[First, Last) that Shows picks. A pixel of 0
// never shows: most of a frame is nothing, and is passed over four pixels at a time.
template <typename TShows>
void AddRunsOfRow(const uint32_t* row, int first, int last, TShows shows, TRuns& runs) {
  int x = first;
  while (x < last) {
    if (x + 4 <= last && FourEmpty(row + x)) {
      x += 4;
      continue;
    }
    if (!shows(row[x])) {
      ++x;
      continue;
    }
    const int start = x;
    while (x < last && shows(row[x])) ++x;
    runs.emplace_back(start, x);
  }
}

// Appends the parts of runs A that no run of B covers (both sorted and apart).
void SubtractRuns(const TRuns& a, const TRuns& b, TRuns& out) {
  size_t j = 0;
  for (auto [start, end] : a) {
    while (j < b.size() && b[j].second <= start) ++j;
    for (size_t k = j; k < b.size() && b[k].first < end; ++k) {
      if (b[k].first > start) out.emplace_back(start, b[k].first);
      start = std::max(start, b[k].second);
    }
    if (start < end) out.emplace_back(start, end);
  }
}

// The runs of consecutive rows as bands.
TRegionRects BuildBands(const std::vector<TRuns>& rows) {
  TBandBuilder bands;
  for (size_t y = 0; y < rows.size(); ++y) bands.AddRow(static_cast<int>(y), rows[y]);
  return bands.Finish();
}

}  // namespace

TRegionRects VisibleRects(const TPixelView& picture, int left, int top, int width, int height) {
  const int x0 = std::max(left, 0), x1 = std::min(left + width, picture.Width);
  const int y0 = std::max(top, 0), y1 = std::min(top + height, picture.Height);
  TBandBuilder bands;
  if (picture.Pixels == nullptr || x0 >= x1) return bands.Finish();
  TRuns runs;
  for (int y = y0; y < y1; ++y) {
    runs.clear();
    AddRunsOfRow(picture.Row(y), x0, x1, InShape, runs);
    bands.AddRow(y, runs);
  }
  return bands.Finish();
}

void TShapeRows::Reset() {
  Width = -1;
  Rows.clear();
  Shape.clear();
  ShapeStale = false;
  AreaChanges.clear();
}

bool TShapeRows::ReadRow(const TPixelView& picture, int y, int first, int last, TRuns& removed, TRuns& added) {
  // The row's runs before First (cut at it), the runs read within, and those from
  // Last on (cut there too); runs that then touch are one.
  const TRuns& runs = Rows[static_cast<size_t>(y)];
  TRuns& next = Scratch;
  next.clear();
  for (const auto& [start, end] : runs)
    if (start < first) next.emplace_back(start, std::min(end, first));
  ReadRuns(picture, y, first, last, next);
  for (const auto& [start, end] : runs)
    if (end > last) next.emplace_back(std::max(start, last), end);
  size_t kept = 0;
  for (size_t i = 0; i < next.size(); ++i) {
    if (kept > 0 && next[kept - 1].second == next[i].first)
      next[kept - 1].second = next[i].second;
    else
      next[kept++] = next[i];
  }
  next.resize(kept);
  if (next == runs) return false;
  SubtractRuns(runs, next, removed);
  SubtractRuns(next, runs, added);
  std::swap(Rows[static_cast<size_t>(y)], next);
  return true;
}

void TShapeRows::ReadRuns(const TPixelView& picture, int y, int first, int last, TRuns& runs) const {
  if (Source.Pixels == nullptr) {
    AddRunsOfRow(picture.Row(y), first, last, InShape, runs);
    return;
  }
  // A source pixel at a time: the frame's columns whose centres fall on it.
  const uint32_t* row = Source.Row(SourceRow[static_cast<size_t>(y)]);
  const size_t before = runs.size();
  for (int x = first; x < last;) {
    const int column = SourceColumn[static_cast<size_t>(x)];
    const int end = std::min(last, ColumnStart[static_cast<size_t>(column) + 1]);
    if (IsCoveringPixel(row[column])) {
      if (runs.size() > before && runs.back().second == x)
        runs.back().second = end;
      else
        runs.emplace_back(x, end);
    }
    x = end;
  }
}

bool TShapeRows::MapSource(const TPixelView& picture, const TPixelView* source) {
  const bool usable = source != nullptr && source->Pixels != nullptr && source->Width > 0 && source->Height > 0 &&
                      picture.Pixels != nullptr;
  const TPixelView wanted = usable ? *source : TPixelView{};
  const bool sameSource = wanted.Pixels == Source.Pixels && wanted.Width == Source.Width && wanted.Height == Source.Height;
  const bool sameFrame = !usable || (SourceColumn.size() == static_cast<size_t>(picture.Width) &&
                                     SourceRow.size() == static_cast<size_t>(picture.Height));
  if (sameSource && sameFrame) return false;
  Source = wanted;
  if (!usable) return true;
  // The centre of frame pixel X lies at (X + 0.5) * SourceWidth / Width in the source.
  const auto centres = [](int frame, int from, std::vector<int>& of) {
    of.resize(static_cast<size_t>(frame));
    for (int x = 0; x < frame; ++x) {
      const int64_t at = (2 * static_cast<int64_t>(x) + 1) * from / (2 * static_cast<int64_t>(frame));
      of[static_cast<size_t>(x)] = static_cast<int>(std::min<int64_t>(at, from - 1));
    }
  };
  centres(picture.Width, Source.Width, SourceColumn);
  centres(picture.Height, Source.Height, SourceRow);
  ColumnStart.assign(static_cast<size_t>(Source.Width) + 1, picture.Width);
  for (int x = picture.Width - 1; x >= 0; --x) ColumnStart[static_cast<size_t>(SourceColumn[static_cast<size_t>(x)])] = x;
  for (int column = Source.Width - 1; column >= 0; --column)
    ColumnStart[static_cast<size_t>(column)] = std::min(ColumnStart[static_cast<size_t>(column)], ColumnStart[static_cast<size_t>(column) + 1]);
  return true;
}

bool TShapeRows::Update(const TPixelView& picture, const std::vector<TPixelArea>* changed, const TPixelView* source) {
  const int width = picture.Pixels != nullptr ? picture.Width : 0;
  const int height = picture.Pixels != nullptr ? picture.Height : 0;
  AreaChanges.clear();
  TRuns removed, added;
  const bool remapped = MapSource(picture, source);
  WholeRead = changed == nullptr || remapped || width != Width || Rows.size() != static_cast<size_t>(height);
  if (WholeRead) {
    Width = width;
    Rows.assign(static_cast<size_t>(height), {});
    for (int y = 0; y < height; ++y) {
      removed.clear();
      added.clear();
      ReadRow(picture, y, 0, width, removed, added);
    }
    TRegionRects shape = BuildBands(Rows);
    if (!ShapeStale && shape == Shape) return false;
    Shape = std::move(shape);
    ShapeStale = false;
    return true;
  }
  // Each changed part is read again; the rest of its rows is as it was.
  for (const TPixelArea& area : *changed) {
    const int x0 = std::max(area.X, 0), x1 = std::min(area.X + area.Width, width);
    const int y0 = std::max(area.Y, 0), y1 = std::min(area.Y + area.Height, height);
    TBandBuilder gone, joined;
    for (int y = y0; y < y1 && x0 < x1; ++y) {
      removed.clear();
      added.clear();
      if (!ReadRow(picture, y, x0, x1, removed, added)) continue;
      gone.AddRow(y, removed);
      joined.AddRow(y, added);
    }
    TShapeChange change{gone.Finish(), joined.Finish()};
    if (!change.Removed.empty() || !change.Added.empty()) AreaChanges.push_back(std::move(change));
  }
  if (AreaChanges.empty()) return false;
  ShapeStale = true;
  return true;
}

const TRegionRects& TShapeRows::Rects() const {
  if (ShapeStale) {
    Shape = BuildBands(Rows);
    ShapeStale = false;
  }
  return Shape;
}

TRegionRects TShapeRows::RectsWithin(int left, int top, int width, int height) const {
  TBandBuilder bands;
  TRuns cut;
  const int rows = static_cast<int>(Rows.size());
  for (int y = std::max(top, 0); y < std::min(top + height, rows); ++y) {
    cut.clear();
    for (const auto& [start, end] : Rows[static_cast<size_t>(y)])
      if (start < left + width && end > left) cut.emplace_back(std::max(start, left), std::min(end, left + width));
    bands.AddRow(y, cut);
  }
  return bands.Finish();
}

namespace {

// What the changes of areas [First, Last) removed, as one banded region.
TRegionRects MergeRemovals(const std::vector<TShapeChange>& changes, size_t first, size_t last) {
  // Row by row: each rectangle's runs, sorted, then those that overlap or touch made one.
  std::vector<std::tuple<int, int, int>> runs;
  for (size_t i = first; i < last && i < changes.size(); ++i)
    for (const TRegionRect& r : changes[i].Removed)
      for (int y = r.Y; y < r.Y + r.Height; ++y) runs.emplace_back(y, r.X, r.X + r.Width);
  std::sort(runs.begin(), runs.end());
  TBandBuilder bands;
  TRuns row;
  for (size_t i = 0; i < runs.size();) {
    const int y = std::get<0>(runs[i]);
    row.clear();
    for (; i < runs.size() && std::get<0>(runs[i]) == y; ++i) {
      const auto [unused, start, end] = runs[i];
      if (!row.empty() && start <= row.back().second)
        row.back().second = std::max(row.back().second, end);
      else
        row.emplace_back(start, end);
    }
    bands.AddRow(y, row);
  }
  return bands.Finish();
}

// The smallest box holding every rectangle; empty for none.
struct TBox {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;

  void Take(const TRegionRects& rects) {
    for (const TRegionRect& r : rects) {
      const bool empty = Right <= Left;
      Left = empty ? r.X : std::min(Left, r.X);
      Top = empty ? r.Y : std::min(Top, r.Y);
      Right = empty ? r.X + r.Width : std::max(Right, r.X + r.Width);
      Bottom = empty ? r.Y + r.Height : std::max(Bottom, r.Y + r.Height);
    }
  }
  int64_t Area() const { return static_cast<int64_t>(Right - Left) * (Bottom - Top); }
};

}  // namespace

std::vector<TRegionRects> BatchRemovals(const std::vector<TShapeChange>& changes, size_t exact, int64_t spread) {
  std::vector<TRegionRects> batches;
  // The areas [First, I) make the batch being gathered: their box, how many rectangles
  // they name, and, while those are few, the region they make together (whose own
  // count is what the server sees).
  size_t first = 0, named = 0;
  TBox box;
  TRegionRects few;
  for (size_t i = 0; i < changes.size(); ++i) {
    const TRegionRects& rects = changes[i].Removed;
    if (rects.empty()) continue;
    TBox grown = box;
    grown.Take(rects);
    bool fits = grown.Area() <= spread;
    TRegionRects joined;
    if (named + rects.size() <= exact) {
      joined = MergeRemovals(changes, first, i + 1);
      fits = fits || joined.size() <= exact;
    }
    if (!fits && named > 0) {
      batches.push_back(few.empty() ? MergeRemovals(changes, first, i) : std::move(few));
      first = i;
      named = 0;
      grown = TBox{};
      grown.Take(rects);
      joined = rects.size() <= exact ? rects : TRegionRects{};
    }
    box = grown;
    named += rects.size();
    few = std::move(joined);
  }
  if (named > 0) batches.push_back(few.empty() ? MergeRemovals(changes, first, changes.size()) : std::move(few));
  return batches;
}
