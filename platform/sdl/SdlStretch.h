// SDL's own linear stretch of 32-bit pixels, which the benchmarks set beside the game's enlargement.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Platform.h"

struct SDL_Surface;

// One source and one target, wrapped once so that each stretch costs only the stretch.
class TSdlStretch {
 public:
  // Source and the Width x Height pixels at Target (Stride in pixels) must outlive this.
  TSdlStretch(const TPixelView& source, uint32_t* target, int width, int height, int stride);
  ~TSdlStretch();
  TSdlStretch(const TSdlStretch&) = delete;
  TSdlStretch& operator=(const TSdlStretch&) = delete;

  // Stretches the whole source onto the whole target with SDL_SoftStretchLinear; false when SDL refuses.
  bool Run();

 private:
  SDL_Surface* From = nullptr;
  SDL_Surface* To = nullptr;
};
