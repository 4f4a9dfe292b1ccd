// Stretched draws by nearest neighbour and by bilinear filtering.
//
// Both map a destination pixel's centre back into the source rectangle: the source
// position of destination pixel X is (X - DestLeft + 0.5) * SourceWidth / DestWidth,
// less half a pixel for the filter, whose weights are kept in 1/256 steps.
//
// The bilinear filter is separable, and that is what makes the per-frame enlargement
// of the playfield onto the screen affordable: each source row is widened once into
// a row of 16-bit channel sums, and every destination row is a weighted mix of two
// such rows. At the game's 2.5x enlargement a widened row serves two or three
// destination rows, and those rows lie between the same two source rows (with the
// exact 5:2 ratio the weights repeat every five rows: 0.1, 0.5, 0.9, then 0.3, 0.7),
// so they are mixed together from one read of the pair.
//
// Both steps run on vectors: SSE2 everywhere, AVX2 where the processor has it. With
// AVX2 each half of a block of eight destination pixels is widened from one load of
// the four source pixels under it, by byte shuffles worked out once per draw (an
// enlargement repeats a handful of them), and the widened rows keep each block in the
// order the final packing of the mix puts right again for free. Every path computes
// the same integers, so a sprite's enlarged frame, which decides hits, never depends
// on the processor. Rows wider than a 2048-pixel strip are filtered a strip at a
// time, so that the widened rows stay in the first-level cache. A whole screen is
// written past the caches, and the program's own resampler shares a 4K one with a
// helper thread.
//
// With the coverage rule each source pixel's alpha is replaced, as it is read, by
// whether it covers its place (255 unless it is pure black); filtered like the colours,
// it says how much of each destination pixel the picture covers, and since black adds
// nothing to the colours they come out premultiplied by it.
#include "sprites/Resampler.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#ifdef __SSE2__
#include <immintrin.h>
#endif

#include "sprites/PixelCombine.h"

namespace {

constexpr int WeightOne = 256;
// An opaque draw of more bytes than this (a 1920x1080 screen and larger) is written
// past the caches: the picture is read only once more, when it is copied into the
// window's image, and by then the server's own copies of earlier frames have pushed
// it out of the cache anyway. Writing it past the cache saves fetching every line
// before it is overwritten; in play this took a tenth off the program's CPU time.
constexpr int64_t StreamBytes = 4 << 20;
// The rows of a shared draw go out in bands of this many; each band widens its first
// source rows anew, a few percent more work in all.
constexpr int SplitBandRows = 64;
// Destination pixels per AVX2 block, and where pixel J of a block lies in a widened
// row: the unpacking of the low and high halves of each 128-bit lane interleaves them.
constexpr int BlockPixels = 8;
constexpr int BlockSlot[BlockPixels] = {0, 1, 4, 5, 2, 3, 6, 7};
// The widest strip of columns filtered at a time, a whole number of blocks.
constexpr int StripPixels = 2048;
static_assert(StripPixels % BlockPixels == 0);
// Destination pixels per 128-bit lane of a block.
constexpr int LanePixels = 4;
// Opaque parts of a draw of fewer pixels than this are filtered pixel by pixel, straight
// from the whole draw's axes: setting up rows and vectors costs more than they save on
// a few pixels (a menu star's part is about 5 x 5, or 5 x 15 with its last place).
constexpr int SmallPartPixels = 160;

std::atomic<TVectorUnit> UnitLimit{TVectorUnit::Avx2};

constexpr uint32_t ColourBits = 0x00FFFFFFu;
constexpr uint32_t AlphaBits = 0xFF000000u;

// The pixel with the coverage rule's alpha: 255 where it is not pure black; pure black
// (whatever its alpha) covers nothing and adds nothing.
inline uint32_t WithCoverage(uint32_t pixel) { return (pixel & ColourBits) != 0 ? pixel | AlphaBits : 0; }

TVectorUnit DetectVectorUnit() {
#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
  if (__builtin_cpu_supports("avx2")) return TVectorUnit::Avx2;
  return TVectorUnit::Sse2;
#elif defined(__SSE2__)
  return TVectorUnit::Sse2;
#else
  return TVectorUnit::Scalar;
#endif
}

struct TClippedArea {
  int Left, Top, Right, Bottom;
  bool Empty() const { return Left >= Right || Top >= Bottom; }
};

TClippedArea ClipToSurface(const TRect& r, const TBitmap32& surface) {
  const TRect clip = surface.ClipRect();
  return {std::max(r.Left, clip.Left), std::max(r.Top, clip.Top), std::min(r.Right, clip.Right), std::min(r.Bottom, clip.Bottom)};
}

// The source rectangle limited to the surface, so that no read leaves it.
TRect LimitToSource(const TRect& r, const TBitmap32& source) {
  return {std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, source.Width()), std::min(r.Bottom, source.Height())};
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// For destination pixels First..Last of an axis: the two source pixels around each
// centre and the weight of the second one.
struct TLinearAxis {
  std::vector<int32_t> Near, Far;
  // The weight (0..255) in every byte, so that unpacking it as a pixel gives one lane per channel.
  std::vector<uint32_t> WeightBytes;

  uint32_t Weight(size_t i) const { return WeightBytes[i] & 0xFF; }

  // Built anew only when the draw's geometry differs from the last one's.
  void Build(int first, int last, int destStart, int destLength, int sourceStart, int sourceLength) {
    const std::array<int, 6> key{first, last, destStart, destLength, sourceStart, sourceLength};
    if (key == BuiltFor) return;
    BuiltFor = key;
    const size_t count = static_cast<size_t>(std::max(last - first, 0));
    Near.resize(count);
    Far.resize(count);
    WeightBytes.resize(count);
    // Position in 1/256 source pixels: ((2d + 1) * S / (2D) - 0.5) * 256, rounded, that is
    // floor((numerator + D) / 2D). The numerator grows by a fixed step per pixel, so the
    // quotient is carried along with its remainder instead of divided anew.
    const int64_t divisor = 2LL * destLength;
    const int64_t step = 2LL * sourceLength * WeightOne;
    const int64_t start = (2LL * (first - destStart) + 1) * sourceLength * WeightOne - int64_t{destLength} * WeightOne + destLength;
    int64_t position = FloorDiv(start, divisor);
    int64_t remainder = start - position * divisor;
    const int64_t stepQuotient = step / divisor, stepRemainder = step % divisor;
    for (size_t i = 0; i < count; ++i) {
      int64_t index = position >> 8;  // floor, also below 0
      int64_t weight = position & (WeightOne - 1);
      if (index < 0) index = 0, weight = 0;
      if (index >= sourceLength - 1) index = sourceLength - 1, weight = 0;
      Near[i] = sourceStart + static_cast<int32_t>(index);
      Far[i] = sourceStart + static_cast<int32_t>(std::min<int64_t>(index + 1, sourceLength - 1));
      WeightBytes[i] = static_cast<uint32_t>(weight) * 0x01010101u;
      position += stepQuotient;
      remainder += stepRemainder;
      if (remainder >= divisor) remainder -= divisor, ++position;
    }
  }

