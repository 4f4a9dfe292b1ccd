// Resamplers: how a surface is filtered when it is drawn at another size.
#pragma once

#include <memory>
#include <vector>

#include "sprites/Bitmap32.h"

// The game draws into small surfaces (the playfield, the menu's) that show on screen
// enlarged by this factor: the screen's size divided by it gives the playfield's.
constexpr double ScreenToPlayfield = 2.5;

class TCustomResampler {
 public:
  virtual ~TCustomResampler() = default;
  virtual std::unique_ptr<TCustomResampler> Clone() const = 0;
  // Draws SourceRect of Source stretched onto DestRect of Dest, clipped to Dest,
  // each filtered pixel combined into Dest by Source's draw mode.
  virtual void Resample(TBitmap32& dest, const TRect& destRect, const TBitmap32& source,
                        const TRect& sourceRect) const = 0;
  // The same draw, made only within each of Areas (destination pixels, within Dest's
  // clip): the many small parts of a frame that changed, in one call.
  virtual void ResampleAreas(TBitmap32& dest, const TRect& destRect, const TBitmap32& source, const TRect& sourceRect,
                             const std::vector<TRect>& areas) const;
};

// Each destination pixel takes the source pixel its centre falls on.
class TNearestResampler : public TCustomResampler {
 public:
  std::unique_ptr<TCustomResampler> Clone() const override;
  void Resample(TBitmap32& dest, const TRect& destRect, const TBitmap32& source, const TRect& sourceRect) const override;
};

// What the alpha channel of a bilinear filter's pixels holds.
enum class TAlphaRule {
  // The source's alpha, filtered like the colours.
  Filtered,
  // How much of the pixel the source covers (0..255). A source pixel that is not pure
  // black covers its place wholly, pure black not at all, whatever their own alpha.
  // Black adds nothing to the colours, so they come out premultiplied by the coverage:
  // premultiplied ARGB, as compositors take it.
  Coverage,
};

// Bilinear filtering: each destination pixel mixes the four source pixels around its
// centre, every channel (alpha included) by the same weights. Edges repeat the
// outermost source pixels.
class TLinearResampler : public TCustomResampler {
 public:
  explicit TLinearResampler(TAlphaRule alpha = TAlphaRule::Filtered) : Alpha(alpha) {}
  std::unique_ptr<TCustomResampler> Clone() const override;
  void Resample(TBitmap32& dest, const TRect& destRect, const TBitmap32& source, const TRect& sourceRect) const override;
  // The filter's weights are worked out once for the whole draw and shared by the areas.
  void ResampleAreas(TBitmap32& dest, const TRect& destRect, const TBitmap32& source, const TRect& sourceRect,
                     const std::vector<TRect>& areas) const override;

 protected:
  TAlphaRule Alpha;
};

class TRowWorker;

// The program's own resampler; it filters exactly as the linear one. An opaque draw
// of at least SplitPixels destination pixels (the 4K screen's enlargement) is shared
// with a helper thread of the resampler's own, started at the first such draw and
// ended with the resampler: the two take bands of rows until none is left.
class TMyLinearResampler : public TLinearResampler {
 public:
  static constexpr int DefaultSplitPixels = 3'000'000;

  // Threads is 1 or 2; a machine with one core always draws on the calling thread.
  explicit TMyLinearResampler(int threads = 2, int splitPixels = DefaultSplitPixels);
  explicit TMyLinearResampler(TAlphaRule alpha, int threads = 2, int splitPixels = DefaultSplitPixels);
  ~TMyLinearResampler() override;
  std::unique_ptr<TCustomResampler> Clone() const override;
  void Resample(TBitmap32& dest, const TRect& destRect, const TBitmap32& source, const TRect& sourceRect) const override;

 private:
  int Threads;
  int SplitPixels;
  mutable std::unique_ptr<TRowWorker> Worker;
};

// The widest vector instructions the bilinear filter may use. The best the processor
// has is chosen at start-up; tests and benchmarks lower it to check the fallbacks.
enum class TVectorUnit { Scalar, Sse2, Avx2 };
TVectorUnit BestVectorUnit();
void LimitVectorUnit(TVectorUnit unit);
TVectorUnit ActiveVectorUnit();
