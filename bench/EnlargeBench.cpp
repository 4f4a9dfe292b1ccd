// The per-frame enlargement of the playfield onto the screen picture at three screen
// sizes, beside pixman's and SDL's bilinear scaling of the same picture to the same size.
// All three make premultiplied ARGB: ours takes the coverage from the colours as it
// reads them; pixman is handed the playfield already in premultiplied form (alpha 255
// on every sprite pixel), so it does only the filtering.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include "platform/sdl/SdlStretch.h"
#include "sprites/Bitmap32.h"
#include "sprites/Resampler.h"
#include "support/Geometry.h"
#include "support/Random.h"

namespace {

constexpr double Enlargement = 2.5;

// A playfield as the game has it: mostly transparent, with sprites here and there.
// Every sprite pixel is solid (alpha 255, never pure black), which makes it premultiplied
// ARGB for pixman too.
void MakePlayfield(TBitmap32& playfield, int screenWidth, int screenHeight) {
  playfield.SetSize(Round(screenWidth / Enlargement), Round(screenHeight / Enlargement));
  RandSeed(1);
  for (int i = 0; i < playfield.Width() * playfield.Height() / 20; ++i)
    playfield.SetPixel(Random(playfield.Width()), Random(playfield.Height()),
                       0xFF000000u | static_cast<TColor32>(Random((1 << 24) - 1) + 1));
  // As the game sets it up: custom mode without a callback draws opaquely.
  playfield.DrawMode = TDrawMode::Custom;
}

// The game's own enlargement, on one thread or with its helper thread.
void Ours(benchmark::State& state, int threads, TAlphaRule alpha = TAlphaRule::Coverage) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  TBitmap32 playfield;
  MakePlayfield(playfield, width, height);
  playfield.SetResampler(std::make_unique<TMyLinearResampler>(alpha, threads));
  TBitmap32 screen;
  screen.SetSize(width, height);
  for (auto _ : state) {
    screen.Draw(screen.BoundsRect(), playfield.BoundsRect(), playfield);
    benchmark::DoNotOptimize(screen.Bits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * width * height);
}

void BM_EnlargeOurs(benchmark::State& state) { Ours(state, 1); }
void BM_EnlargeOursTwoThreads(benchmark::State& state) { Ours(state, 2); }
// What taking the coverage from the colours costs: the alpha filtered as it is.
void BM_EnlargeOursWithoutCoverage(benchmark::State& state) { Ours(state, 1, TAlphaRule::Filtered); }
// The fallback for processors without AVX2.
void BM_EnlargeOursSse2(benchmark::State& state) {
  LimitVectorUnit(TVectorUnit::Sse2);
  Ours(state, 1);
  LimitVectorUnit(TVectorUnit::Avx2);
}

// pixman: bilinear filter, edges padded, the transform mapping the screen back onto the
// playfield, premultiplied ARGB in and out.
void BM_EnlargePixman(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  TBitmap32 playfield;
  MakePlayfield(playfield, width, height);
  TBitmap32 screen;
  screen.SetSize(width, height);
  pixman_image_t* source = pixman_image_create_bits(PIXMAN_a8r8g8b8, playfield.Width(), playfield.Height(),
                                                    playfield.Bits(), playfield.Width() * 4);
  pixman_image_t* target = pixman_image_create_bits(PIXMAN_a8r8g8b8, width, height, screen.Bits(), width * 4);
  pixman_transform_t transform;
  pixman_transform_init_scale(&transform, pixman_double_to_fixed(static_cast<double>(playfield.Width()) / width),
                              pixman_double_to_fixed(static_cast<double>(playfield.Height()) / height));
  pixman_image_set_transform(source, &transform);
  pixman_image_set_filter(source, PIXMAN_FILTER_BILINEAR, nullptr, 0);
  pixman_image_set_repeat(source, PIXMAN_REPEAT_PAD);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, source, nullptr, target, 0, 0, 0, 0, 0, 0, width, height);
    benchmark::DoNotOptimize(screen.Bits());
    benchmark::ClobberMemory();
  }
  pixman_image_unref(source);
  pixman_image_unref(target);
  state.SetItemsProcessed(state.iterations() * width * height);
}

// SDL 2: SDL_SoftStretchLinear between two 32-bit surfaces of the same format.
void BM_EnlargeSdl(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  TBitmap32 playfield;
  MakePlayfield(playfield, width, height);
  TBitmap32 screen;
  screen.SetSize(width, height);
  TSdlStretch stretch(playfield.View(), screen.Bits(), width, height, width);
  for (auto _ : state) {
    if (!stretch.Run()) {
      state.SkipWithError("SDL_SoftStretchLinear failed");
      break;
    }
    benchmark::DoNotOptimize(screen.Bits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * width * height);
}

// The three screens: 1024x768 (playfield 410x307, not quite 2.5 on either axis),
// 1920x1080 (768x432) and 3840x2160 (1536x864), both exactly 2.5.
void ScreenSizes(benchmark::internal::Benchmark* b) {
  b->Args({1024, 768})->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_EnlargeOurs)->Apply(ScreenSizes);
BENCHMARK(BM_EnlargeOursTwoThreads)->Apply(ScreenSizes)->UseRealTime();
BENCHMARK(BM_EnlargeOursSse2)->Apply(ScreenSizes);
BENCHMARK(BM_EnlargeOursWithoutCoverage)->Apply(ScreenSizes);
BENCHMARK(BM_EnlargePixman)->Apply(ScreenSizes);
BENCHMARK(BM_EnlargeSdl)->Apply(ScreenSizes);

}  // namespace

BENCHMARK_MAIN();
