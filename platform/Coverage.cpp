// The shape's form of premultiplied pixels: colours divided by their coverage.
#include "platform/Coverage.h"

#include <array>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr int ReciprocalShift = 16;

// 255 / alpha in 16-bit fixed point, so that dividing a colour is one multiplication.
// The entry for 0 is never read.
constexpr std::array<uint32_t, 256> MakeReciprocals() {
  std::array<uint32_t, 256> table{};
  for (uint32_t alpha = 1; alpha < 256; ++alpha) table[alpha] = ((255u << ReciprocalShift) + alpha / 2) / alpha;
  return table;
}

constexpr std::array<uint32_t, 256> Reciprocals = MakeReciprocals();

// The darkest colour the shape keeps: a pixel that rounding took to pure black stays in it.
constexpr uint32_t DarkestShown = 0x000001;

uint32_t Unpremultiplied(uint32_t pixel, uint32_t alpha) {
  const uint32_t reciprocal = Reciprocals[alpha];
  uint32_t colour = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t channel = (((pixel >> shift) & 0xFF) * reciprocal + (1u << (ReciprocalShift - 1))) >> ReciprocalShift;
    colour |= (channel > 255 ? 255 : channel) << shift;
  }
  return colour;
}

// Four pixels at a time while each is either solid and not black (kept as it is) or
// covered less than Least (cleared): all but a sprite's edges. Returns how many it did.
template <uint32_t Least>
int SolidOrEmpty(const uint32_t* in, uint32_t* out, int count) {
  int i = 0;
#ifdef __SSE2__
  const __m128i colourBits = _mm_set1_epi32(0x00FFFFFF);
  const __m128i zero = _mm_setzero_si128();
  static_assert(Least == 1 || Least == 128, "the alpha byte's sign tells the half, its zero nothing");
  const __m128i minusOne = _mm_set1_epi32(-1);
  // The alpha shifted down with its sign: solid is -1, covered less than half (0 to 127)
  // is not negative, and not covered at all is 0.
  for (; i + 4 <= count; i += 4) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    const __m128i alpha = _mm_srai_epi32(pixels, 24);
    const __m128i solid = _mm_andnot_si128(_mm_cmpeq_epi32(_mm_and_si128(pixels, colourBits), zero),
                                           _mm_cmpeq_epi32(alpha, minusOne));
    const __m128i empty = Least == 1 ? _mm_cmpeq_epi32(alpha, zero) : _mm_cmpgt_epi32(alpha, minusOne);
    if (_mm_movemask_epi8(_mm_or_si128(solid, empty)) != 0xFFFF) break;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_and_si128(pixels, solid));
  }
#else
  (void)in, (void)out, (void)count;
#endif
  return i;
}

template <uint32_t Least>
void OpaqueFrom(const uint32_t* in, uint32_t* out, int count) {
  for (int i = 0; i < count; ++i) {
    if (const int done = SolidOrEmpty<Least>(in + i, out + i, count - i); done > 0) {
      i += done - 1;
      continue;
    }
    const uint32_t pixel = in[i];
    const uint32_t alpha = pixel >> 24;
    if (alpha < Least) {
      out[i] = 0;
      continue;
    }
    // Most of a sprite is solid: its colour stands as it is.
    uint32_t colour = alpha == 255 ? pixel & 0x00FFFFFFu : Unpremultiplied(pixel, alpha);
    if (colour == 0) colour = DarkestShown;
    out[i] = 0xFF000000u | colour;
  }
}

}  // namespace

void ShapedFromPremultiplied(const uint32_t* in, uint32_t* out, int count) { OpaqueFrom<ShapeAlpha>(in, out, count); }

void CoveredFromPremultiplied(const uint32_t* in, uint32_t* out, int count) { OpaqueFrom<1>(in, out, count); }
