// SDL's linear stretch over surfaces that wrap the caller's pixels.
#include "platform/sdl/SdlStretch.h"

#include <SDL.h>

TSdlStretch::TSdlStretch(const TPixelView& source, uint32_t* target, int width, int height, int stride) {
  // The surfaces only point at the pixels; SDL neither copies nor frees them.
  From = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(source.Pixels), source.Width, source.Height, 32,
                                            source.Stride * 4, SDL_PIXELFORMAT_ARGB8888);
  To = SDL_CreateRGBSurfaceWithFormatFrom(target, width, height, 32, stride * 4, SDL_PIXELFORMAT_ARGB8888);
}

TSdlStretch::~TSdlStretch() {
  SDL_FreeSurface(From);
  SDL_FreeSurface(To);
}

bool TSdlStretch::Run() {
  return From != nullptr && To != nullptr && SDL_SoftStretchLinear(From, nullptr, To, nullptr) == 0;
}
