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
// destination rows, so the work per screen pixel is a handful of multiply-adds.
#include "sprites/Resampler.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "sprites/PixelCombine.h"

namespace {

constexpr int WeightOne = 256;

struct TClippedArea {
  int Left, Top, Right, Bottom;
  bool Empty() const { return Left >= Right || Top >= Bottom; }
};

TClippedArea ClipToSurface(const TRect& r, const TBitmap32& surface) {
  return {std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, surface.Width()), std::min(r.Bottom, surface.Height())};
}

// The source rectangle limited to the surface, so that no read leaves it.
TRect LimitToSource(const TRect& r, const TBitmap32& source) {
  return {std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, source.Width()), std::min(r.Bottom, source.Height())};
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// For destination pixels First..Last of an axis: the two source pixels around each
// centre and the weight of the second one.
struct TLinearAxis {
  std::vector<int> Near, Far;
  std::vector<uint32_t> Weight;
  std::vector<uint16_t> LaneWeight;  // Weight repeated for the four channels of a pixel

  TLinearAxis(int first, int last, int destStart, int destLength, int sourceStart, int sourceLength) {
    for (int d = first; d < last; ++d) {
      // Position in 1/256 source pixels: ((2d + 1) * S / (2D) - 0.5) * 256, rounded.
      const int64_t numerator = (2LL * (d - destStart) + 1) * sourceLength * WeightOne - int64_t{destLength} * WeightOne;
      const int64_t position = FloorDiv(numerator + destLength, 2LL * destLength);
      int64_t index = FloorDiv(position, WeightOne);
      int64_t weight = position - index * WeightOne;
      if (index < 0) index = 0, weight = 0;
      if (index >= sourceLength - 1) index = sourceLength - 1, weight = 0;
      Near.push_back(sourceStart + static_cast<int>(index));
      Far.push_back(sourceStart + static_cast<int>(std::min<int64_t>(index + 1, sourceLength - 1)));
      Weight.push_back(static_cast<uint32_t>(weight));
      LaneWeight.insert(LaneWeight.end(), 4, static_cast<uint16_t>(weight));
    }
  }
};

// Source rows widened to the destination's columns, as per-channel sums in 1/256 steps.
class TWidenedRows {
 public:
  TWidenedRows(const TBitmap32& source, const TLinearAxis& columns)
      : Source(source), Columns(columns), Count(static_cast<int>(columns.Near.size())) {
    for (auto& row : Rows) row.resize(static_cast<size_t>(Count) * 4);
  }

  // The widened row Y, computing it unless it is cached; Keep is the row that must stay cached.
  const uint16_t* Get(int y, int keep) {
    for (int slot = 0; slot < 2; ++slot)
      if (RowIndex[slot] == y) return Rows[slot].data();
    const int slot = RowIndex[0] == keep ? 1 : 0;
    Widen(y, Rows[slot].data());
    RowIndex[slot] = y;
    return Rows[slot].data();
  }

 private:
  void Widen(int y, uint16_t* out) const {
    const TColor32* row = Source.ScanLine(y);
    int i = 0;
#ifdef __SSE2__
    // Two destination pixels at a time, each channel a 16-bit lane: near * (256 - w) + far * w.
    const __m128i zero = _mm_setzero_si128();
    for (; i + 2 <= Count; i += 2) {
      const __m128i near = _mm_unpacklo_epi8(
          _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(row[Columns.Near[i]])),
                             _mm_cvtsi32_si128(static_cast<int>(row[Columns.Near[i + 1]]))),
          zero);
      const __m128i far = _mm_unpacklo_epi8(
          _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(row[Columns.Far[i]])),
                             _mm_cvtsi32_si128(static_cast<int>(row[Columns.Far[i + 1]]))),
          zero);
      const __m128i farWeight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&Columns.LaneWeight[i * 4]));
      const __m128i nearWeight = _mm_sub_epi16(_mm_set1_epi16(WeightOne), farWeight);
      const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(near, nearWeight), _mm_mullo_epi16(far, farWeight));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 4), sum);
    }
