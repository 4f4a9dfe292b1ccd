// Whole multiples of the menu's and the dialogs' own size, and the pixel squares they show.
#include "menu/ScreenFit.h"

#include <algorithm>
#include <cmath>

int WholeMultiple(double scale, const TScreenSize& screen, int width, int height) {
  // A hair below a whole number (a scale reported as 1.9999) still counts as it.
  constexpr double Slack = 1e-3;
  int multiple = std::max(1, static_cast<int>(std::floor(scale + Slack)));
  while (multiple > 1 && (width * multiple > screen.Width || height * multiple > screen.Height)) --multiple;
  return multiple;
}

int WholeMultipleNow(int width, int height) {
  TPlatform& platform = CurrentPlatform();
  return WholeMultiple(platform.InterfaceScale(), platform.ScreenSize(), width, height);
}

TPixelArea EnlargeWhole(const TBitmap32& from, const TPixelArea& area, TBitmap32& to, int multiple) {
  const int left = std::max(area.X, 0), top = std::max(area.Y, 0);
  const int right = std::min(area.X + area.Width, from.Width()), bottom = std::min(area.Y + area.Height, from.Height());
  if (left >= right || top >= bottom) return {0, 0, 0, 0};
  for (int y = top; y < bottom; ++y) {
    const TColor32* source = from.ScanLine(y);
    TColor32* first = to.ScanLine(y * multiple) + left * multiple;
    TColor32* out = first;
    for (int x = left; x < right; ++x) out = std::fill_n(out, multiple, source[x]);
    for (int copy = 1; copy < multiple; ++copy) std::copy(first, out, to.ScanLine(y * multiple + copy) + left * multiple);
  }
  return {left * multiple, top * multiple, (right - left) * multiple, (bottom - top) * multiple};
}
