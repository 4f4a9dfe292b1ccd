// Resamplers: how a surface is filtered when it is drawn at another size.
#pragma once

#include <memory>

#include "sprites/Bitmap32.h"

class TCustomResampler {
 public:
  virtual ~TCustomResampler() = default;
  virtual std::unique_ptr<TCustomResampler> Clone() const = 0;
  // Draws SourceRect of Source stretched onto DestRect of Dest, clipped to Dest,
  // each filtered pixel combined into Dest by Source's draw mode.
  virtual void Resample(TBitmap32& dest, const TRect& destRect, const TBitmap32& source,
                        const TRect& sourceRect) const = 0;
};

// Each destination pixel takes the source pixel its centre falls on.
class TNearestResampler : public TCustomResampler {
 public:
  std::unique_ptr<TCustomResampler> Clone() const override;
  void Resample(TBitmap32& dest, const TRect& destRect, const TBitmap32& source, const TRect& sourceRect) const override;
};

// Bilinear filtering: each destination pixel mixes the four source pixels around its
// centre, every channel (alpha included) by the same weights. Edges repeat the
// outermost source pixels.
class TLinearResampler : public TCustomResampler {
 public:
  std::unique_ptr<TCustomResampler> Clone() const override;
  void Resample(TBitmap32& dest, const TRect& destRect, const TBitmap32& source, const TRect& sourceRect) const override;
};

// The program's own resampler; it filters exactly as the linear one.
class TMyLinearResampler : public TLinearResampler {
 public:
  std::unique_ptr<TCustomResampler> Clone() const override;
};
