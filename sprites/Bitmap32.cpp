// Surface storage, pixel access, unscaled draws and the in-place mirrors and turns.
#include "sprites/Bitmap32.h"

#include <algorithm>
#include <utility>

#include "sprites/PixelCombine.h"
#include "sprites/Resampler.h"

TBitmap32::TBitmap32() : FResampler(std::make_unique<TNearestResampler>()) {}

TBitmap32::~TBitmap32() = default;

void TBitmap32::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == 0 || height == 0) width = height = 0;
  FWidth = width;
  FHeight = height;
  FClipRect = BoundsRect();
  Pixels.assign(static_cast<size_t>(width) * height, 0);
  Logged(BoundsRect());
}

void TBitmap32::Clear(TColor32 colour) {
  std::fill(Pixels.begin(), Pixels.end(), colour);
  Logged(BoundsRect());
}

void TBitmap32::Assign(const TBitmap32& source) {
  if (&source == this) return;
  FWidth = source.FWidth;
  FHeight = source.FHeight;
  FClipRect = source.FClipRect;
  Pixels = source.Pixels;
  DrawMode = source.DrawMode;
  MasterAlpha = source.MasterAlpha;
  OuterColor = source.OuterColor;
  FResampler = source.FResampler->Clone();
  Logged(BoundsRect());
}

TColor32 TBitmap32::PixelS(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return OuterColor;
  return Pixel(x, y);
}

void TBitmap32::SetPixelS(int x, int y, TColor32 c) {
  if (x < FClipRect.Left || y < FClipRect.Top || x >= FClipRect.Right || y >= FClipRect.Bottom) return;
  SetPixel(x, y, c);
  Logged({x, y, x + 1, y + 1});
}

void TBitmap32::SetClipRect(const TRect& r) {
  FClipRect = {std::clamp(r.Left, 0, FWidth), std::clamp(r.Top, 0, FHeight), std::clamp(r.Right, 0, FWidth),
               std::clamp(r.Bottom, 0, FHeight)};
  FClipRect.Right = std::max(FClipRect.Right, FClipRect.Left);
  FClipRect.Bottom = std::max(FClipRect.Bottom, FClipRect.Top);
}

void TBitmap32::SetResampler(std::unique_ptr<TCustomResampler> resampler) {
  FResampler = resampler ? std::move(resampler) : std::make_unique<TNearestResampler>();
}

void TBitmap32::Draw(int x, int y, const TBitmap32& source) {
  Draw({x, y, x + source.Width(), y + source.Height()}, source.BoundsRect(), source);
}

void TBitmap32::Draw(const TRect& destRect, const TRect& sourceRect, const TBitmap32& source) {
  if (Empty() || source.Empty() || destRect.Width() <= 0 || destRect.Height() <= 0) return;
  if (sourceRect.Width() <= 0 || sourceRect.Height() <= 0) return;
  if (destRect.Width() != sourceRect.Width() || destRect.Height() != sourceRect.Height()) {
    Logged({std::max(destRect.Left, FClipRect.Left), std::max(destRect.Top, FClipRect.Top),
            std::min(destRect.Right, FClipRect.Right), std::min(destRect.Bottom, FClipRect.Bottom)});
    source.Resampler().Resample(*this, destRect, source, sourceRect);
    return;
  }
  // Same size: a plain transfer.
  WithCombiner(source, [&](const auto& combine) {
    ForEachCopiedRow(destRect, sourceRect, source,
                     [&](const TColor32* from, TColor32* to, int count) { combine.Row(from, to, count); });
  });
}

void TBitmap32::MirrorLeftRight() {
  for (int y = 0; y < FHeight; ++y) std::reverse(ScanLine(y), ScanLine(y) + FWidth);
  Logged(BoundsRect());
}

void TBitmap32::MirrorTopBottom() {
  for (int y = 0; y < FHeight / 2; ++y) std::swap_ranges(ScanLine(y), ScanLine(y) + FWidth, ScanLine(FHeight - 1 - y));
  Logged(BoundsRect());
}

void TBitmap32::TurnClockwise() {
  decltype(Pixels) turned(Pixels.size());
  const int newWidth = FHeight;
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) turned[static_cast<size_t>(x) * newWidth + (FHeight - 1 - y)] = Pixel(x, y);
  Pixels = std::move(turned);
  std::swap(FWidth, FHeight);
  FClipRect = BoundsRect();
  Logged(BoundsRect());
}

void TBitmap32::TurnCounterClockwise() {
  decltype(Pixels) turned(Pixels.size());
  const int newWidth = FHeight;
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) turned[static_cast<size_t>(FWidth - 1 - x) * newWidth + y] = Pixel(x, y);
  Pixels = std::move(turned);
  std::swap(FWidth, FHeight);
  FClipRect = BoundsRect();
  Logged(BoundsRect());
}