  // Count entries of Whole from its entry First on: a part of a draw whose axis is built.
  void Slice(const TLinearAxis& whole, size_t first, size_t count) {
    const auto take = [first, count](auto& to, const auto& from) {
      to.assign(from.begin() + static_cast<std::ptrdiff_t>(first),
                from.begin() + static_cast<std::ptrdiff_t>(first + count));
    };
    take(Near, whole.Near);
    take(Far, whole.Far);
    take(WeightBytes, whole.WeightBytes);
    BuiltFor = {};
  }

 private:
  std::array<int, 6> BuiltFor{};
};

// Columns First..Last of a draw's area (counted from its left): the part of each row
// that is filtered at a time.
struct TStrip {
  int First, Last;
  int Count() const { return Last - First; }
};

// How the AVX2 widening makes one block of eight destination pixels from the source
// row by byte shuffles. Each 128-bit lane does four pixels of the block from the four
// source pixels that start at its lane's Base (a shuffle moves bytes only within a
// lane): Near and Far pick each channel's byte into a 16-bit lane, in the order of the
// widened row; Weight is the far pixel's weight in the same lanes. Index 0 is the
// widened block's first vector, 1 its second.
struct alignas(32) TBlockShape {
  uint8_t Near[2][32];
  uint8_t Far[2][32];
  uint16_t Weight[2][16];
};

// Where a block's lanes read, and its shape; Shape is -1 for a block whose four pixels
// in a lane need more than four source pixels (reductions, scales near 1).
struct TBlockPlace {
  int32_t Base[2];
  int32_t Shape;
};

// The shapes of every block of a row, built once per draw. An enlargement repeats few
// shapes (five at the exact 5:2 ratio), so each is kept once and the table stays in
// the first-level cache.
struct TBlockShapes {
  std::vector<TBlockShape> Shapes;
  // The source offsets and weights a shape was made from, to find it again.
  std::vector<std::array<uint8_t, 3 * BlockPixels>> Keys;
  std::vector<TBlockPlace> Places;

  void Build(const TLinearAxis& columns, int count, int rowWidth);

 private:
  int32_t ShapeOf(const TLinearAxis& columns, size_t first, const int32_t* base);
};

// The two axes of one filtered draw.
struct TLinearPlan {
  TClippedArea Area{};
  TLinearAxis Columns, Rows;
  // With AVX2: how each block of destination pixels is widened.
  TBlockShapes Blocks;
  TVectorUnit Unit = TVectorUnit::Scalar;
  // Opaque and large: written past the caches.
  bool Stream = false;
  // Alpha is the coverage (TAlphaRule::Coverage) rather than the source's alpha.
  bool Coverage = false;
  bool InUse = false;

