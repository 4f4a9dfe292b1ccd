// TBitmap32: the 32-bit raster surface that all of the game's drawing goes into.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <vector>

#include "platform/Platform.h"
#include "support/Geometry.h"

// Alpha in bits 24-31, red 16-23, green 8-15, blue 0-7. The value 0 is the
// transparent value throughout the game.
using TColor32 = uint32_t;

constexpr TColor32 clBlack32 = 0xFF000000u;
constexpr TColor32 clWhite32 = 0xFFFFFFFFu;

constexpr TColor32 Color32(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha = 255) {
  return static_cast<TColor32>(alpha) << 24 | static_cast<TColor32>(red) << 16 | static_cast<TColor32>(green) << 8 | blue;
}
constexpr uint8_t RedComponent(TColor32 c) { return static_cast<uint8_t>(c >> 16); }
constexpr uint8_t GreenComponent(TColor32 c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t BlueComponent(TColor32 c) { return static_cast<uint8_t>(c); }
constexpr uint8_t AlphaComponent(TColor32 c) { return static_cast<uint8_t>(c >> 24); }

// How a surface is combined into another when it is the source of a draw.
enum class TDrawMode {
  Opaque,       // copied as it is
  Blend,        // mixed by its alpha and the master alpha
  Transparent,  // pixels equal to the source's outer colour are left out, all others copied
  Custom,       // the source's per-pixel callback decides; without one, as Opaque
};

// F is the source pixel, B the destination pixel to change, M the master alpha.
using TPixelCombineEvent = std::function<void(TColor32 F, TColor32& B, TColor32 M)>;

class TCustomResampler;

// Storage aligned to a cache line, so that rows of a multiple of 16 pixels start on
// one: the enlargement writes such rows in whole aligned vectors.
template <typename T>
struct TPixelAllocator {
  using value_type = T;
  static constexpr std::align_val_t Alignment{64};

  TPixelAllocator() = default;
  template <typename U>
  TPixelAllocator(const TPixelAllocator<U>&) {}
  T* allocate(size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), Alignment)); }
  void deallocate(T* p, size_t) { ::operator delete(p, Alignment); }
  template <typename U>
  bool operator==(const TPixelAllocator<U>&) const { return true; }
};

class TBitmap32 {
 public:
  TBitmap32();
  ~TBitmap32();
  TBitmap32(const TBitmap32&) = delete;
  TBitmap32& operator=(const TBitmap32&) = delete;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool Empty() const { return FWidth == 0 || FHeight == 0; }
  // The new content is all 0.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, FHeight); }
  void SetHeight(int height) { SetSize(FWidth, height); }

  void Clear(TColor32 colour = 0);
  // A full copy: size, pixels, draw mode, master alpha, outer colour and resampler
  // (the per-pixel callback belongs to its owner and is not copied).
  void Assign(const TBitmap32& source);

  TColor32* Bits() { return Pixels.data(); }
  const TColor32* Bits() const { return Pixels.data(); }
  TColor32* ScanLine(int y) { return Pixels.data() + static_cast<size_t>(y) * FWidth; }
  const TColor32* ScanLine(int y) const { return Pixels.data() + static_cast<size_t>(y) * FWidth; }
  TPixelView View() const { return {Pixels.data(), FWidth, FHeight, FWidth}; }

  // Unchecked access.
  TColor32 Pixel(int x, int y) const { return Pixels[static_cast<size_t>(y) * FWidth + x]; }
  void SetPixel(int x, int y, TColor32 c) { Pixels[static_cast<size_t>(y) * FWidth + x] = c; }
  // The pixel, or the outer colour outside the clip rectangle.
  TColor32 PixelS(int x, int y) const;
  // Ignored outside the clip rectangle.
  void SetPixelS(int x, int y, TColor32 c);
  // Where draws and SetPixelS may change pixels; right and bottom exclusive. The whole
  // surface unless narrowed, and the whole surface again after every resize.
  TRect ClipRect() const { return FClipRect; }
  // Narrows later draws to R (limited to the surface), so that part of a stretched draw
  // can be redone exactly as the whole draw would have drawn it there.
  void SetClipRect(const TRect& r);
  TRect BoundsRect() const { return {0, 0, FWidth, FHeight}; }

