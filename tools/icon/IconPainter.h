// The game's icon: the shot flash with the gun's cursor firing it, at the sizes desktops use.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/PngCodec.h"

// A square picture of straight (not premultiplied) alpha, red, green and blue pixels.
struct TIconPicture {
  int Size = 0;
  std::vector<uint32_t> Pixels;

  uint32_t At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Size + x]; }
};

// The size the icon is drawn at, pixel for pixel, before it is scaled.
constexpr int IconDrawingSize = 64;

// The icon at IconDrawingSize from the flash picture (pure black is see-through, as
// everywhere in the game) and the gun's cursor, whose tip points at the flash's heart.
TIconPicture PaintIcon(const TDecodedPng& flash, const TDecodedPng& cursor);
// Drawing at Size: whole multiples repeat each pixel, so the pixel art stays sharp;
// smaller sizes average the pixels each one covers.
TIconPicture ScaleIcon(const TIconPicture& drawing, int size);