  int Count() const { return Area.Right - Area.Left; }
};

void TBlockShapes::Build(const TLinearAxis& columns, int count, int rowWidth) {
  Shapes.clear();
  Keys.clear();
  Places.clear();
  for (int i = 0; i + BlockPixels <= count; i += BlockPixels) {
    TBlockPlace place{{0, 0}, -1};
    // The offsets grow along the row: a lane's first near pixel and last far one bound it.
    // At the row's right end the lane reads the row's last four pixels instead.
    bool fits = rowWidth >= LanePixels;
    for (int lane = 0; lane < 2 && fits; ++lane) {
      const size_t first = static_cast<size_t>(i + lane * LanePixels);
      place.Base[lane] = std::min(columns.Near[first], rowWidth - LanePixels);
      fits = columns.Far[first + LanePixels - 1] - place.Base[lane] < LanePixels;
    }
    if (fits) place.Shape = ShapeOf(columns, static_cast<size_t>(i), place.Base);
    Places.push_back(place);
  }
}

int32_t TBlockShapes::ShapeOf(const TLinearAxis& columns, size_t first, const int32_t* base) {
  std::array<uint8_t, 3 * BlockPixels> key{};
  for (size_t j = 0; j < BlockPixels; ++j) {
    const int32_t laneBase = base[j / LanePixels];
    key[j] = static_cast<uint8_t>(columns.Near[first + j] - laneBase);
    key[BlockPixels + j] = static_cast<uint8_t>(columns.Far[first + j] - laneBase);
    key[2 * BlockPixels + j] = static_cast<uint8_t>(columns.Weight(first + j));
  }
  // A repeating pattern finds its shape among the last few made.
  constexpr size_t Recent = 8;
  for (size_t k = Keys.size(); k > 0 && k + Recent > Keys.size(); --k)
    if (Keys[k - 1] == key) return static_cast<int32_t>(k - 1);
  TBlockShape shape{};
  for (size_t j = 0; j < BlockPixels; ++j) {
    // Pixels 0, 1, 4, 5 of the block go to the first vector, 2, 3, 6, 7 to the second
    // (see BlockSlot); in each, a lane holds two pixels of four 16-bit channels.
    const size_t vector = j % LanePixels / 2;
    const size_t lane16 = j / LanePixels * 8 + j % 2 * 4;
    for (size_t c = 0; c < 4; ++c) {
      const size_t at = 2 * (lane16 + c);
      shape.Near[vector][at] = static_cast<uint8_t>(4 * key[j] + c);
      shape.Far[vector][at] = static_cast<uint8_t>(4 * key[BlockPixels + j] + c);
      // A shuffle index with its top bit set gives 0: the channel's high byte.
      shape.Near[vector][at + 1] = shape.Far[vector][at + 1] = 0x80;
      shape.Weight[vector][lane16 + c] = key[2 * BlockPixels + j];
    }
  }
  Shapes.push_back(shape);
  Keys.push_back(key);
  return static_cast<int32_t>(Shapes.size() - 1);
}

// One destination pixel of a widened row: per channel near * (256 - w) + far * w.
void WidenPixel(const TColor32* row, const TLinearAxis& columns, size_t i, bool coverage, uint16_t* out) {
  uint32_t near = row[columns.Near[i]], far = row[columns.Far[i]];
  if (coverage) near = WithCoverage(near), far = WithCoverage(far);
  const uint32_t w = columns.Weight(i);
  for (int c = 0; c < 4; ++c)
    out[c] = static_cast<uint16_t>(((near >> (8 * c)) & 0xFF) * (WeightOne - w) + ((far >> (8 * c)) & 0xFF) * w);
}

// Mixes two widened pixels into bytes. Each product keeps only its high 16 bits,
// which can lose up to 2/256 of a level before the final rounding; the vector
// versions compute exactly this.
void MixPixel(const uint16_t* upper, const uint16_t* lower, uint32_t weight, uint8_t* out) {
  const uint32_t upperWeight = (WeightOne - weight) << 8;
  const uint32_t lowerWeight = weight << 8;
  for (int c = 0; c < 4; ++c) {
    const uint32_t sum = weight == 0 ? upper[c] : ((upper[c] * upperWeight) >> 16) + ((lower[c] * lowerWeight) >> 16);
    out[c] = static_cast<uint8_t>((sum + 128u) >> 8);
  }
}

void WidenScalar(const TColor32* row, const TLinearAxis& columns, TStrip strip, bool coverage, uint16_t* out) {
  for (int i = strip.First; i < strip.Last; ++i)
    WidenPixel(row, columns, static_cast<size_t>(i), coverage, out + (i - strip.First) * 4);
}

void MixScalar(const uint16_t* upper, const uint16_t* lower, uint32_t weight, uint8_t* out, int count) {
  for (int i = 0; i < count; ++i) MixPixel(upper + i * 4, lower + i * 4, weight, out + i * 4);
}

#ifdef __SSE2__
// The coverage rule on each pixel of a vector.
__m128i CoverageSse2(__m128i pixels) {
  const __m128i colours = _mm_and_si128(pixels, _mm_set1_epi32(static_cast<int>(ColourBits)));
  const __m128i black = _mm_cmpeq_epi32(colours, _mm_setzero_si128());
  return _mm_or_si128(colours, _mm_andnot_si128(black, _mm_set1_epi32(static_cast<int>(AlphaBits))));
}

// Two destination pixels at a time, each channel a 16-bit lane. In 16-bit lanes
// near * 256 + (far - near) * w wraps around, but its true value fits, so it comes
// out exact with one multiplication instead of two.

void WidenSse2(const TColor32* row, const TLinearAxis& columns, TStrip strip, bool coverage, uint16_t* out) {
  const __m128i zero = _mm_setzero_si128();
  int i = strip.First;
  for (; i + 2 <= strip.Last; i += 2) {
    __m128i nearPair = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(row[columns.Near[i]])),
                                          _mm_cvtsi32_si128(static_cast<int>(row[columns.Near[i + 1]])));
    __m128i farPair = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(row[columns.Far[i]])),
                                         _mm_cvtsi32_si128(static_cast<int>(row[columns.Far[i + 1]])));
    if (coverage) nearPair = CoverageSse2(nearPair), farPair = CoverageSse2(farPair);
    const __m128i near = _mm_unpacklo_epi8(nearPair, zero);
    const __m128i far = _mm_unpacklo_epi8(farPair, zero);
    const __m128i weight = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&columns.WeightBytes[i])), zero);
    const __m128i sum = _mm_add_epi16(_mm_slli_epi16(near, 8), _mm_mullo_epi16(_mm_sub_epi16(far, near), weight));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (i - strip.First) * 4), sum);
  }
  for (; i < strip.Last; ++i) WidenPixel(row, columns, static_cast<size_t>(i), coverage, out + (i - strip.First) * 4);
}

void MixSse2(const uint16_t* upper, const uint16_t* lower, uint32_t weight, uint8_t* out, int count) {
  const __m128i half = _mm_set1_epi16(128);
  const __m128i upperLanes = _mm_set1_epi16(static_cast<short>((WeightOne - weight) << 8));
  const __m128i lowerLanes = _mm_set1_epi16(static_cast<short>(weight << 8));
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    __m128i mixed[2];
    for (int part = 0; part < 2; ++part) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + i * 4 + part * 8));
      __m128i sum = a;
      if (weight != 0) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + i * 4 + part * 8));
        sum = _mm_add_epi16(_mm_mulhi_epu16(a, upperLanes), _mm_mulhi_epu16(b, lowerLanes));
      }
      mixed[part] = _mm_srli_epi16(_mm_add_epi16(sum, half), 8);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 4), _mm_packus_epi16(mixed[0], mixed[1]));
  }
  MixScalar(upper + i * 4, lower + i * 4, weight, out + i * 4, count - i);
}

// The coverage rule on each pixel of a vector.
__attribute__((target("avx2"))) __m256i CoverageAvx2(__m256i pixels) {
  const __m256i colours = _mm256_and_si256(pixels, _mm256_set1_epi32(static_cast<int>(ColourBits)));
  const __m256i black = _mm256_cmpeq_epi32(colours, _mm256_setzero_si256());
  return _mm256_or_si256(colours, _mm256_andnot_si256(black, _mm256_set1_epi32(static_cast<int>(AlphaBits))));
}

