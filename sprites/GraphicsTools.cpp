// Frames from pictures, recolouring, and centred scaled drawing.
#include "sprites/GraphicsTools.h"

#include <algorithm>

#include "sprites/Resampler.h"

std::unique_ptr<TBitmap32> BitmapFromImage(const TImage& picture, TColor32 from, TColor32 to) {
  auto frame = std::make_unique<TBitmap32>();
  frame->SetSize(picture.Width + 2, picture.Height + 2);
  for (int y = 0; y < picture.Height; ++y) {
    for (int x = 0; x < picture.Width; ++x) {
      const TColor32 pixel = picture.Pixel(x, y) & 0x00FFFFFFu;
      if (picture.Transparent && pixel == picture.TransparentColor) continue;
      frame->SetPixel(x + 1, y + 1, pixel);
    }
  }
  frame->SetResampler(std::make_unique<TLinearResampler>());
  frame->DrawMode = TDrawMode::Transparent;
  frame->OuterColor = 0;
  ReplaceColour(*frame, from, to);
  return frame;
}

void ReplaceColour(TBitmap32& bitmap, TColor32 from, TColor32 to) {
  if (from == to) return;
  std::replace(bitmap.Bits(), bitmap.Bits() + bitmap.Width() * bitmap.Height(), from, to);
}

void SwapColours(TBitmap32& bitmap, TColor32 a, TColor32 b) {
  if (a == b) return;
  for (TColor32* pixel = bitmap.Bits(); pixel != bitmap.Bits() + bitmap.Width() * bitmap.Height(); ++pixel) {
    if (*pixel == a)
      *pixel = b;
    else if (*pixel == b)
      *pixel = a;
  }
}

TRect CentredRect(const TBitmap32& bitmap, TPoint p, double fx, double fy) {
  const int halfWidth = Round(bitmap.Width() * fx / 2);
  const int halfHeight = Round(bitmap.Height() * fy / 2);
  return {p.X - halfWidth, p.Y - halfHeight, p.X + halfWidth, p.Y + halfHeight};
}

void DrawScaledCentred(TBitmap32& target, const TBitmap32& source, int x, int y, double fx, double fy) {
  target.Draw(CentredRect(source, {x, y}, fx, fy), source.BoundsRect(), source);
}
