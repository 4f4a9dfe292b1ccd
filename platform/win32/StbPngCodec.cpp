// PNG through the header-only stb decoder and encoder, for systems without libpng.
#include "platform/PngCodec.h"

#include <memory>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBIW_WINDOWS_UTF8  // paths in UTF-8, as everywhere at the interface
#include <stb_image.h>
#include <stb_image_write.h>

namespace {

struct TStbFree {
  void operator()(unsigned char* pixels) const { stbi_image_free(pixels); }
};

}  // namespace

TDecodedPng DecodePng(std::span<const uint8_t> data) {
  int width = 0, height = 0, channels = 0;
  const std::unique_ptr<unsigned char, TStbFree> rgba(
      stbi_load_from_memory(data.data(), static_cast<int>(data.size()), &width, &height, &channels, 4));
  if (!rgba) throw EPngError(std::string("unreadable PNG: ") + stbi_failure_reason());
  TDecodedPng result;
  result.Width = width;
  result.Height = height;
  // Grey with alpha (2) and RGBA (4) carry alpha; stb counts a palette's transparency
  // as a fourth channel, as the file's own decoder would.
  result.HasAlpha = channels == 2 || channels == 4;
  result.BitsPerPixel = channels * 8;
  result.Pixels.resize(static_cast<size_t>(width) * height);
  const unsigned char* in = rgba.get();
  for (uint32_t& pixel : result.Pixels) {
    pixel = uint32_t{in[3]} << 24 | uint32_t{in[0]} << 16 | uint32_t{in[1]} << 8 | in[2];
    in += 4;
  }
  return result;
}

void WritePngFile(const std::string& path, const TPixelView& pixels, bool withAlpha) {
  const int channels = withAlpha ? 4 : 3;
  std::vector<uint8_t> bytes(static_cast<size_t>(pixels.Width) * pixels.Height * channels);
  uint8_t* out = bytes.data();
  for (int y = 0; y < pixels.Height; ++y) {
    for (int x = 0; x < pixels.Width; ++x) {
      const uint32_t pixel = pixels.Row(y)[x];
      *out++ = static_cast<uint8_t>(pixel >> 16);
      *out++ = static_cast<uint8_t>(pixel >> 8);
      *out++ = static_cast<uint8_t>(pixel);
      if (withAlpha) *out++ = static_cast<uint8_t>(pixel >> 24);
    }
  }
  if (!stbi_write_png(path.c_str(), pixels.Width, pixels.Height, channels, bytes.data(), pixels.Width * channels))
    throw EPngError("cannot write " + path);
}