// A block without a shape: from one load of the eight source pixels from its first
// (the row's last eight at its right end), or else pixel by pixel into the same places.
template <bool Coverage>
__attribute__((target("avx2"))) void WidenUnshapedAvx2(const TColor32* row, int rowWidth, const TLinearAxis& columns,
                                                       int i, uint16_t* target) {
  const int base = std::min(columns.Near[static_cast<size_t>(i)], rowWidth - BlockPixels);
  if (rowWidth < BlockPixels || columns.Far[static_cast<size_t>(i) + BlockPixels - 1] - base >= BlockPixels) {
    for (int j = 0; j < BlockPixels; ++j)
      WidenPixel(row, columns, static_cast<size_t>(i + j), Coverage, target + BlockSlot[j] * 4);
    return;
  }
  const __m256i zero = _mm256_setzero_si256();
  __m256i window = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + base));
  if constexpr (Coverage) window = CoverageAvx2(window);
  const __m256i offset = _mm256_set1_epi32(base);
  const __m256i nearIndex = _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(&columns.Near[i])), offset);
  const __m256i farIndex = _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(&columns.Far[i])), offset);
  const __m256i near = _mm256_permutevar8x32_epi32(window, nearIndex);
  const __m256i far = _mm256_permutevar8x32_epi32(window, farIndex);
  const __m256i weights = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&columns.WeightBytes[i]));
  const __m256i nearLow = _mm256_unpacklo_epi8(near, zero), nearHigh = _mm256_unpackhi_epi8(near, zero);
  const __m256i farLow = _mm256_unpacklo_epi8(far, zero), farHigh = _mm256_unpackhi_epi8(far, zero);
  const __m256i low = _mm256_add_epi16(_mm256_slli_epi16(nearLow, 8),
                                       _mm256_mullo_epi16(_mm256_sub_epi16(farLow, nearLow), _mm256_unpacklo_epi8(weights, zero)));
  const __m256i high = _mm256_add_epi16(_mm256_slli_epi16(nearHigh, 8),
                                        _mm256_mullo_epi16(_mm256_sub_epi16(farHigh, nearHigh), _mm256_unpackhi_epi8(weights, zero)));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(target), low);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + 16), high);
}

// Blocks of eight destination pixels, each widened by its shape from two loads of four
// source pixels: four byte shuffles put every channel of the near and far pixels in
// its 16-bit lane at once, where unpacking bytes and moving whole pixels took eight.
template <bool Coverage>
__attribute__((target("avx2"))) void WidenBlocksAvx2(const TColor32* row, int rowWidth, const TLinearAxis& columns,
                                                     const TBlockShapes& blocks, TStrip strip, uint16_t* out) {
  // Vector stores may alias anything: what the loop reads of the tables is held in
  // locals, or it would be read again after every store.
  const TBlockPlace* places = blocks.Places.data();
  const TBlockShape* shapes = blocks.Shapes.data();
  const size_t blockEnd = std::min(blocks.Places.size(), static_cast<size_t>(strip.Last / BlockPixels));
  uint16_t* target = out;
  for (size_t b = static_cast<size_t>(strip.First / BlockPixels); b < blockEnd; ++b, target += BlockPixels * 4) {
    const TBlockPlace place = places[b];
    if (place.Shape < 0) {
      const int i = static_cast<int>(b) * BlockPixels;
      WidenUnshapedAvx2<Coverage>(row, rowWidth, columns, i, target);
      continue;
    }
    __m256i window = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(row + place.Base[1]),
                                         reinterpret_cast<const __m128i*>(row + place.Base[0]));
    if constexpr (Coverage) window = CoverageAvx2(window);
    const TBlockShape& shape = shapes[place.Shape];
    for (int v = 0; v < 2; ++v) {
      const __m256i near = _mm256_shuffle_epi8(window, _mm256_load_si256(reinterpret_cast<const __m256i*>(shape.Near[v])));
      const __m256i far = _mm256_shuffle_epi8(window, _mm256_load_si256(reinterpret_cast<const __m256i*>(shape.Far[v])));
      const __m256i weight = _mm256_load_si256(reinterpret_cast<const __m256i*>(shape.Weight[v]));
      const __m256i sum = _mm256_add_epi16(_mm256_slli_epi16(near, 8), _mm256_mullo_epi16(_mm256_sub_epi16(far, near), weight));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + v * 16), sum);
    }
  }
  for (int i = std::max(strip.First, static_cast<int>(blockEnd) * BlockPixels); i < strip.Last; ++i)
    WidenPixel(row, columns, static_cast<size_t>(i), Coverage, out + (i - strip.First) * 4);
}

void WidenAvx2(const TColor32* row, int rowWidth, const TLinearAxis& columns, const TBlockShapes& blocks, TStrip strip,
               bool coverage, uint16_t* out) {
  if (coverage)
    WidenBlocksAvx2<true>(row, rowWidth, columns, blocks, strip, out);
  else
    WidenBlocksAvx2<false>(row, rowWidth, columns, blocks, strip, out);
}

// Packing the two halves of a block puts its pixels back in order.
__attribute__((target("avx2"))) void MixAvx2(const uint16_t* upper, const uint16_t* lower, uint32_t weight, uint8_t* out,
                                             int count) {
  const __m256i half = _mm256_set1_epi16(128);
  const __m256i upperLanes = _mm256_set1_epi16(static_cast<short>((WeightOne - weight) << 8));
  const __m256i lowerLanes = _mm256_set1_epi16(static_cast<short>(weight << 8));
  const int blocks = count / BlockPixels * BlockPixels;
  int i = 0;
  if (weight == 0) {
    for (; i < blocks; i += BlockPixels) {
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(upper + i * 4));
      const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(upper + i * 4 + 16));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i * 4),
                          _mm256_packus_epi16(_mm256_srli_epi16(_mm256_add_epi16(a, half), 8),
                                              _mm256_srli_epi16(_mm256_add_epi16(b, half), 8)));
    }
  } else {
    for (; i < blocks; i += BlockPixels) {
      __m256i mixed[2];
      for (int part = 0; part < 2; ++part) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(upper + i * 4 + part * 16));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lower + i * 4 + part * 16));
        const __m256i sum = _mm256_add_epi16(_mm256_mulhi_epu16(a, upperLanes), _mm256_mulhi_epu16(b, lowerLanes));
        mixed[part] = _mm256_srli_epi16(_mm256_add_epi16(sum, half), 8);
      }
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i * 4), _mm256_packus_epi16(mixed[0], mixed[1]));
    }
  }
  MixScalar(upper + i * 4, lower + i * 4, weight, out + i * 4, count - i);
}

// Up to MaxGroup destination rows that mix the same two widened rows by their own
// weights (none of them 0), each straight into its destination row: the two rows
// are read once for all of them.
constexpr int MaxGroup = 4;