  // Draws Source unscaled with its top-left at (X, Y), clipped, through Source's draw mode.
  void Draw(int x, int y, const TBitmap32& source);
  // Draws the part SourceRect of Source stretched onto DestRect (right and bottom
  // exclusive), clipped, filtered by Source's resampler and combined by its draw mode.
  void Draw(const TRect& destRect, const TRect& sourceRect, const TBitmap32& source);
  // The rows an unscaled draw of Source with its top-left at (X, Y) would combine,
  // clipped as Draw clips them: Row(from, to, count) for each, top to bottom. For
  // draws that combine pixels their own way without a per-pixel callback.
  template <typename TRow>
  void ForEachDrawnRow(int x, int y, const TBitmap32& source, TRow&& row) {
    ForEachCopiedRow({x, y, x + source.Width(), y + source.Height()}, source.BoundsRect(), source, row);
  }

  // In place: pixel (x, y) moves to (W-1-x, y).
  void MirrorLeftRight();
  // In place: pixel (x, y) moves to (x, H-1-y).
  void MirrorTopBottom();
  // A quarter turn clockwise: pixel (x, y) moves to (H-1-y, x); width and height swap.
  void TurnClockwise();
  // A quarter turn counter-clockwise: pixel (x, y) moves to (y, W-1-x); width and height swap.
  void TurnCounterClockwise();

  TDrawMode DrawMode = TDrawMode::Opaque;
  uint8_t MasterAlpha = 255;
  TColor32 OuterColor = 0;
  TPixelCombineEvent OnPixelCombine;

  // A new surface resamples by nearest neighbour.
  const TCustomResampler& Resampler() const { return *FResampler; }
  void SetResampler(std::unique_ptr<TCustomResampler> resampler);

  // While Log is set, every draw, pixel set, clear and resize adds the rectangle it may
  // have changed (within the surface) to it, so that its owner knows where a frame drew.
  // Writes through ScanLine, Bits or SetPixel are the writer's own to note.
  void LogDraws(std::vector<TRect>* log) { DrawLog = log; }

 private:
  void Logged(const TRect& r) {
    if (DrawLog != nullptr && r.Left < r.Right && r.Top < r.Bottom) DrawLog->push_back(r);
  }

  // The unscaled part of Draw: DestRect and SourceRect have the same size.
  template <typename TRow>
  void ForEachCopiedRow(const TRect& destRect, const TRect& sourceRect, const TBitmap32& source, TRow&& row);

  int FWidth = 0;
  int FHeight = 0;
  TRect FClipRect;
  std::vector<TColor32, TPixelAllocator<TColor32>> Pixels;
  std::unique_ptr<TCustomResampler> FResampler;
  std::vector<TRect>* DrawLog = nullptr;
};

template <typename TRow>
void TBitmap32::ForEachCopiedRow(const TRect& destRect, const TRect& sourceRect, const TBitmap32& source, TRow&& row) {
  if (Empty() || source.Empty() || destRect.Width() <= 0 || destRect.Height() <= 0) return;
  // Clipped against both surfaces.
  const int left = std::max({destRect.Left, FClipRect.Left, destRect.Left - sourceRect.Left});
  const int top = std::max({destRect.Top, FClipRect.Top, destRect.Top - sourceRect.Top});
  const int right = std::min({destRect.Right, FClipRect.Right, destRect.Left + source.Width() - sourceRect.Left});
  const int bottom = std::min({destRect.Bottom, FClipRect.Bottom, destRect.Top + source.Height() - sourceRect.Top});
  if (left >= right || top >= bottom) return;
  const int dx = sourceRect.Left - destRect.Left;
  const int dy = sourceRect.Top - destRect.Top;
  Logged({left, top, right, bottom});
  for (int y = top; y < bottom; ++y) row(source.ScanLine(y + dy) + left + dx, ScanLine(y) + left, right - left);
}

// The hidden image control that holds a surface.
class TImage32 {
 public:
  TBitmap32 Bitmap;
  bool Visible = false;
};
