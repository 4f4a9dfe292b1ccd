// Packing pixels for visuals of other depths and channel orders.
#include "platform/x11/PixelPacker.h"

#include <bit>

namespace {

constexpr int RedAt = 16, GreenAt = 8, BlueAt = 0;

}  // namespace

TPixelPacker::TPixelPacker(unsigned long redMask, unsigned long greenMask, unsigned long blueMask, int bitsPerPixel)
    : BitsPerPixel(bitsPerPixel) {
  const auto channel = [](int from, unsigned long mask) {
    // A channel without bits adds nothing.
    if (mask == 0) return TChannel{from, 0, 0};
    const int bits = std::popcount(mask), to = std::countr_zero(mask);
    if (bits >= 8) return TChannel{from, 0xFFu, to + bits - 8};
    return TChannel{from + 8 - bits, (1u << bits) - 1, to};
  };
  Red = channel(RedAt, redMask);
  Green = channel(GreenAt, greenMask);
  Blue = channel(BlueAt, blueMask);
}

uint32_t TPixelPacker::Pack(uint32_t pixel) const { return Red.Place(pixel) | Green.Place(pixel) | Blue.Place(pixel); }

template <typename TOut>
void TPixelPacker::PackInto(const uint32_t* in, TOut* out, int count) const {
  // Copies of the channels, so that the loop keeps them in registers.
  const TChannel r = Red, g = Green, b = Blue;
  for (int x = 0; x < count; ++x) {
    const uint32_t pixel = in[x];
    out[x] = static_cast<TOut>(r.Place(pixel) | g.Place(pixel) | b.Place(pixel));
  }
}

void TPixelPacker::PackThreeBytes(const uint32_t* in, uint8_t* out, int count) const {
  constexpr bool LowFirst = std::endian::native == std::endian::little;
  for (int x = 0; x < count; ++x, out += 3) {
    const uint32_t value = Pack(in[x]);
    out[LowFirst ? 0 : 2] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
    out[LowFirst ? 2 : 0] = static_cast<uint8_t>(value >> 16);
  }
}

void TPixelPacker::PackRow(const uint32_t* in, void* out, int count) const {
  switch (BitsPerPixel) {
    case 8: PackInto(in, static_cast<uint8_t*>(out), count); break;
    case 16: PackInto(in, static_cast<uint16_t*>(out), count); break;
    case 24: PackThreeBytes(in, static_cast<uint8_t*>(out), count); break;
    case 32: PackInto(in, static_cast<uint32_t*>(out), count); break;
    default: break;
  }
}