template <int K, bool Stream>
__attribute__((target("avx2"))) void MixGroupAvx2(const uint16_t* upper, const uint16_t* lower, const uint32_t* weights,
                                                  TColor32* const* targets, int count) {
  const __m256i half = _mm256_set1_epi16(128);
  __m256i upperLanes[K], lowerLanes[K];
  // Held in locals: vector stores may alias anything, Targets included.
  TColor32* rows[K];
  for (int j = 0; j < K; ++j) {
    upperLanes[j] = _mm256_set1_epi16(static_cast<short>((WeightOne - weights[j]) << 8));
    lowerLanes[j] = _mm256_set1_epi16(static_cast<short>(weights[j] << 8));
    rows[j] = targets[j];
  }
  const int blocks = count / BlockPixels * BlockPixels;
  for (int i = 0; i < blocks; i += BlockPixels) {
    const __m256i a0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(upper + i * 4));
    const __m256i a1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(upper + i * 4 + 16));
    const __m256i b0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lower + i * 4));
    const __m256i b1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lower + i * 4 + 16));
    for (int j = 0; j < K; ++j) {
      const __m256i sum0 = _mm256_add_epi16(_mm256_mulhi_epu16(a0, upperLanes[j]), _mm256_mulhi_epu16(b0, lowerLanes[j]));
      const __m256i sum1 = _mm256_add_epi16(_mm256_mulhi_epu16(a1, upperLanes[j]), _mm256_mulhi_epu16(b1, lowerLanes[j]));
      const __m256i mixed = _mm256_packus_epi16(_mm256_srli_epi16(_mm256_add_epi16(sum0, half), 8),
                                                _mm256_srli_epi16(_mm256_add_epi16(sum1, half), 8));
      if constexpr (Stream)
        _mm256_stream_si256(reinterpret_cast<__m256i*>(rows[j] + i), mixed);
      else
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(rows[j] + i), mixed);
    }
  }
  for (int j = 0; j < K; ++j)
    MixScalar(upper + blocks * 4, lower + blocks * 4, weights[j], reinterpret_cast<uint8_t*>(targets[j] + blocks), count - blocks);
}

template <int K, bool Stream>
void MixGroupSse2(const uint16_t* upper, const uint16_t* lower, const uint32_t* weights, TColor32* const* targets,
                  int count) {
  const __m128i half = _mm_set1_epi16(128);
  __m128i upperLanes[K], lowerLanes[K];
  for (int j = 0; j < K; ++j) {
    upperLanes[j] = _mm_set1_epi16(static_cast<short>((WeightOne - weights[j]) << 8));
    lowerLanes[j] = _mm_set1_epi16(static_cast<short>(weights[j] << 8));
  }
  const int blocks = count / 4 * 4;
  for (int i = 0; i < blocks; i += 4) {
    const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + i * 4));
    const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + i * 4 + 8));
    const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + i * 4));
    const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + i * 4 + 8));
    for (int j = 0; j < K; ++j) {
      const __m128i sum0 = _mm_add_epi16(_mm_mulhi_epu16(a0, upperLanes[j]), _mm_mulhi_epu16(b0, lowerLanes[j]));
      const __m128i sum1 = _mm_add_epi16(_mm_mulhi_epu16(a1, upperLanes[j]), _mm_mulhi_epu16(b1, lowerLanes[j]));
      const __m128i mixed =
          _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(sum0, half), 8), _mm_srli_epi16(_mm_add_epi16(sum1, half), 8));
      if constexpr (Stream)
        _mm_stream_si128(reinterpret_cast<__m128i*>(targets[j] + i), mixed);
      else
        _mm_storeu_si128(reinterpret_cast<__m128i*>(targets[j] + i), mixed);
    }
  }
  for (int j = 0; j < K; ++j)
    MixScalar(upper + blocks * 4, lower + blocks * 4, weights[j], reinterpret_cast<uint8_t*>(targets[j] + blocks), count - blocks);
}

// Stream sends the rows past the caches, which only pays when they cannot hold the
// picture anyway; it needs rows that start on a whole vector.
void MixGroup(TVectorUnit unit, const uint16_t* upper, const uint16_t* lower, const uint32_t* weights,
              TColor32* const* targets, int k, int count, bool stream) {
  const uintptr_t vectorBytes = unit == TVectorUnit::Avx2 ? 32 : 16;
  for (int j = 0; j < k; ++j) stream = stream && reinterpret_cast<uintptr_t>(targets[j]) % vectorBytes == 0;
  const auto run = [&](auto rows, auto streamed) {
    constexpr int K = decltype(rows)::value;
    constexpr bool S = decltype(streamed)::value;
    if (unit == TVectorUnit::Avx2)
      MixGroupAvx2<K, S>(upper, lower, weights, targets, count);
    else
      MixGroupSse2<K, S>(upper, lower, weights, targets, count);
  };
  const auto withRows = [&](auto streamed) {
    switch (k) {
      case 1: run(std::integral_constant<int, 1>{}, streamed); return;
      case 2: run(std::integral_constant<int, 2>{}, streamed); return;
      case 3: run(std::integral_constant<int, 3>{}, streamed); return;
      default: run(std::integral_constant<int, 4>{}, streamed); return;
    }
  };
  if (stream)
    withRows(std::true_type{});
  else
    withRows(std::false_type{});
}
#endif

void Widen(const TLinearPlan& plan, const TBitmap32& source, int y, TStrip strip, uint16_t* out) {
  const TColor32* row = source.ScanLine(y);
  switch (plan.Unit) {
#ifdef __SSE2__
    case TVectorUnit::Avx2:
      WidenAvx2(row, source.Width(), plan.Columns, plan.Blocks, strip, plan.Coverage, out);
      return;
    case TVectorUnit::Sse2:
      WidenSse2(row, plan.Columns, strip, plan.Coverage, out);
      return;
#endif
    default:
      WidenScalar(row, plan.Columns, strip, plan.Coverage, out);
  }
}

void Mix(const TLinearPlan& plan, const uint16_t* upper, const uint16_t* lower, uint32_t weight, TColor32* out,
         int count) {
  auto* bytes = reinterpret_cast<uint8_t*>(out);
  switch (plan.Unit) {
#ifdef __SSE2__
    case TVectorUnit::Avx2:
      MixAvx2(upper, lower, weight, bytes, count);
      return;
    case TVectorUnit::Sse2:
      MixSse2(upper, lower, weight, bytes, count);
      return;
#endif
    default:
      MixScalar(upper, lower, weight, bytes, count);
  }
}

