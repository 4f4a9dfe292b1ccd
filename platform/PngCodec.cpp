// PNG through libpng's simplified API.
#include "platform/PngCodec.h"

#include <png.h>

#include <cstring>

TDecodedPng DecodePng(std::span<const uint8_t> data) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size()))
    throw EPngError(std::string("unreadable PNG: ") + image.message);

  TDecodedPng result;
  result.Width = static_cast<int>(image.width);
  result.Height = static_cast<int>(image.height);
  result.HasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  result.BitsPerPixel = static_cast<int>(PNG_IMAGE_PIXEL_SIZE(image.format) * 8);
  // BGRA bytes on a little-endian machine are exactly the 32-bit ARGB values we keep.
  image.format = PNG_FORMAT_BGRA;
  result.Pixels.resize(static_cast<size_t>(image.width) * image.height);
  if (!png_image_finish_read(&image, nullptr, result.Pixels.data(), 0, nullptr)) {
    const std::string message = image.message;
    png_image_free(&image);
    throw EPngError("unreadable PNG: " + message);
  }
  return result;
}

void WritePngFile(const std::string& path, const TPixelView& pixels, bool withAlpha) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(pixels.Width);
  image.height = static_cast<png_uint_32>(pixels.Height);
  image.format = withAlpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  const int channels = withAlpha ? 4 : 3;
  std::vector<uint8_t> bytes(static_cast<size_t>(pixels.Width) * pixels.Height * channels);
  uint8_t* out = bytes.data();
  for (int y = 0; y < pixels.Height; ++y) {
    for (int x = 0; x < pixels.Width; ++x) {
      const uint32_t pixel = pixels.Row(y)[x];
      *out++ = static_cast<uint8_t>(pixel);
      *out++ = static_cast<uint8_t>(pixel >> 8);
      *out++ = static_cast<uint8_t>(pixel >> 16);
      if (withAlpha) *out++ = static_cast<uint8_t>(pixel >> 24);
    }
  }
  if (!png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), pixels.Width * channels, nullptr))
    throw EPngError("cannot write " + path + ": " + image.message);
}