#endif
    const auto* bytes = reinterpret_cast<const uint8_t*>(row);
    for (; i < Count; ++i) {
      const uint8_t* near = bytes + static_cast<size_t>(Columns.Near[i]) * 4;
      const uint8_t* far = bytes + static_cast<size_t>(Columns.Far[i]) * 4;
      const uint32_t w = Columns.Weight[i];
      for (int c = 0; c < 4; ++c) out[i * 4 + c] = static_cast<uint16_t>(near[c] * (WeightOne - w) + far[c] * w);
    }
  }

  const TBitmap32& Source;
  const TLinearAxis& Columns;
  int Count;
  std::vector<uint16_t> Rows[2];
  int RowIndex[2] = {-1, -1};
};

// Mixes two widened rows into bytes of 32-bit pixels. Each product keeps only its
// high 16 bits, which can lose up to 2/256 of a level before the final rounding.
void MixRows(const uint16_t* upper, const uint16_t* lower, uint32_t weight, uint8_t* out, int channels) {
  int k = 0;
  if (weight == 0) {
    for (; k < channels; ++k) out[k] = static_cast<uint8_t>((upper[k] + 128u) >> 8);
    return;
  }
#ifdef __SSE2__
  const __m128i upperLanes = _mm_set1_epi16(static_cast<short>((WeightOne - weight) << 8));
  const __m128i lowerLanes = _mm_set1_epi16(static_cast<short>(weight << 8));
  const __m128i half = _mm_set1_epi16(128);
  for (; k + 16 <= channels; k += 16) {
    __m128i mixed[2];
    for (int part = 0; part < 2; ++part) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + k + part * 8));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + k + part * 8));
      const __m128i sum = _mm_add_epi16(_mm_mulhi_epu16(a, upperLanes), _mm_mulhi_epu16(b, lowerLanes));
      mixed[part] = _mm_srli_epi16(_mm_add_epi16(sum, half), 8);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(mixed[0], mixed[1]));
  }
#endif
  const uint32_t upperWeight = (WeightOne - weight) << 8;
  const uint32_t lowerWeight = weight << 8;
  for (; k < channels; ++k) {
    const uint32_t sum = ((upper[k] * upperWeight) >> 16) + ((lower[k] * lowerWeight) >> 16);
    out[k] = static_cast<uint8_t>((sum + 128u) >> 8);
  }
}

}  // namespace

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

std::unique_ptr<TCustomResampler> TLinearResampler::Clone() const { return std::make_unique<TLinearResampler>(); }

void TLinearResampler::Resample(TBitmap32& dest, const TRect& destRect, const TBitmap32& source,
                                const TRect& sourceRect) const {
  const TClippedArea area = ClipToSurface(destRect, dest);
  const TRect from = LimitToSource(sourceRect, source);
  if (area.Empty() || from.Width() <= 0 || from.Height() <= 0) return;
  const TLinearAxis columns(area.Left, area.Right, destRect.Left, destRect.Width(), from.Left, from.Width());
  const TLinearAxis rows(area.Top, area.Bottom, destRect.Top, destRect.Height(), from.Top, from.Height());
  TWidenedRows widened(source, columns);
  const int count = area.Right - area.Left;
  std::vector<TColor32> mixed(static_cast<size_t>(count));
  WithCombiner(source, [&](const auto& combine) {
    using TCombine = std::decay_t<decltype(combine)>;
    for (int y = area.Top; y < area.Bottom; ++y) {
      const size_t r = static_cast<size_t>(y - area.Top);
      const uint16_t* upper = widened.Get(rows.Near[r], rows.Far[r]);
      const uint16_t* lower = widened.Get(rows.Far[r], rows.Near[r]);
      TColor32* target = dest.ScanLine(y) + area.Left;
      // An opaque draw mixes straight into the destination row.
      if constexpr (std::is_same_v<TCombine, TCombineOpaque>) {
        MixRows(upper, lower, rows.Weight[r], reinterpret_cast<uint8_t*>(target), count * 4);
      } else {
        MixRows(upper, lower, rows.Weight[r], reinterpret_cast<uint8_t*>(mixed.data()), count * 4);
        combine.Row(mixed.data(), target, count);
      }
    }
  });
}

std::unique_ptr<TCustomResampler> TMyLinearResampler::Clone() const { return std::make_unique<TMyLinearResampler>(); }
