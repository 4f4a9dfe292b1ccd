// Red, green and blue into the pixels of a TrueColor visual whose format differs from the game's own.
#pragma once

#include <cstdint>

// The game's pixels hold red, green and blue at bits 16, 8 and 0 of 32. A display of
// depth 15 or 16, or one with the channels in another order, wants each channel cut
// to its width and moved to its place; that is a few shifts a pixel, done a row at a
// time straight into the image (Xlib's XPutPixel costs a call and a switch a pixel).
class TPixelPacker {
 public:
  // For pixels of BitsPerPixel bits with the visual's channel masks, in the machine's
  // byte order.
  TPixelPacker(unsigned long redMask, unsigned long greenMask, unsigned long blueMask, int bitsPerPixel);

  // Pixels of 8, 16, 24 or 32 bits; PackRow writes no others.
  bool Usable() const { return BitsPerPixel == 8 || BitsPerPixel == 16 || BitsPerPixel == 24 || BitsPerPixel == 32; }
  int BytesPerPixel() const { return BitsPerPixel / 8; }
  // Count pixels of In (alpha ignored) into Out, the start of a run of image pixels.
  void PackRow(const uint32_t* in, void* out, int count) const;
  // One pixel, for checking.
  uint32_t Pack(uint32_t pixel) const;

 private:
  // One channel: its 8 bits cut to the visual's width (or all of them, when it is
  // wider) are shifted down to bit 0, masked, and shifted up to their place (widened
  // with zero bits below). No branch, so that the compiler can do several pixels at once.
  struct TChannel {
    int Down = 0;
    uint32_t Mask = 0;
    int Up = 0;
    uint32_t Place(uint32_t pixel) const { return ((pixel >> Down) & Mask) << Up; }
  };

  template <typename TOut>
  void PackInto(const uint32_t* in, TOut* out, int count) const;
  // Three bytes a pixel, in the machine's byte order.
  void PackThreeBytes(const uint32_t* in, uint8_t* out, int count) const;

  TChannel Red, Green, Blue;
  int BitsPerPixel;
};
