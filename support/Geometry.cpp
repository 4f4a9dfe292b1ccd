// Rectangle tests and number routines.
#include "support/Geometry.h"

#include "support/Random.h"

bool PointInRect(TPoint p, const TRect& r) {
  return r.Left <= p.X && p.X <= r.Right && r.Top <= p.Y && p.Y <= r.Bottom;
}

bool CornerInRect(const TRect& a, const TRect& b) {
  return PointInRect({a.Left, a.Top}, b) || PointInRect({a.Right, a.Top}, b) ||
         PointInRect({a.Right, a.Bottom}, b) || PointInRect({a.Left, a.Bottom}, b);
}

bool RectsOverlap(const TRect& a, const TRect& b) { return CornerInRect(a, b) || CornerInRect(b, a); }

bool PointsEqual(TPoint p, TPoint q) { return p.X == q.X && p.Y == q.Y; }

int RandomSign() { return Random(2) == 0 ? -1 : 1; }

int SignOf(int value) { return value > 0 ? 1 : value < 0 ? -1 : 0; }

double SignOfFloat(double value) {
  if (value > 0) return 1.0;
  if (value == 0) return 0.0;
  return -1.0;
}

double NonZeroOr1(double value) { return value == 0 ? 1.0 : value; }
