// Points, rectangles and the small number routines the game measures with.
#pragma once

#include <cmath>
#include <cstdint>

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
};

// All four edges belong to the rectangle (see PointInRect).
struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;

  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
};

// Reals become integers by rounding to the nearest, halves to even, throughout the game.
inline int32_t Round(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

// R.Left <= P.X <= R.Right and R.Top <= P.Y <= R.Bottom.
bool PointInRect(TPoint p, const TRect& r);
// One of A's corners, tested top-left, top-right, bottom-right, bottom-left, lies in B.
bool CornerInRect(const TRect& a, const TRect& b);
// A corner of either lies in the other. Two rectangles crossing like a plus sign,
// with no corner inside the other, do not overlap: the game's own rule.
bool RectsOverlap(const TRect& a, const TRect& b);
bool PointsEqual(TPoint p, TPoint q);

// +1 or -1 with equal chance, drawn from the shared random generator.
int RandomSign();
int SignOf(int value);
double SignOfFloat(double value);
// Value, or 1.0 when it is 0: guards a divisor.
double NonZeroOr1(double value);
