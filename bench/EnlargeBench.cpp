// The per-frame enlargement of the playfield onto the screen picture, at three screen sizes.
#include <benchmark/benchmark.h>

#include "sprites/Bitmap32.h"
#include "sprites/Resampler.h"
#include "support/Geometry.h"
#include "support/Random.h"

namespace {

void BM_EnlargePlayfield(benchmark::State& state) {
  const int screenWidth = static_cast<int>(state.range(0));
  const int screenHeight = static_cast<int>(state.range(1));
  TBitmap32 playfield;
  playfield.SetSize(Round(screenWidth / 2.5), Round(screenHeight / 2.5));
  RandSeed(1);
  // A playfield as the game has it: mostly transparent, with sprites here and there.
  for (int i = 0; i < playfield.Width() * playfield.Height() / 20; ++i)
    playfield.SetPixel(Random(playfield.Width()), Random(playfield.Height()), static_cast<TColor32>(Random(1 << 24)));
  playfield.DrawMode = TDrawMode::Custom;
  playfield.SetResampler(std::make_unique<TMyLinearResampler>());
  TBitmap32 screen;
  screen.SetSize(screenWidth, screenHeight);
  for (auto _ : state) {
    screen.Draw(screen.BoundsRect(), playfield.BoundsRect(), playfield);
    benchmark::DoNotOptimize(screen.Bits());
  }
  state.SetItemsProcessed(state.iterations() * screenWidth * screenHeight);
  state.SetLabel("screen pixels");
}

BENCHMARK(BM_EnlargePlayfield)->Args({1024, 768})->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
