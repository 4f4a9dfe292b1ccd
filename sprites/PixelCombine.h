// The draw modes as row combiners, so that every draw shares one loop per mode.
#pragma once

#include <cstring>

#include "sprites/Bitmap32.h"

struct TCombineOpaque {
  void Row(const TColor32* from, TColor32* to, int count) const {
    std::memcpy(to, from, static_cast<size_t>(count) * sizeof(TColor32));
  }
};

struct TCombineTransparent {
  TColor32 Key;
  void Row(const TColor32* from, TColor32* to, int count) const {
    // Written as a choice rather than a skipped store, so that the compiler can make it a vector blend.
    for (int i = 0; i < count; ++i) to[i] = from[i] != Key ? from[i] : to[i];
  }
};

struct TCombineBlend {
  uint32_t Master;
  void Row(const TColor32* from, TColor32* to, int count) const {
    for (int i = 0; i < count; ++i) to[i] = Mix(from[i], to[i]);
  }
  // The source's own alpha, scaled by the master alpha, weighs it against the destination.
  TColor32 Mix(TColor32 f, TColor32 b) const {
    const uint32_t weight = (AlphaComponent(f) * Master + 127) / 255;
    TColor32 result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const uint32_t cf = (f >> shift) & 0xFF;
      const uint32_t cb = (b >> shift) & 0xFF;
      result |= ((cb * (255 - weight) + cf * weight + 127) / 255) << shift;
    }
    return result;
  }
};

struct TCombineCustom {
  const TPixelCombineEvent& Event;
  TColor32 Master;
  void Row(const TColor32* from, TColor32* to, int count) const {
    for (int i = 0; i < count; ++i) Event(from[i], to[i], Master);
  }
};

// Calls Body with the combiner for Source's draw mode. A custom surface without a
// callback draws as opaque: the playfield is such a surface.
template <typename TBody>
void WithCombiner(const TBitmap32& source, TBody&& body) {
  switch (source.DrawMode) {
    case TDrawMode::Transparent:
      body(TCombineTransparent{source.OuterColor});
      return;
    case TDrawMode::Blend:
      body(TCombineBlend{source.MasterAlpha});
      return;
    case TDrawMode::Custom:
      if (source.OnPixelCombine) {
        body(TCombineCustom{source.OnPixelCombine, source.MasterAlpha});
        return;
      }
      break;
    case TDrawMode::Opaque:
      break;
  }
  body(TCombineOpaque{});
}
