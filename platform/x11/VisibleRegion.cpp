// Run-length rectangles of the visible part of a frame, exact or from the playfield.
#include "platform/x11/VisibleRegion.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
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
}

bool TShapeRows::ReadRow(const TPixelView& picture, int y, int first, int last) {
  // The row's runs before First (cut at it), the runs read within, and those from
  // Last on (cut there too); runs that then touch are one.
  const TRuns& runs = Rows[static_cast<size_t>(y)];
  TRuns& next = Scratch;
  next.clear();
  for (const auto& [start, end] : runs)
    if (start < first) next.emplace_back(start, std::min(end, first));
  AddRunsOfRow(picture.Row(y), first, last, InShape, next);
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
  std::swap(Rows[static_cast<size_t>(y)], next);
  return true;
}

bool TShapeRows::Update(const TPixelView& picture, const std::vector<TPixelArea>* changed) {
  const int width = picture.Pixels != nullptr ? picture.Width : 0;
  const int height = picture.Pixels != nullptr ? picture.Height : 0;
  bool differs = false;
  if (changed == nullptr || width != Width || Rows.size() != static_cast<size_t>(height)) {
    Width = width;
    Rows.assign(static_cast<size_t>(height), {});
    for (int y = 0; y < height; ++y) ReadRow(picture, y, 0, width);
    differs = true;
  } else {
    // Each changed part is read again; the rest of its rows is as it was.
    for (const TPixelArea& area : *changed) {
      const int x0 = std::max(area.X, 0), x1 = std::min(area.X + area.Width, width);
      const int y0 = std::max(area.Y, 0), y1 = std::min(area.Y + area.Height, height);
      for (int y = y0; y < y1 && x0 < x1; ++y)
        if (ReadRow(picture, y, x0, x1)) differs = true;
    }
  }
  if (!differs) return false;
  TBandBuilder bands;
  for (int y = 0; y < height; ++y) bands.AddRow(y, Rows[static_cast<size_t>(y)]);
  TRegionRects shape = bands.Finish();
  if (shape == Shape) return false;
  Shape = std::move(shape);
  return true;
}