// What one thread needs for its rows: two widened rows and a mixed row. Kept per
// thread between draws (as the plans are), so that the many small filtered draws of
// sprites allocate nothing.
struct TRowScratch {
  std::vector<uint16_t> Rows[2];
  int RowIndex[2] = {-1, -1};
  std::vector<TColor32> Mixed;
  bool InUse = false;

  void Prepare(int count) {
    for (auto& row : Rows)
      if (row.size() < static_cast<size_t>(count) * 4) row.resize(static_cast<size_t>(count) * 4);
    if (Mixed.size() < static_cast<size_t>(count)) Mixed.resize(static_cast<size_t>(count));
    RowIndex[0] = RowIndex[1] = -1;
  }

  // The widened row Y, widening it unless it is at hand; Keep is the row that must stay.
  const uint16_t* Get(const TLinearPlan& plan, const TBitmap32& source, int y, int keep, TStrip strip) {
    for (int slot = 0; slot < 2; ++slot)
      if (RowIndex[slot] == y) return Rows[slot].data();
    const int slot = RowIndex[0] == keep ? 1 : 0;
    Widen(plan, source, y, strip, Rows[slot].data());
    RowIndex[slot] = y;
    return Rows[slot].data();
  }
};

// The calling thread's plan or scratch, kept between draws. A draw made inside
// another's pixel callback gets a fresh one rather than disturb the outer draw's.
template <typename T>
class TThreadLease {
 public:
  TThreadLease() : Held(Cached().InUse ? Own : Cached()) { Held.InUse = true; }
  ~TThreadLease() { Held.InUse = false; }
  TThreadLease(const TThreadLease&) = delete;
  TThreadLease& operator=(const TThreadLease&) = delete;
  T& operator*() { return Held; }
  T* operator->() { return &Held; }

 private:
  static T& Cached() {
    thread_local T kept;
    return kept;
  }
  T Own;
  T& Held;
};

// Destination rows First..Last of the plan's area (counted from its top), within Strip.
template <typename TCombine>
void FilterStrip(TBitmap32& dest, const TBitmap32& source, const TLinearPlan& plan, int first, int last, TStrip strip,
                 const TCombine& combine) {
  TThreadLease<TRowScratch> scratch;
  const int count = strip.Count();
  scratch->Prepare(count);
  const TLinearAxis& rows = plan.Rows;
  const int left = plan.Area.Left + strip.First;
  for (int r = first; r < last;) {
    const size_t i = static_cast<size_t>(r);
    const uint16_t* upper = scratch->Get(plan, source, rows.Near[i], rows.Far[i], strip);
    const uint32_t weight = rows.Weight(i);
    // With weight 0 the lower row is not read: it is not widened either.
    const uint16_t* lower = weight == 0 ? upper : scratch->Get(plan, source, rows.Far[i], rows.Near[i], strip);
    TColor32* target = dest.ScanLine(plan.Area.Top + r) + left;
    if constexpr (std::is_same_v<TCombine, TCombineOpaque>) {
#ifdef __SSE2__
      // An enlargement gives runs of rows between the same two source rows.
      if (plan.Unit != TVectorUnit::Scalar && weight != 0) {
        uint32_t weights[MaxGroup];
        TColor32* targets[MaxGroup];
        int k = 0;
        for (; k < MaxGroup && r + k < last; ++k) {
          const size_t next = i + static_cast<size_t>(k);
          if (rows.Near[next] != rows.Near[i] || rows.Far[next] != rows.Far[i] || rows.Weight(next) == 0) break;
          weights[k] = rows.Weight(next);
          targets[k] = dest.ScanLine(plan.Area.Top + r + k) + left;
        }
        MixGroup(plan.Unit, upper, lower, weights, targets, k, count, plan.Stream);
        r += k;
        continue;
      }
#endif
      // An opaque draw mixes straight into the destination row.
      Mix(plan, upper, lower, weight, target, count);
    } else {
      Mix(plan, upper, lower, weight, scratch->Mixed.data(), count);
      combine.Row(scratch->Mixed.data(), target, count);
    }
    ++r;
  }
}

// Area of Dest (within the whole draw Whole, whose axes Full holds) filtered and
// copied pixel by pixel: the widening and the mix of the rows, as the scalar path
// computes them, for each pixel on its own.
#ifdef __SSE2__
// One destination pixel of a widened row, its four channels in the low four 16-bit
// lanes: the near and far pixels unpacked side by side, each weighted, then added.
inline __m128i WidenPixelSse2(const TColor32* row, const TLinearAxis& columns, size_t i, bool coverage) {
  uint32_t near = row[columns.Near[i]], far = row[columns.Far[i]];
  if (coverage) near = WithCoverage(near), far = WithCoverage(far);
  const auto w = static_cast<int16_t>(columns.Weight(i));
  const auto rest = static_cast<int16_t>(WeightOne - w);
  const __m128i pair = _mm_unpacklo_epi8(_mm_set_epi32(0, 0, static_cast<int>(far), static_cast<int>(near)),
                                         _mm_setzero_si128());
  const __m128i weighted = _mm_mullo_epi16(pair, _mm_set_epi16(w, w, w, w, rest, rest, rest, rest));
  return _mm_add_epi16(weighted, _mm_srli_si128(weighted, 8));
}
#endif

void FilterSmallArea(TBitmap32& dest, const TBitmap32& source, const TLinearPlan& full, const TClippedArea& whole,
                     const TClippedArea& area, bool coverage) {
  for (int y = area.Top; y < area.Bottom; ++y) {
    const auto i = static_cast<size_t>(y - whole.Top);
    const TColor32* nearRow = source.ScanLine(full.Rows.Near[i]);
    const TColor32* farRow = source.ScanLine(full.Rows.Far[i]);
    const uint32_t weight = full.Rows.Weight(i);
    TColor32* out = dest.ScanLine(y) + area.Left;
#ifdef __SSE2__
    // As MixPixel: each product keeps its high 16 bits, then the sum is rounded.
    const __m128i upperWeight = _mm_set1_epi16(static_cast<int16_t>((WeightOne - weight) << 8));
    const __m128i lowerWeight = _mm_set1_epi16(static_cast<int16_t>(weight << 8));
    for (int x = area.Left; x < area.Right; ++x, ++out) {
      const auto j = static_cast<size_t>(x - whole.Left);
      __m128i sum = WidenPixelSse2(nearRow, full.Columns, j, coverage);
      if (weight != 0)
        sum = _mm_add_epi16(_mm_mulhi_epu16(sum, upperWeight),
                            _mm_mulhi_epu16(WidenPixelSse2(farRow, full.Columns, j, coverage), lowerWeight));
      const __m128i rounded = _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(128)), 8);
      *out = static_cast<TColor32>(_mm_cvtsi128_si32(_mm_packus_epi16(rounded, rounded)));
    }
