// Run-length rectangles of the visible part of a frame, exact or from the playfield.
#include "platform/x11/VisibleRegion.h"

#include <algorithm>
#include <cmath>
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

// Appends the runs of pixels of Row[First, Last) that Shows picks.
template <typename TShows>
void AddRunsOfRow(const uint32_t* row, int first, int last, TShows shows, TRuns& runs) {
  int x = first;
  while (x < last) {
    while (x < last && !shows(row[x])) ++x;
    if (x == last) break;
    const int start = x;
    while (x < last && shows(row[x])) ++x;
    runs.emplace_back(start, x);
  }
}

// Sorts and joins overlapping or touching runs.
void MergeRuns(TRuns& runs) {
  std::sort(runs.begin(), runs.end());
  TRuns merged;
  for (const auto& run : runs) {
    if (run.first >= run.second) continue;
    if (!merged.empty() && run.first <= merged.back().second)
      merged.back().second = std::max(merged.back().second, run.second);
    else
      merged.push_back(run);
  }
  runs = std::move(merged);
}

// Where on the enlarged axis source pixels [First, Last) can show. The enlargement
// samples at pixel centres: enlarged pixel X lies at source position
// U = (X + 0.5) / Scale - 0.5 and mixes the pixels at Floor(U) and Floor(U) + 1, so
// it touches the span when First - 1 <= U < Last. The slack covers filters that round
// U to 8 fractional bits, which can put a pixel just past the end onto the span.
std::pair<int, int> EnlargedSpan(int first, int last, double scale, int length) {
  constexpr double PositionSlack = 1.0 / 256;
  const int low = static_cast<int>(std::ceil((first - 0.5 - PositionSlack) * scale - 0.5));
  const int high = static_cast<int>(std::ceil((last + 0.5 + PositionSlack) * scale - 0.5));
  return {std::clamp(low, 0, length), std::clamp(high, 0, length)};
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

TRegionRects VisibleRectsWithin(const TPixelView& picture, const TRegionRects& candidates) {
  TBandBuilder bands;
  if (picture.Pixels == nullptr) return bands.Finish();
  TRuns runs;
  for (size_t first = 0; first < candidates.size();) {
    // One band of candidates: the same top and height.
    size_t last = first;
    while (last < candidates.size() && candidates[last].Y == candidates[first].Y &&
           candidates[last].Height == candidates[first].Height)
      ++last;
    const int y0 = std::max(candidates[first].Y, 0);
    const int y1 = std::min(candidates[first].Y + candidates[first].Height, picture.Height);
    for (int y = y0; y < y1; ++y) {
      runs.clear();
      for (size_t i = first; i < last; ++i) {
        const int x0 = std::max(candidates[i].X, 0), x1 = std::min(candidates[i].X + candidates[i].Width, picture.Width);
        AddRunsOfRow(picture.Row(y), x0, x1, InShape, runs);
      }
      // Neighbouring candidates may leave runs that touch.
      MergeRuns(runs);
      bands.AddRow(y, runs);
    }
    first = last;
  }
  return bands.Finish();
}

TRegionRects PossiblyVisibleRects(const TPixelView& source, int width, int height) {
  TBandBuilder bands;
  if (source.Pixels == nullptr || source.Width <= 0 || source.Height <= 0 || width <= 0 || height <= 0)
    return bands.Finish();
  const double scaleX = static_cast<double>(width) / source.Width;
  const double scaleY = static_cast<double>(height) / source.Height;

  // Each source row's runs, already widened to enlarged columns.
  std::vector<TRuns> rowRuns(static_cast<size_t>(source.Height));
  std::vector<std::pair<int, int>> rowSpans(static_cast<size_t>(source.Height));
  TRuns runs;
  for (int y = 0; y < source.Height; ++y) {
    runs.clear();
    AddRunsOfRow(source.Row(y), 0, source.Width, IsCoveringPixel, runs);
    TRuns& widened = rowRuns[static_cast<size_t>(y)];
    for (const auto& [first, last] : runs) widened.push_back(EnlargedSpan(first, last, scaleX, width));
    MergeRuns(widened);
    rowSpans[static_cast<size_t>(y)] = EnlargedSpan(y, y + 1, scaleY, height);
  }

  // Both ends of the rows' spans grow with Y, so the source rows that reach an
  // enlarged row are a window [Lowest, Highest] that only slides down.
  int lowest = 0, highest = -1;
  int previousLowest = -1, previousHighest = -2;
  TRuns joined;
  for (int y = 0; y < height; ++y) {
    while (lowest < source.Height && rowSpans[static_cast<size_t>(lowest)].second <= y) ++lowest;
    while (highest + 1 < source.Height && rowSpans[static_cast<size_t>(highest + 1)].first <= y) ++highest;
    if (lowest != previousLowest || highest != previousHighest) {
      joined.clear();
      for (int r = lowest; r <= highest; ++r) {
        const TRuns& row = rowRuns[static_cast<size_t>(r)];
        joined.insert(joined.end(), row.begin(), row.end());
      }
      MergeRuns(joined);
      previousLowest = lowest;
      previousHighest = highest;
    }
    bands.AddRow(y, joined);
  }
  return bands.Finish();
}
