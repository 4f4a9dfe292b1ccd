// Reading the PNG pictures and cursors of the program, and writing captured frames.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Platform.h"

struct TDecodedPng {
  int Width = 0;
  int Height = 0;
  bool HasAlpha = false;  // the file has an alpha channel (cursors do, pictures do not)
  int BitsPerPixel = 0;   // as stored: 24 for RGB, 32 for RGBA, and so on
  // Width x Height pixels, rows top to bottom, as alpha 24-31, red 16-23, green 8-15,
  // blue 0-7; alpha is 255 where the file has none.
  std::vector<uint32_t> Pixels;
};

class EPngError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws EPngError for data that is not a readable PNG.
TDecodedPng DecodePng(std::span<const uint8_t> data);

// Writes the pixels as an 8-bit RGBA PNG (WithAlpha) or RGB PNG; throws EPngError on failure.
void WritePngFile(const std::string& path, const TPixelView& pixels, bool withAlpha);