#else
    uint16_t upper[4] = {}, lower[4] = {};
    for (int x = area.Left; x < area.Right; ++x, ++out) {
      const auto j = static_cast<size_t>(x - whole.Left);
      WidenPixel(nearRow, full.Columns, j, coverage, upper);
      if (weight != 0) WidenPixel(farRow, full.Columns, j, coverage, lower);
      MixPixel(upper, lower, weight, reinterpret_cast<uint8_t*>(out));
    }
#endif
  }
}

// Destination rows First..Last of the plan's area, in strips of columns narrow enough
// that the two widened rows a strip mixes stay in the first-level cache (a 4K row
// widened is 30 KB).
template <typename TCombine>
void FilterRows(TBitmap32& dest, const TBitmap32& source, const TLinearPlan& plan, int first, int last,
                const TCombine& combine) {
  for (int left = 0; left < plan.Count(); left += StripPixels)
    FilterStrip(dest, source, plan, first, last, {left, std::min(plan.Count(), left + StripPixels)}, combine);
#ifdef __SSE2__
  // Streamed stores are not ordered with the ones after them: whoever reads the
  // picture next (another thread included) must see them.
  if (plan.Stream) _mm_sfence();
#endif
}

}  // namespace

// A thread that takes part in a draw beside the calling thread.
class TRowWorker {
 public:
  TRowWorker() : Thread([this] { Loop(); }) {}
  ~TRowWorker() {
    {
      std::lock_guard<std::mutex> lock(Mutex);
      Stopping = true;
    }
    Wake.notify_one();
    Thread.join();
  }
  TRowWorker(const TRowWorker&) = delete;
  TRowWorker& operator=(const TRowWorker&) = delete;

  void Start(std::function<void()> job) {
    {
      std::lock_guard<std::mutex> lock(Mutex);
      Job = std::move(job);
      State = TState::Posted;
    }
    Wake.notify_one();
  }

  // Returns once the job is done or withdrawn: a job the thread has not taken up yet
  // (its core was busy) is not waited for. A failure in the job is raised here.
  void Finish() {
    std::unique_lock<std::mutex> lock(Mutex);
    if (State == TState::Posted) {
      Job = nullptr;
      State = TState::Idle;
      return;
    }
    Done.wait(lock, [this] { return State == TState::Idle; });
    if (Failure) std::rethrow_exception(std::exchange(Failure, nullptr));
  }

 private:
  enum class TState { Idle, Posted, Running };

  void Loop() {
    std::unique_lock<std::mutex> lock(Mutex);
    for (;;) {
      Wake.wait(lock, [this] { return State == TState::Posted || Stopping; });
      if (State != TState::Posted) return;
      std::function<void()> job = std::move(Job);
      State = TState::Running;
      lock.unlock();
      std::exception_ptr failure;
      try {
        job();
      } catch (...) {
        failure = std::current_exception();
      }
      lock.lock();
      Failure = failure;
      State = TState::Idle;
      Done.notify_one();
    }
  }

  std::mutex Mutex;
  std::condition_variable Wake, Done;
  std::function<void()> Job;
  std::exception_ptr Failure;
  TState State = TState::Idle;
  bool Stopping = false;
  std::thread Thread;  // last: it starts once everything above is ready
};

TVectorUnit BestVectorUnit() {
  static const TVectorUnit best = DetectVectorUnit();
  return best;
}

void LimitVectorUnit(TVectorUnit unit) { UnitLimit = unit; }

TVectorUnit ActiveVectorUnit() { return std::min(BestVectorUnit(), UnitLimit.load(std::memory_order_relaxed)); }

std::unique_ptr<TCustomResampler> TNearestResampler::Clone() const { return std::make_unique<TNearestResampler>(); }

void TNearestResampler::Resample(TBitmap32& dest, const TRect& destRect, const TBitmap32& source,
                                 const TRect& sourceRect) const {
  const TClippedArea area = ClipToSurface(destRect, dest);
  const TRect from = LimitToSource(sourceRect, source);
  if (area.Empty() || from.Width() <= 0 || from.Height() <= 0) return;
  const auto nearest = [](int d, int destStart, int destLength, int sourceStart, int sourceLength) {
    const int64_t offset = (2LL * (d - destStart) + 1) * sourceLength / (2LL * destLength);
    return sourceStart + static_cast<int>(std::clamp<int64_t>(offset, 0, sourceLength - 1));
  };
  std::vector<int> columns;
  for (int x = area.Left; x < area.Right; ++x)
    columns.push_back(nearest(x, destRect.Left, destRect.Width(), from.Left, from.Width()));
  std::vector<TColor32> row(columns.size());
  WithCombiner(source, [&](const auto& combine) {
    for (int y = area.Top; y < area.Bottom; ++y) {
      const TColor32* sourceRow = source.ScanLine(nearest(y, destRect.Top, destRect.Height(), from.Top, from.Height()));
      for (size_t i = 0; i < columns.size(); ++i) row[i] = sourceRow[columns[i]];
      combine.Row(row.data(), dest.ScanLine(y) + area.Left, area.Right - area.Left);
    }
  });
}

namespace {

// The bilinear draw; an opaque one of at least SplitPixels pixels is shared with Worker.
void LinearResample(TBitmap32& dest, const TRect& destRect, const TBitmap32& source, const TRect& sourceRect,
                    TAlphaRule alpha, const std::function<TRowWorker*()>& worker, int splitPixels) {
  const TClippedArea area = ClipToSurface(destRect, dest);
  const TRect from = LimitToSource(sourceRect, source);
  if (area.Empty() || from.Width() <= 0 || from.Height() <= 0) return;
  TThreadLease<TLinearPlan> plan;
  plan->Area = area;
  plan->Unit = ActiveVectorUnit();
  plan->Coverage = alpha == TAlphaRule::Coverage;
  plan->Columns.Build(area.Left, area.Right, destRect.Left, destRect.Width(), from.Left, from.Width());
  plan->Rows.Build(area.Top, area.Bottom, destRect.Top, destRect.Height(), from.Top, from.Height());
  if (plan->Unit == TVectorUnit::Avx2) plan->Blocks.Build(plan->Columns, plan->Count(), source.Width());
  const int rows = area.Bottom - area.Top;
  WithCombiner(source, [&](const auto& combine) {
    using TCombine = std::decay_t<decltype(combine)>;
    plan->Stream = std::is_same_v<TCombine, TCombineOpaque> && int64_t{plan->Count()} * rows * 4 > StreamBytes;
    const bool split = std::is_same_v<TCombine, TCombineOpaque> && splitPixels > 0 && rows >= 2 &&
                       static_cast<int64_t>(plan->Count()) * rows >= splitPixels;
    TRowWorker* helper = split ? worker() : nullptr;
    if (helper == nullptr) {
      FilterRows(dest, source, *plan, 0, rows, combine);
      return;
    }
    // Bands of rows go to whichever thread asks next, so that a helper whose core is
    // taken by another program delays nothing: the calling thread does its share.
    const TLinearPlan& shared = *plan;
    const int bands = (rows + SplitBandRows - 1) / SplitBandRows;
    std::atomic<int> next{0};
    const auto share = [&] {
      for (int band = next++; band < bands; band = next++)
        FilterRows(dest, source, shared, band * SplitBandRows, std::min(rows, (band + 1) * SplitBandRows), combine);
    };
    helper->Start(share);
    try {
      share();
    } catch (...) {
      helper->Finish();
      throw;
    }
    helper->Finish();
  });
}

// The bilinear draw within each of Areas, the axes built once for the whole of DestRect.
void LinearResampleAreas(TBitmap32& dest, const TRect& destRect, const TBitmap32& source, const TRect& sourceRect,
                         TAlphaRule alpha, const std::vector<TRect>& areas) {
  const TClippedArea whole = ClipToSurface(destRect, dest);
  const TRect from = LimitToSource(sourceRect, source);
  if (whole.Empty() || from.Width() <= 0 || from.Height() <= 0) return;
  TThreadLease<TLinearPlan> full;
  full->Columns.Build(whole.Left, whole.Right, destRect.Left, destRect.Width(), from.Left, from.Width());
  full->Rows.Build(whole.Top, whole.Bottom, destRect.Top, destRect.Height(), from.Top, from.Height());
  TThreadLease<TLinearPlan> part;
  part->Unit = ActiveVectorUnit();
  part->Coverage = alpha == TAlphaRule::Coverage;
  WithCombiner(source, [&](const auto& combine) {
    for (const TRect& r : areas) {
      const TClippedArea area{std::max(r.Left, whole.Left), std::max(r.Top, whole.Top), std::min(r.Right, whole.Right),
                              std::min(r.Bottom, whole.Bottom)};
      if (area.Empty()) continue;
      if constexpr (std::is_same_v<std::decay_t<decltype(combine)>, TCombineOpaque>) {
        if (int64_t{area.Right - area.Left} * (area.Bottom - area.Top) < SmallPartPixels) {
          FilterSmallArea(dest, source, *full, whole, area, part->Coverage);
          continue;
        }
      }
      part->Area = area;
      part->Columns.Slice(full->Columns, static_cast<size_t>(area.Left - whole.Left), static_cast<size_t>(part->Count()));
      part->Rows.Slice(full->Rows, static_cast<size_t>(area.Top - whole.Top), static_cast<size_t>(area.Bottom - area.Top));
      if (part->Unit == TVectorUnit::Avx2) part->Blocks.Build(part->Columns, part->Count(), source.Width());
      FilterRows(dest, source, *part, 0, area.Bottom - area.Top, combine);
    }
  });
}

}  // namespace

void TCustomResampler::ResampleAreas(TBitmap32& dest, const TRect& destRect, const TBitmap32& source,
                                     const TRect& sourceRect, const std::vector<TRect>& areas) const {
  const TRect clip = dest.ClipRect();
  for (const TRect& r : areas) {
    dest.SetClipRect({std::max(r.Left, clip.Left), std::max(r.Top, clip.Top), std::min(r.Right, clip.Right),
                      std::min(r.Bottom, clip.Bottom)});
    Resample(dest, destRect, source, sourceRect);
  }
  dest.SetClipRect(clip);
}

void TLinearResampler::ResampleAreas(TBitmap32& dest, const TRect& destRect, const TBitmap32& source,
                                     const TRect& sourceRect, const std::vector<TRect>& areas) const {
  LinearResampleAreas(dest, destRect, source, sourceRect, Alpha, areas);
}

std::unique_ptr<TCustomResampler> TLinearResampler::Clone() const { return std::make_unique<TLinearResampler>(Alpha); }

void TLinearResampler::Resample(TBitmap32& dest, const TRect& destRect, const TBitmap32& source,
                                const TRect& sourceRect) const {
  LinearResample(dest, destRect, source, sourceRect, Alpha, [] { return nullptr; }, 0);
}

TMyLinearResampler::TMyLinearResampler(int threads, int splitPixels)
    : TMyLinearResampler(TAlphaRule::Filtered, threads, splitPixels) {}

TMyLinearResampler::TMyLinearResampler(TAlphaRule alpha, int threads, int splitPixels)
    : TLinearResampler(alpha),
      Threads(std::thread::hardware_concurrency() >= 2 ? std::clamp(threads, 1, 2) : 1),
      SplitPixels(splitPixels) {}

TMyLinearResampler::~TMyLinearResampler() = default;

std::unique_ptr<TCustomResampler> TMyLinearResampler::Clone() const {
  return std::make_unique<TMyLinearResampler>(Alpha, Threads, SplitPixels);
}

void TMyLinearResampler::Resample(TBitmap32& dest, const TRect& destRect, const TBitmap32& source,
                                  const TRect& sourceRect) const {
  const auto worker = [this]() -> TRowWorker* {
    if (!Worker) Worker = std::make_unique<TRowWorker>();
    return Worker.get();
  };
  LinearResample(dest, destRect, source, sourceRect, Alpha, worker, Threads >= 2 ? SplitPixels : 0);
}
